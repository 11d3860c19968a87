#include "common/windows1252.h"

#include <gtest/gtest.h>

#include "common/format_text.h"

namespace korvalesen {
namespace {

TEST(Windows1252Literal, ConvertsUmlautsToSingleBytes) {
  constexpr auto text = "Gerät für Prüfung"_w1252;
  EXPECT_EQ(text, std::string_view("Ger\xE4t f\xFCr Pr\xFC"
                                   "fung"));
  EXPECT_EQ(text.data()[text.size()], '\0');
  EXPECT_EQ("Übertragung ß ö"_w1252, std::string_view("\xDC"
                                                      "bertragung \xDF \xF6"));
}

TEST(Windows1252Literal, MapsTheHighControlRange) {
  EXPECT_EQ("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ"_w1252,
            std::string_view("\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E\x91\x92\x93"
                             "\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F"));
}

TEST(Windows1252, DecodesEveryByteAndEncodesItBack) {
  for (int byte = 0; byte < 256; ++byte) {
    const char32_t code_point = DecodeW1252(static_cast<unsigned char>(byte));
    const auto back = EncodeW1252(code_point);
    ASSERT_TRUE(back.has_value()) << byte;
    EXPECT_EQ(*back, byte);
  }
  EXPECT_EQ(DecodeW1252(0x80), U'\u20AC');
  EXPECT_EQ(DecodeW1252(0x9F), U'\u0178');
  EXPECT_EQ(DecodeW1252(0xE4), U'\u00E4');
  EXPECT_FALSE(EncodeW1252(U'\u0100').has_value());
}

TEST(Windows1252, ConvertsToAndFromUtf8) {
  const std::string w1252 = "KpD#Ra27\xE4Molch \x80";
  const std::string utf8 = W1252ToUtf8(w1252);
  EXPECT_EQ(utf8, "KpD#Ra27äMolch €");
  EXPECT_EQ(Utf8ToW1252(utf8), w1252);
  EXPECT_EQ(Utf8ToW1252("a\xFF"
                        "b Ā"),
            "a?b ?");
  EXPECT_EQ(Utf8ToW1252("\xC3"), "?");
  EXPECT_EQ(Utf8ToW1252Exactly(utf8), w1252);
  EXPECT_EQ(Utf8ToW1252Exactly("b Ā"), std::nullopt);
  EXPECT_EQ(Utf8ToW1252Exactly("a\xFF"), std::nullopt);
}

TEST(FormatText, FormatsIntoABoundedBuffer) {
  EXPECT_EQ(FormatText("ComPortError:  %s !", "ttyUSB0"), "ComPortError:  ttyUSB0 !");
  EXPECT_EQ(FormatText("%d.%d", 7, 2), "7.2");
  const std::string long_name(400, 'x');
  EXPECT_EQ(FormatText("%s", long_name.c_str()).size(), 299u);
}

}  // namespace
}  // namespace korvalesen
