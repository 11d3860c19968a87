#include "app/main_form_run.h"

#include "app/main_form.h"
#include "app/readout_sequence.h"
#include "common/format_text.h"
#include "common/support_log.h"
#include "platform/program_version.h"
#include "platform/system_name.h"
#include "results/support_log_file.h"

namespace korvalesen {

namespace {

// Calls the hook when the sequence is left, by return or by an error.
class AfterReadoutCall {
 public:
  AfterReadoutCall(const AfterReadout& hook, MainFormView& window) : hook_(hook), window_(window) {}
  ~AfterReadoutCall() {
    if (hook_) hook_(window_);
  }
  AfterReadoutCall(const AfterReadoutCall&) = delete;
  AfterReadoutCall& operator=(const AfterReadoutCall&) = delete;

 private:
  const AfterReadout& hook_;
  MainFormView& window_;
};

}  // namespace

int RunMainForm(MainFormView& view, const ProgramServices& services,
                const AfterReadout& after_readout, const std::function<void()>& show_and_run_loop) {
  const SupportLogInstallation log;
  const ProgramVersion version = ReadProgramVersion();
  LogEvent(FormatText("Start Korvalesen %u.%u.%u.%u auf %s", version.major, version.minor,
                      version.release, version.build, platform::SystemName().c_str()));
  TMainForm MainForm(view, services);
  ReadoutSequence readout(MainForm);
  MainForm.SetTimer1Handler([&] {
    const AfterReadoutCall after(after_readout, view);
    readout.Run();
  });
  if (services.onLoopStart) services.onLoopStart();
  show_and_run_loop();
  const int status = static_cast<int>(readout.StatusOnClose());
  LogEvent("Fenster geschlossen, Status " + std::to_string(status));
  return status;
}

}  // namespace korvalesen
