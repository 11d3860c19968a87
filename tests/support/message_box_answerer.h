#pragma once

// Answers the modal message boxes that code under test shows: records caption, icon, text and
// buttons of each, then presses its "OK". The test runs the code that shows the box after
// creating the answerer.

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <vector>

namespace korvalesen::testing {

struct ShownBox {
  QString caption;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString text;
  QStringList buttons;
};

class MessageBoxAnswerer {
 public:
  MessageBoxAnswerer() {
    QObject::connect(&poll_, &QTimer::timeout, [this] { AnswerOpenBox(); });
    poll_.start(5);
  }

  const std::vector<ShownBox>& boxes() const { return boxes_; }

 private:
  void AnswerOpenBox() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    ShownBox shown{box->windowTitle(), box->icon(), box->text(), {}};
    for (QAbstractButton* button : box->buttons()) shown.buttons << button->text();
    boxes_.push_back(shown);
    if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
      ok->click();
    } else {
      box->reject();
    }
  }

  QTimer poll_;
  std::vector<ShownBox> boxes_;
};

}  // namespace korvalesen::testing
