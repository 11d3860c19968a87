#include "tools/plug_in_late.h"

#include <algorithm>
#include <memory>

#include "platform/user_interface_loop.h"

namespace korvalesen::tools {

AfterReadout PlugInAfterFirstSearch(sim::VirtualComputer& computer, std::chrono::milliseconds delay,
                                    AfterReadout then) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point at = Clock::now() + delay;
  auto plug_in = std::make_shared<std::unique_ptr<platform::LoopTimer>>();
  return [&computer, at, then = std::move(then), plug_in](MainFormView& window) {
    if (*plug_in) {
      if (then) then(window);
      return;
    }
    const auto wait =
        std::max(std::chrono::duration_cast<std::chrono::milliseconds>(at - Clock::now()),
                 std::chrono::milliseconds::zero());
    *plug_in = platform::InstalledUserInterfaceLoop().MakeTimer(
        wait, platform::UserInterfaceLoop::Repeat::kSingleShot,
        [&computer] { computer.PlugInAdapter(); });
    (*plug_in)->Start();
  };
}

}  // namespace korvalesen::tools
