#include "platform/win32/win32_user_interface_loop.h"

#include <deque>
#include <map>
#include <mutex>

#include "common/exception_display.h"
#include "platform/user_interface_loop.h"
#include "platform/win32/system_error.h"

namespace korvalesen::platform {

namespace {

constexpr UINT kRunPosted = WM_APP + 1;
constexpr wchar_t kClassName[] = L"KorvalesenUserInterfaceLoop";

class Win32UserInterfaceLoop;
Win32UserInterfaceLoop* installed = nullptr;  // written once, on the user-interface thread

class Win32LoopTimer final : public LoopTimer {
 public:
  Win32LoopTimer(HWND window, UINT_PTR id, std::chrono::milliseconds interval,
                 UserInterfaceLoop::Repeat repeat, std::function<void()> tick)
      : window_(window), id_(id), interval_(interval), repeat_(repeat), tick_(std::move(tick)) {}
  ~Win32LoopTimer() override;

  void Start() override {
    // Setting a running timer again restarts its interval; below USER_TIMER_MINIMUM Windows
    // counts that minimum.
    const auto ms = interval_.count() < 0 ? 0 : interval_.count();
    active_ = SetTimer(window_, id_, static_cast<UINT>(ms), nullptr) != 0;
  }
  void Stop() override {
    if (active_) KillTimer(window_, id_);
    active_ = false;
  }
  bool Active() const override { return active_; }
  void SetInterval(std::chrono::milliseconds interval) override {
    interval_ = interval;
    if (active_) Start();
  }
  std::chrono::milliseconds Interval() const override { return interval_; }

  void Tick() {
    if (!active_) return;  // a tick that was queued before Stop
    if (repeat_ == UserInterfaceLoop::Repeat::kSingleShot) Stop();
    tick_();
  }

 private:
  HWND window_;
  UINT_PTR id_;
  std::chrono::milliseconds interval_;
  UserInterfaceLoop::Repeat repeat_;
  std::function<void()> tick_;
  bool active_ = false;
};

class Win32UserInterfaceLoop final : public UserInterfaceLoop {
 public:
  explicit Win32UserInterfaceLoop(HWND window) : window_(window) {}

  HWND Window() const { return window_; }

  void Post(std::function<void()> call) override {
    {
      std::lock_guard lock(mutex_);
      calls_.push_back(std::move(call));
    }
    // One message per call. Should the queue of messages be full, the call waits for the
    // message of the next one.
    PostMessageW(window_, kRunPosted, 0, 0);
  }

  std::unique_ptr<LoopTimer> MakeTimer(std::chrono::milliseconds interval, Repeat repeat,
                                       std::function<void()> tick) override {
    const UINT_PTR id = ++last_timer_id_;
    auto timer = std::make_unique<Win32LoopTimer>(window_, id, interval, repeat, std::move(tick));
    timers_[id] = timer.get();
    return timer;
  }

  void ProcessMessages() override {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        // The quit belongs to the message loop that runs this pump: it is put back.
        PostQuitMessage(static_cast<int>(message.wParam));
        return;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }

  void RunOnePosted() {
    std::function<void()> call;
    {
      std::lock_guard lock(mutex_);
      if (calls_.empty()) return;
      call = std::move(calls_.front());
      calls_.pop_front();
    }
    call();
  }

  void TimerTicked(UINT_PTR id) {
    const auto found = timers_.find(id);
    if (found != timers_.end()) found->second->Tick();
  }

  void Forget(UINT_PTR id) { timers_.erase(id); }

 private:
  HWND window_;
  std::mutex mutex_;
  std::deque<std::function<void()>> calls_;  // guarded by mutex_
  // User-interface thread only.
  UINT_PTR last_timer_id_ = 0;
  std::map<UINT_PTR, Win32LoopTimer*> timers_;
};

Win32LoopTimer::~Win32LoopTimer() {
  Stop();
  if (installed != nullptr) installed->Forget(id_);
}

LRESULT CALLBACK LoopWindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  // What a posted call or a tick raises must not unwind through Windows' dispatch: it goes to
  // the exception display, as the framework's dispatch does with a handler's exception.
  try {
    switch (message) {
      case kRunPosted:
        if (installed != nullptr) installed->RunOnePosted();
        return 0;
      case WM_TIMER:
        if (installed != nullptr) installed->TimerTicked(wparam);
        return 0;
      case WM_DEVICECHANGE:
        PassDeviceChange(wparam, lparam);
        break;  // the window goes on with the message
      default:
        break;
    }
  } catch (...) {
    ShowCurrentException();
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

void InstallWin32UserInterfaceLoop() {
  if (installed != nullptr) return;
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = LoopWindowProcedure;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = kClassName;
  if (RegisterClassExW(&window_class) == 0) throw LastWindowsError();
  HWND window = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                window_class.hInstance, nullptr);
  if (window == nullptr) throw LastWindowsError();
  // Never destroyed: an event thread may post while the process ends through exit().
  installed = new Win32UserInterfaceLoop(window);
  InstallUserInterfaceLoop(*installed);
}

HWND UserInterfaceLoopWindow() {
  return installed != nullptr ? installed->Window() : nullptr;
}

}  // namespace korvalesen::platform
