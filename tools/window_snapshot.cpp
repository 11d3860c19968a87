// Renders the main window into a PNG file, so that it can be looked at without a desktop:
//   korvalesen-snapshot <file.png>
// The resolution follows the toolkit's scaling (QT_SCALE_FACTOR=1.5 shows 144 pixels per inch).

#include <QApplication>
#include <cstdio>

#include "app/main_form.h"
#include "app/qt/qt_main_form_view.h"
#include "platform/qt/qt_user_interface_loop.h"

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <file.png>\n", argv[0]);
    return 2;
  }
  QApplication application(argc, argv);
  korvalesen::platform::InstallQtUserInterfaceLoop();
  korvalesen::QtMainFormView view;
  korvalesen::TMainForm form(view);
  form.Timer1.SetEnabled(false);
  view.show();
  QApplication::processEvents();
  if (!view.grab().save(QString::fromLocal8Bit(argv[1]))) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
