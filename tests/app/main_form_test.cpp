#include "app/main_form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QScreen>
#include <QSignalSpy>
#include <QWindow>
#include <new>
#include <string>

#include "app/message_boxes.h"
#include "app/qt/qt_main_form_view.h"
#include "common/exception_display.h"
#include "common/windows1252.h"
#include "tests/support/message_box_answerer.h"

namespace korvalesen {
namespace {

using testing::MessageBoxAnswerer;

void ProcessEventsFor(int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < milliseconds) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

struct WidgetLayout {
  QWidget* widget;
  QWidget* parent;
  QRect geometry;
  QString text;
  const char* family;
  int pixel_size;
  bool bold;
};

class MainFormTest : public ::testing::Test {
 protected:
  QtMainFormView view_;
  TMainForm form_{view_};
};

TEST_F(MainFormTest, EveryWidgetSitsWhereTheLayoutPutsIt) {
  const WidgetLayout layout[] = {
      {view_.GroupBox3, &view_, {16, 24, 353, 89}, "Status", "Arial", 16, false},
      {view_.statusLabel, view_.GroupBox3, {16, 64, 329, 18}, "", "Arial", 16, false},
      {view_.ProgressBar, view_.GroupBox3, {16, 32, 233, 25}, "", nullptr, 0, false},
      {view_.ResetPanel, view_.GroupBox3, {264, 32, 73, 25}, "Reset", "Arial", 16, true},
      {view_.GroupBox4, &view_, {384, 24, 177, 89}, "Port", "Arial", 16, false},
      {view_.ComboBox, view_.GroupBox4, {16, 24, 137, 26}, "", "Arial", 16, false},
      {view_.SuchenButton, view_.GroupBox4, {16, 56, 137, 25}, "suchen", "Arial", 16, false},
  };
  for (const WidgetLayout& expected : layout) {
    SCOPED_TRACE(expected.widget->metaObject()->className());
    EXPECT_EQ(expected.widget->parentWidget(), expected.parent);
    EXPECT_EQ(expected.widget->geometry(), expected.geometry);
    EXPECT_TRUE(expected.widget->isEnabled());
    if (auto* box = qobject_cast<QGroupBox*>(expected.widget)) {
      EXPECT_EQ(box->title(), expected.text);
    }
    if (auto* label = qobject_cast<QLabel*>(expected.widget)) {
      EXPECT_EQ(label->text(), expected.text);
    }
    if (auto* button = qobject_cast<QPushButton*>(expected.widget)) {
      EXPECT_EQ(button->text(), expected.text);
    }
    if (expected.family != nullptr) {
      EXPECT_EQ(expected.widget->font().family(), expected.family);
      EXPECT_EQ(expected.widget->font().pixelSize(), expected.pixel_size);
      EXPECT_EQ(expected.widget->font().bold(), expected.bold);
    }
  }
  EXPECT_EQ(view_.size(), QSize(574, 127));
  EXPECT_EQ(view_.minimumSize(), view_.maximumSize()) << "the window has a fixed size";
  EXPECT_EQ(view_.font().family(), "MS Sans Serif");
  EXPECT_EQ(view_.font().pixelSize(), 11);
}

TEST_F(MainFormTest, ArialResolvesToAMetricCompatibleFont) {
  const QFontInfo resolved(view_.GroupBox3->font());
  EXPECT_TRUE(resolved.family() == "Arial" || resolved.family() == "Liberation Sans")
      << resolved.family().toStdString();
  EXPECT_EQ(resolved.pixelSize(), 16);
}

TEST_F(MainFormTest, StartsInTheInitialState) {
  EXPECT_EQ(view_.windowTitle(), QString("LCD Konfiguration auslesen v%1.%2")
                                     .arg(PROJECT_VERSION_MAJOR)
                                     .arg(PROJECT_VERSION_MINOR));
  EXPECT_TRUE(view_.statusLabel->text().isEmpty());
  EXPECT_EQ(view_.statusLabel->palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_TRUE(view_.statusLabel->autoFillBackground());
  EXPECT_EQ(view_.ProgressBar->minimum(), 0);
  EXPECT_EQ(view_.ProgressBar->maximum(), 100);
  EXPECT_EQ(view_.ProgressBar->value(), 0);
  EXPECT_EQ(view_.ResetPanel->palette().color(QPalette::Window), QColor(0, 128, 0));
  EXPECT_EQ(view_.ResetPanel->alignment(), Qt::AlignCenter);
  EXPECT_EQ(view_.ComboBox->count(), 0);
  EXPECT_FALSE(view_.ComboBox->isEditable());
  EXPECT_EQ(view_.ComboBox->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(view_.SuchenButton->focusPolicy(), Qt::NoFocus);
  EXPECT_TRUE(view_.Timer1->isActive());
  EXPECT_EQ(view_.Timer1->interval(), 1000);
  EXPECT_FALSE(view_.Timer2->isActive());
  EXPECT_EQ(view_.Timer2->interval(), 30);
  EXPECT_EQ(form_.FaultTexts.texts[39], "Ungültige Fehlertext-Nr."_w1252);
  EXPECT_EQ(view_.windowIcon().availableSizes().value(0), QSize(96, 96));
}

TEST_F(MainFormTest, TheApplicationTitleIsNotAppendedToTheCaption) {
  QApplication::setApplicationName(kApplicationTitle);
  view_.show();
  ASSERT_NE(view_.windowHandle(), nullptr);
  EXPECT_EQ(view_.windowHandle()->title(), view_.windowTitle());
  EXPECT_TRUE(QGuiApplication::applicationDisplayName() == kApplicationTitle);
}

TEST_F(MainFormTest, TheShownWindowIsCentredOnTheScreen) {
  view_.show();
  const QRect screen = view_.screen()->geometry();
  EXPECT_LE(std::abs(view_.frameGeometry().center().x() - screen.center().x()), 1);
  EXPECT_LE(std::abs(view_.frameGeometry().center().y() - screen.center().y()), 1);
}

TEST_F(MainFormTest, DisablingTheControlsLeavesFramesStatusLineAndColoursAlone) {
  form_.EnableControls(false);
  EXPECT_FALSE(view_.ResetPanel->isEnabled());
  EXPECT_FALSE(view_.ProgressBar->isEnabled());
  EXPECT_FALSE(view_.SuchenButton->isEnabled());
  EXPECT_FALSE(view_.ComboBox->isEnabled());
  EXPECT_TRUE(view_.GroupBox3->isEnabled());
  EXPECT_TRUE(view_.GroupBox4->isEnabled());
  EXPECT_TRUE(view_.statusLabel->isEnabled());
  EXPECT_EQ(view_.ResetPanel->palette().color(QPalette::Disabled, QPalette::Window),
            QColor(0, 128, 0));
  EXPECT_EQ(view_.statusLabel->palette().color(QPalette::Window), QColor(Qt::white));
  form_.EnableControls(true);
  EXPECT_TRUE(view_.ComboBox->isEnabled());
  EXPECT_TRUE(view_.ResetPanel->isEnabled());
}

TEST_F(MainFormTest, StatusTextAndProgressReachTheWidgets) {
  form_.SetStatusText("Konfiguration aus Gerät lesen"_w1252);
  EXPECT_EQ(view_.statusLabel->text(), QString::fromUtf8("Konfiguration aus Gerät lesen"));
  form_.SetProgress(70);
  EXPECT_EQ(view_.ProgressBar->value(), 70);
}

TEST_F(MainFormTest, ErrorAndInfoBoxesHaveTheirCaptionIconTextAndOneOkButton) {
  MessageBoxAnswerer answerer;
  form_.ShowErrorBox(
      "Keine Rückmeldung vom \"Reset\"-Befehl \"ein\" erhalten!\n\n        "
      "Datenübertragung abgebrochen!"_w1252);
  form_.ShowInfoBox("Übertragung erfolgreich beendet! €"_w1252);
  ASSERT_EQ(answerer.boxes().size(), 2u);
  EXPECT_EQ(answerer.boxes()[0].caption, "Fehler");
  EXPECT_EQ(answerer.boxes()[0].icon, QMessageBox::Critical);
  EXPECT_EQ(answerer.boxes()[0].text,
            QString::fromUtf8("Keine Rückmeldung vom \"Reset\"-Befehl \"ein\" erhalten!\n\n"
                              "        Datenübertragung abgebrochen!"));
  EXPECT_EQ(answerer.boxes()[0].buttons.size(), 1);
  EXPECT_EQ(answerer.boxes()[1].caption, "Information");
  EXPECT_EQ(answerer.boxes()[1].icon, QMessageBox::Information);
  EXPECT_EQ(answerer.boxes()[1].text, QString::fromUtf8("Übertragung erfolgreich beendet! €"));
  EXPECT_EQ(answerer.boxes()[1].buttons, QStringList{"OK"});
}

TEST_F(MainFormTest, AnErrorLeavingTimer1IsShownUnderTheApplicationTitleAndTheLoopGoesOn) {
  SetExceptionDisplay(ShowExceptionBox);
  MessageBoxAnswerer answerer;
  int ticks = 0;
  form_.SetTimer1Handler([&] {
    ++ticks;
    view_.Timer1->stop();
    throw Error("Socket-Fehler # 10061\r\nVerbindung abgelehnt."_w1252.data());
  });
  view_.Timer1->start(1);
  ProcessEventsFor(200);
  form_.SetTimer1Handler([&] {
    ++ticks;
    view_.Timer1->stop();
    throw SilentAbort();
  });
  view_.Timer1->start(1);
  ProcessEventsFor(100);
  // A server's reply of megabytes is shown cut, and an exception of another kind by its kind.
  form_.SetTimer1Handler([&] {
    view_.Timer1->stop();
    throw Error("550 " + std::string(3000000, 'x'));
  });
  view_.Timer1->start(1);
  ProcessEventsFor(200);
  form_.SetTimer1Handler([&] {
    view_.Timer1->stop();
    throw std::bad_alloc();
  });
  view_.Timer1->start(1);
  ProcessEventsFor(200);
  SetExceptionDisplay(nullptr);

  EXPECT_EQ(ticks, 2) << "the loop went on after the first error";
  ASSERT_EQ(answerer.boxes().size(), 3u) << "the silent abort shows nothing";
  EXPECT_EQ(answerer.boxes()[1].text, "550 " + QString(996, 'x') + " [...]");
  EXPECT_EQ(answerer.boxes()[2].text, "Zu wenig Arbeitsspeicher.");
  EXPECT_EQ(answerer.boxes()[0].caption, "Korvalesen");
  EXPECT_EQ(answerer.boxes()[0].icon, QMessageBox::Critical);
  EXPECT_EQ(answerer.boxes()[0].text, "Socket-Fehler # 10061\r\nVerbindung abgelehnt.");
  EXPECT_EQ(answerer.boxes()[0].buttons.size(), 1);
}

TEST_F(MainFormTest, Timer2NeverFires) {
  QSignalSpy spy(view_.Timer2, &QTimer::timeout);
  view_.SuchenButton->click();
  ProcessEventsFor(150);
  EXPECT_EQ(spy.count(), 0);
  EXPECT_FALSE(view_.Timer2->isActive());
}

TEST_F(MainFormTest, ASecondPressOfSuchenDoesNotRestartAnArmedTimer) {
  view_.Timer1->stop();
  QSignalSpy ticks(view_.Timer1, &QTimer::timeout);
  view_.SuchenButton->click();
  EXPECT_TRUE(view_.Timer1->isActive());
  ProcessEventsFor(400);
  view_.SuchenButton->click();
  EXPECT_LT(view_.Timer1->remainingTime(), 900) << "the second press restarted the timer";
  EXPECT_EQ(ticks.count(), 0);
}

}  // namespace
}  // namespace korvalesen
