#include "serial/dialog/com_config_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QPushButton>
#include <QVBoxLayout>
#include <climits>
#include <string_view>

#include "common/windows1252.h"

namespace korvalesen {

namespace {

using platform::DtrControl;
using platform::LineSettings;
using platform::ParityCode;
using platform::RtsControl;
using platform::StopBitsCode;

QString Text(std::string_view w1252) {
  return QString::fromStdString(W1252ToUtf8(w1252));
}

constexpr int kRates[] = {75,   110,  134,   150,   300,   600,   1200,  1800,   2400,   4800,
                          7200, 9600, 14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};

enum Flow { kFlowXOnXOff, kFlowHardware, kFlowNone };

int FlowOf(const LineSettings& s) {
  if (s.xon_xoff_in || s.xon_xoff_out) return kFlowXOnXOff;
  if (s.out_cts_flow || s.rts_control == RtsControl::kHandshake) return kFlowHardware;
  return kFlowNone;
}

// A list whose items carry `values`; the item of `current` is selected, none without one.
template <class T>
QComboBox* List(const char* name, std::initializer_list<std::pair<QString, T>> items, T current) {
  auto* box = new QComboBox;
  box->setObjectName(name);
  for (const auto& [text, value] : items) box->addItem(text, static_cast<int>(value));
  box->setCurrentIndex(box->findData(static_cast<int>(current)));
  return box;
}

template <class T>
void TakeChoice(const QComboBox* box, T& field) {
  if (box->currentIndex() >= 0) field = static_cast<T>(box->currentData().toInt());
}

}  // namespace

ComConfigDialog::ComConfigDialog(const std::string& device, const LineSettings& settings,
                                 QWidget* parent)
    : QDialog(parent), settings_(settings), flow_shown_(FlowOf(settings)) {
  setWindowTitle(Text("Eigenschaften von "_w1252) + QString::fromStdString(device));

  rate_ = new QComboBox;
  rate_->setObjectName("rate");
  rate_->setEditable(true);
  rate_->setValidator(new QIntValidator(1, INT_MAX, rate_));
  for (const int rate : kRates) rate_->addItem(QString::number(rate));
  rate_->setCurrentText(QString::number(settings.baud_rate));

  data_bits_ = List<int>("dataBits", {{"5", 5}, {"6", 6}, {"7", 7}, {"8", 8}}, settings.byte_size);
  parity_ = List<ParityCode>("parity",
                             {{Text("Gerade"_w1252), ParityCode::kEven},
                              {Text("Ungerade"_w1252), ParityCode::kOdd},
                              {Text("Keine"_w1252), ParityCode::kNone},
                              {Text("Markierung"_w1252), ParityCode::kMark},
                              {Text("Leerzeichen"_w1252), ParityCode::kSpace}},
                             settings.parity);
  stop_bits_ = List<StopBitsCode>(
      "stopBits",
      {{"1", StopBitsCode::kOne}, {"1,5", StopBitsCode::kOneAndHalf}, {"2", StopBitsCode::kTwo}},
      settings.stop_bits);
  flow_ = List<int>(
      "flowControl",
      {{"Xon / Xoff", kFlowXOnXOff}, {"Hardware", kFlowHardware}, {Text("Kein"_w1252), kFlowNone}},
      flow_shown_);

  auto* form = new QFormLayout;
  form->addRow(Text("Bits pro Sekunde:"_w1252), rate_);
  form->addRow(Text("Datenbits:"_w1252), data_bits_);
  form->addRow(Text("Parität:"_w1252), parity_);
  form->addRow(Text("Stoppbits:"_w1252), stop_bits_);
  form->addRow(Text("Flusssteuerung:"_w1252), flow_);
  auto* group = new QGroupBox(Text("Anschlusseinstellungen"_w1252));
  group->setLayout(form);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setText("OK");
  buttons->button(QDialogButtonBox::Cancel)->setText(Text("Abbrechen"_w1252));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addWidget(buttons);
}

LineSettings ComConfigDialog::Settings() const {
  LineSettings s = settings_;
  bool number = false;
  const uint rate = rate_->currentText().toUInt(&number);
  if (number && rate > 0) s.baud_rate = rate;
  TakeChoice(data_bits_, s.byte_size);
  TakeChoice(parity_, s.parity);
  TakeChoice(stop_bits_, s.stop_bits);
  const int flow = flow_->currentData().toInt();
  if (flow != flow_shown_) {
    // As the system's dialog sets them; handshaking is RTS/CTS, the one a tty has.
    s.xon_xoff_in = s.xon_xoff_out = flow == kFlowXOnXOff;
    s.out_cts_flow = flow == kFlowHardware;
    s.out_dsr_flow = false;
    s.dtr_control = DtrControl::kEnable;
    s.rts_control = flow == kFlowHardware ? RtsControl::kHandshake : RtsControl::kEnable;
  }
  return s;
}

bool QtComConfigPresenter::Present(const std::string& device, LineSettings& settings) {
  ComConfigDialog dialog(device, settings, QApplication::activeWindow());
  if (dialog.exec() != QDialog::Accepted) return false;
  settings = dialog.Settings();
  return true;
}

}  // namespace korvalesen
