// System texts that code page 1252 cannot hold reach the W calls whole.

#include "platform/win32/wide_texts.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/comm_device.h"
#include "platform/win32/system_error.h"

namespace korvalesen::platform {
namespace {

TEST(WideTexts, ASystemTextOutsideCodePage1252IsRestoredWhereverItStands) {
  const std::string russian = SystemText1252(L"\u041E\u0442\u043A\u0430\u0437\u0430\u043D\u043E.");
  EXPECT_EQ(russian, "????????.");
  const std::string greek = SystemText1252(L"\u0394\u03B5\u03BD \u00E9.");
  EXPECT_EQ(greek, "??? \xE9.");
  EXPECT_EQ(SystemText1252(L"Zugriff verweigert \u00FC."), "Zugriff verweigert \xFC.");

  EXPECT_EQ(WideWithSystemTexts("ComPortError: " + russian + "\r\nCOM3 " + greek),
            L"ComPortError: \u041E\u0442\u043A\u0430\u0437\u0430\u043D\u043E.\r\nCOM3 "
            L"\u0394\u03B5\u03BD \u00E9.");
  // A '?' of the program's own stays one.
  EXPECT_EQ(WideWithSystemTexts("Wer? \xDC"), L"Wer? \u00DC");
}

TEST(WideTexts, TheErrorOfACodeCarriesTheSystemsWholeText) {
  const SysError error = WindowsError(ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(error.Code(), ERROR_FILE_NOT_FOUND);
  wchar_t expected[512] = {};
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 ERROR_FILE_NOT_FOUND, 0, expected, 512, nullptr);
  std::wstring text = expected;
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(WideWithSystemTexts(error.what()), text);
}

}  // namespace
}  // namespace korvalesen::platform
