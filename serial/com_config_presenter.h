#pragma once

// The seam between the port's configuration dialogs and the dialog that shows them: the port
// hands over a device's line settings, the presenter lets the user edit them. The Qt dialog
// lives in serial/dialog/ (it needs QtWidgets, the port QtCore only).

#include <string>

#include "platform/comm_device.h"

namespace korvalesen {

class ComConfigPresenter {
 public:
  virtual ~ComConfigPresenter() = default;
  // Shows `settings` of `device` modally; true when the user confirmed, with `settings`
  // changed as chosen. A cancelled dialog leaves `settings` as it was.
  virtual bool Present(const std::string& device, platform::LineSettings& settings) = 0;
};

}  // namespace korvalesen
