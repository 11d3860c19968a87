#include "tools/plug_in_late.h"

#include <algorithm>
#include <memory>

#include "platform/user_interface_loop.h"

namespace korvalesen::tools {

namespace {

// The hook that calls `first` after the first readout and `then` after each later one.
AfterReadout AfterFirstSearch(std::function<void()> first, AfterReadout then) {
  auto called = std::make_shared<bool>(false);
  return [called, first = std::move(first), then = std::move(then)](MainFormView& window) {
    if (*called) {
      if (then) then(window);
      return;
    }
    *called = true;
    if (first) first();
  };
}

}  // namespace

AfterReadout PlugInAfterFirstSearch(sim::VirtualComputer& computer, std::chrono::milliseconds delay,
                                    AfterReadout then) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point at = Clock::now() + delay;
  auto plug_in = std::make_shared<std::unique_ptr<platform::LoopTimer>>();
  const auto start = [&computer, at, plug_in] {
    const auto wait =
        std::max(std::chrono::duration_cast<std::chrono::milliseconds>(at - Clock::now()),
                 std::chrono::milliseconds::zero());
    *plug_in = platform::InstalledUserInterfaceLoop().MakeTimer(
        wait, platform::UserInterfaceLoop::Repeat::kSingleShot,
        [&computer] { computer.PlugInAdapter(); });
    (*plug_in)->Start();
  };
  return AfterFirstSearch(start, std::move(then));
}

AfterReadout AwaitAdapterAfterFirstSearch(AfterReadout then) {
  return AfterFirstSearch({}, std::move(then));
}

}  // namespace korvalesen::tools
