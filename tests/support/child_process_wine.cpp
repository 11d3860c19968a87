// Child processes of a Windows test program under Wine. Wine starts a Linux program by its
// path but gives the caller neither its standard output nor a handle to wait on or end it, so
// tests/support/child_launcher.py, which runs the test program, starts them on its behalf: one
// loopback connection per child, whose end kills the child (see the launcher for the frames).

#include <windows.h>

#include <cstdlib>
#include <optional>
#include <stdexcept>

#include "tests/support/child_process.h"
#include "tests/support/hex_text.h"
#include "tests/support/loopback.h"

namespace korvalesen::testing {
namespace {

using Clock = std::chrono::steady_clock;

// A field of a request: "-" stands for an empty one.
std::string Field(const std::string& bytes) {
  return bytes.empty() ? "-" : HexText(bytes);
}

std::uint16_t LauncherPort() {
  const char* port = std::getenv("KORVALESEN_CHILD_LAUNCHER");
  if (port == nullptr) {
    throw std::runtime_error(
        "no child launcher: run the test under tests/support/child_launcher.py");
  }
  return static_cast<std::uint16_t>(std::stoi(port));
}

// One of the functions Wine's kernel32 adds for its programs.
template <typename Function>
Function WineFunction(const char* name) {
  const auto function = reinterpret_cast<Function>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
  if (function == nullptr) throw std::runtime_error("not under Wine");
  return function;
}

}  // namespace

struct ChildProcess::Running {
  loopback::Socket connection = loopback::kNone;
  std::string received;  // bytes of frames not taken yet
  std::string output;    // the child's output not read yet
  bool ended = false;
  int status = 0;

  // Receives more bytes before the deadline; false when none came or the launcher is gone.
  bool Receive(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    char block[65536];
    if (left.count() <= 0 || !loopback::WaitReadable(connection, static_cast<int>(left.count()))) {
      return false;
    }
    const long count = loopback::Receive(connection, block, sizeof block);
    if (count <= 0) return false;
    received.append(block, static_cast<std::size_t>(count));
    return true;
  }

  // The next header line of the launcher, without its end; nothing when none came before the
  // deadline.
  std::optional<std::string> Header(Clock::time_point deadline) {
    std::size_t end;
    while ((end = received.find('\n')) == std::string::npos) {
      if (!Receive(deadline)) return std::nullopt;
    }
    std::string line = received.substr(0, end);
    received.erase(0, end + 1);
    return line;
  }

  // Takes the next frame: output goes to `output`, the end sets `ended`. False when nothing
  // came before the deadline.
  bool NextFrame(Clock::time_point deadline) {
    const std::optional<std::string> header = Header(deadline);
    if (!header) return false;
    if (header->empty() || (header->front() != 'D' && header->front() != 'X')) {
      throw std::runtime_error("the child launcher sent \"" + *header + "\"");
    }
    if (header->front() == 'X') {
      status = std::stoi(header->substr(1));
      ended = true;
      return true;
    }
    const std::size_t count = std::stoul(header->substr(1));
    while (received.size() < count) {
      if (!Receive(deadline)) return false;
    }
    output.append(received, 0, count);
    received.erase(0, count);
    return true;
  }
};

ChildProcess::ChildProcess(const std::vector<std::string>& command,
                           const std::filesystem::path& working_directory)
    : running_(std::make_unique<Running>()) {
  running_->connection = loopback::Connect(LauncherPort());
  if (running_->connection == loopback::kNone) {
    throw std::runtime_error("the child launcher does not listen");
  }
  std::string request = Field(working_directory.empty() ? "" : ChildPath(working_directory));
  for (const std::string& argument : command) request += " " + Field(argument);
  loopback::SendAll(running_->connection, request + "\n");
  const std::optional<std::string> answer =
      running_->Header(Clock::now() + std::chrono::seconds(10));
  if (!answer) throw std::runtime_error("the child launcher does not answer");
  if (*answer != "S") throw std::runtime_error(answer->substr(1));
}

ChildProcess::~ChildProcess() {
  loopback::Close(running_->connection);
}

std::string ChildProcess::ReadLine() {
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  std::size_t end;
  while ((end = running_->output.find('\n')) == std::string::npos) {
    if (running_->ended || !running_->NextFrame(deadline)) {
      throw std::runtime_error("the child wrote no line");
    }
  }
  std::string line = running_->output.substr(0, end);
  running_->output.erase(0, end + 1);
  return line;
}

ChildProcess::Ended ChildProcess::Wait(std::chrono::seconds limit) {
  const auto deadline = Clock::now() + limit;
  while (!running_->ended && running_->NextFrame(deadline)) {
  }
  Ended ended{running_->ended ? running_->status : 128 + 9, std::move(running_->output)};
  running_->output.clear();
  // Closing the connection kills a child that is still running.
  loopback::Close(running_->connection);
  running_->connection = loopback::kNone;
  return ended;
}

std::string ChildPath(const std::filesystem::path& path) {
  using UnixFileName = char*(CDECL*)(const wchar_t*);
  const auto unix_file_name = WineFunction<UnixFileName>("wine_get_unix_file_name");
  char* unix_path = unix_file_name(std::filesystem::absolute(path).wstring().c_str());
  if (unix_path == nullptr) throw std::runtime_error("no Unix path for " + path.string());
  std::string result(unix_path);
  HeapFree(GetProcessHeap(), 0, unix_path);
  return result;
}

std::filesystem::path FromChildPath(const std::string& path) {
  using DosFileName = wchar_t*(CDECL*)(const char*);
  const auto dos_file_name = WineFunction<DosFileName>("wine_get_dos_file_name");
  wchar_t* dos_path = dos_file_name(path.c_str());
  if (dos_path == nullptr) throw std::runtime_error("no Windows path for " + path);
  std::filesystem::path result(dos_path);
  HeapFree(GetProcessHeap(), 0, dos_path);
  return result;
}

}  // namespace korvalesen::testing
