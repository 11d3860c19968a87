// The line that korvalesen-sim --auto-confirm writes for a message box.

#include <gtest/gtest.h>

#include "common/windows1252.h"
#include "tools/auto_confirm.h"

namespace korvalesen::tools {
namespace {

TEST(BoxLineTest, EachLineBreakBecomesBackslashN) {
  // A socket error's text breaks its line with CR LF, the program's own texts with LF.
  EXPECT_EQ(BoxLine("Korvalesen", "Socket-Fehler # 10061\r\nVerbindung abgelehnt"),
            "Korvalesen: Socket-Fehler # 10061\\nVerbindung abgelehnt");
  EXPECT_EQ(BoxLine("Fehler", "a\n\nb\rc\r"), "Fehler: a\\n\\nb\\nc\\n");
}

TEST(BoxLineTest, TheTextIsWrittenInUtf8) {
  EXPECT_EQ(BoxLine("Information", "Übertragung erfolgreich beendet! €"_w1252),
            "Information: Übertragung erfolgreich beendet! €");
}

}  // namespace
}  // namespace korvalesen::tools
