// The port's configuration dialog, shown for real on Qt's offscreen platform and answered
// through its widgets.
#include "serial/dialog/com_config_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "platform/posix/comm_config_files.h"
#include "tests/serial/virtual_port.h"
#include "tests/support/temporary_directory.h"

namespace korvalesen {
namespace {

using platform::ParityCode;

class ComConfigDialogTest : public ::testing::Test, public testing::VirtualPort {
 protected:
  ComConfigDialogTest() : store(folder.path()) {
    port->SetConfigStore(store);
    port->SetConfigPresenter(&presenter);
  }

  // Once the dialog is up: records its title and lists, runs `act` on it.
  void WhenShown(std::function<void(ComConfigDialog&)> act) {
    QTimer::singleShot(0, [this, act] {
      auto* dialog = qobject_cast<ComConfigDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) {
        WhenShown(act);  // not up yet
        return;
      }
      title = dialog->windowTitle();
      for (const char* name : {"rate", "dataBits", "parity", "stopBits", "flowControl"}) {
        shown.push_back(dialog->findChild<QComboBox*>(name)->currentText());
      }
      act(*dialog);
    });
  }
  static void Choose(ComConfigDialog& dialog, const char* list, const QString& text) {
    auto* box = dialog.findChild<QComboBox*>(list);
    if (box->isEditable()) {
      box->setEditText(text);
    } else {
      box->setCurrentIndex(box->findText(text));
    }
  }
  static void Press(ComConfigDialog& dialog, QDialogButtonBox::StandardButton which) {
    dialog.findChild<QDialogButtonBox*>()->button(which)->click();
  }

  testing::TemporaryWorkingDirectory folder;
  CommConfigFiles store;
  QtComConfigPresenter presenter;
  QString title;
  QStringList shown;
};

TEST_F(ComConfigDialogTest, ConfirmedTheChoicesAreAppliedToTheOpenPort) {
  port->Open();
  WhenShown([](ComConfigDialog& dialog) {
    Choose(dialog, "rate", "31250");
    Choose(dialog, "parity", QString::fromUtf8("Ungerade"));
    Choose(dialog, "stopBits", "2");
    Choose(dialog, "flowControl", "Hardware");
    Press(dialog, QDialogButtonBox::Ok);
  });
  EXPECT_TRUE(port->ConfigDialog());
  EXPECT_EQ(title, "Eigenschaften von ttyV0");
  EXPECT_EQ(shown, (QStringList{"9600", "8", "Keine", "1", "Kein"}));
  EXPECT_EQ(port->CustomBaudRate(), 31250);
  EXPECT_EQ(port->Parity(), paOdd);
  EXPECT_EQ(port->StopBits(), sb2);
  EXPECT_EQ(port->FlowControl().RTS(), rcHandshake);
  EXPECT_TRUE(port->Options().Contains(opOutputCTSFlow));
  const platform::LineSettings applied = line.Settings();
  EXPECT_EQ(applied.baud_rate, 31250u);
  EXPECT_EQ(applied.parity, ParityCode::kOdd);
  EXPECT_EQ(applied.stop_bits, platform::StopBitsCode::kTwo);
  EXPECT_TRUE(applied.out_cts_flow);
  EXPECT_EQ(applied.rts_control, platform::RtsControl::kHandshake);
}

TEST_F(ComConfigDialogTest, CancelledNothingChanges) {
  port->Open();
  const platform::LineSettings before = line.Settings();
  WhenShown([](ComConfigDialog& dialog) {
    Choose(dialog, "rate", "300");
    Choose(dialog, "dataBits", "5");
    Press(dialog, QDialogButtonBox::Cancel);
  });
  EXPECT_FALSE(port->ConfigDialog());
  EXPECT_EQ(port->BaudRate(), br9600);
  EXPECT_EQ(port->DataBits(), db8);
  EXPECT_EQ(line.Settings(), before);
}

TEST_F(ComConfigDialogTest, TheDefaultDialogStoresTheChoiceAndShowsItNextTime) {
  WhenShown([](ComConfigDialog& dialog) {
    Choose(dialog, "rate", "115200");
    Choose(dialog, "flowControl", "Xon / Xoff");
    Press(dialog, QDialogButtonBox::Ok);
  });
  EXPECT_TRUE(port->DefaultConfigDialog());
  const auto stored = store.Load("ttyV0");
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->baud_rate, 115200u);
  EXPECT_TRUE(stored->xon_xoff_in && stored->xon_xoff_out);
  shown.clear();
  WhenShown([](ComConfigDialog& dialog) { Press(dialog, QDialogButtonBox::Ok); });
  EXPECT_TRUE(port->DefaultConfigDialog());
  EXPECT_EQ(shown, (QStringList{"115200", "8", "Keine", "1", "Xon / Xoff"}));
  EXPECT_EQ(store.Load("ttyV0"), stored);  // confirmed unchanged: stored unchanged
}

}  // namespace
}  // namespace korvalesen
