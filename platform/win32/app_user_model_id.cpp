#include "platform/win32/app_user_model_id.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shobjidl.h>

namespace korvalesen::platform {

bool SetProgramAppUserModelId() {
  return SUCCEEDED(SetCurrentProcessExplicitAppUserModelID(kAppUserModelId));
}

}  // namespace korvalesen::platform
