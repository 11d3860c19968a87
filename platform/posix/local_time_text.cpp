// The formats are the C library's LC_TIME formats, nl_langinfo(D_FMT) and nl_langinfo(T_FMT):
// the numeric date and the time with seconds of the user's locale ("%d.%m.%Y" and "%T" in
// de_DE, "%m/%d/%y" and "%H:%M:%S" in C), which is what the short date and long time formats
// are elsewhere. They follow the locale that QCoreApplication installs from the environment;
// QLocale's own formats were not taken, as its long time format carries the time zone.

#include "platform/local_time_text.h"

#include <langinfo.h>

#include <ctime>
#include <string>

namespace korvalesen::platform {

std::string LocalDateTimeText() {
  const std::string format = std::string(nl_langinfo(D_FMT)) + " " + nl_langinfo(T_FMT);
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[128];
  const std::size_t length = std::strftime(text, sizeof text, format.c_str(), &local);
  return std::string(text, length);
}

std::string LocalDateTimeName() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[64];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H.%M.%S", &local);
  return std::string(text, length);
}

}  // namespace korvalesen::platform
