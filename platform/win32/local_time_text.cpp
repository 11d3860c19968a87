// The user's short date format and time format (which is the long one, with seconds), as
// GetDateFormat and GetTimeFormat give them.

#include "platform/local_time_text.h"

#include <windows.h>

#include <cstdio>

#include "platform/win32/code_page.h"

namespace korvalesen::platform {

std::string LocalDateTimeText() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  wchar_t date[128] = {};
  wchar_t time[128] = {};
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, 128);
  GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &now, nullptr, time, 128);
  return Windows1252From(date) + " " + Windows1252From(time);
}

std::string LocalDateTimeName() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u.%02u.%02u", now.wYear, now.wMonth, now.wDay,
                now.wHour, now.wMinute, now.wSecond);
  return text;
}

std::string LocalTimeStampText() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char text[40];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", now.wYear, now.wMonth,
                now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
  return text;
}

}  // namespace korvalesen::platform
