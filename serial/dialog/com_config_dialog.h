#pragma once

// The configuration dialog of a serial device: bits per second, data bits, parity, stop bits
// and flow control, with OK and Cancel. QtComConfigPresenter shows it for the port's
// ConfigDialog and DefaultConfigDialog.

#include <QDialog>
#include <string>

#include "platform/comm_device.h"
#include "serial/com_config_presenter.h"

class QComboBox;

namespace korvalesen {

class ComConfigDialog : public QDialog {
  Q_OBJECT

 public:
  ComConfigDialog(const std::string& device, const platform::LineSettings& settings,
                  QWidget* parent = nullptr);

  // The settings shown, changed as chosen. A field whose value the lists do not hold (a byte
  // size of 16, say) keeps its value unless the user picks another; flow control changes the
  // handshake fields only when another choice was made.
  platform::LineSettings Settings() const;

 private:
  platform::LineSettings settings_;
  int flow_shown_ = 0;
  QComboBox* rate_ = nullptr;
  QComboBox* data_bits_ = nullptr;
  QComboBox* parity_ = nullptr;
  QComboBox* stop_bits_ = nullptr;
  QComboBox* flow_ = nullptr;
};

class QtComConfigPresenter : public ComConfigPresenter {
 public:
  bool Present(const std::string& device, platform::LineSettings& settings) override;
};

}  // namespace korvalesen
