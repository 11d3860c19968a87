#include "platform/user_interface_loop.h"

#include <atomic>
#include <stdexcept>
#include <thread>

namespace korvalesen::platform {

namespace {

std::atomic<UserInterfaceLoop*> installed_loop{nullptr};
std::atomic<std::thread::id> user_interface_thread{};

}  // namespace

std::unique_ptr<ReadableWatch> UserInterfaceLoop::WatchReadable(int /*descriptor*/,
                                                                std::function<void()> /*ready*/) {
  throw std::logic_error("this user-interface loop watches no descriptors");
}

void InstallUserInterfaceLoop(UserInterfaceLoop& loop) {
  user_interface_thread.store(std::this_thread::get_id());
  installed_loop.store(&loop);
}

UserInterfaceLoop& InstalledUserInterfaceLoop() {
  UserInterfaceLoop* loop = installed_loop.load();
  if (loop == nullptr) throw std::logic_error("no user-interface loop is installed");
  return *loop;
}

bool IsUserInterfaceThread() {
  return installed_loop.load() != nullptr &&
         user_interface_thread.load() == std::this_thread::get_id();
}

}  // namespace korvalesen::platform
