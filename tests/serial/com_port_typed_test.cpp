// The typed reads and writes over the virtual serial line.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>

#include "tests/serial/virtual_port.h"

namespace korvalesen {
namespace {

using namespace std::chrono_literals;

class ComPortTypedTest : public ::testing::Test, public testing::VirtualPort {
 protected:
  void SetUp() override { port->Open(); }
  TBytes Bytes(const std::string& s) { return TBytes(s.begin(), s.end()); }
};

TEST_F(ComPortTypedTest, WordsAndDoubleWordsTravelLeastSignificantByteFirst) {
  port->WriteWord(0x1234);
  port->WriteDWord(0x89ABCDEF);
  EXPECT_EQ(line.TakeReceived(), "\x34\x12\xEF\xCD\xAB\x89");
  line.Send("\x34\x12\xEF\xCD\xAB\x89");
  EXPECT_EQ(port->ReadWord(), 0x1234);
  EXPECT_EQ(port->ReadDWord(), 0x89ABCDEFu);
  port->WriteChar('\xFF');
  port->WriteAnsiChar('a');
  EXPECT_EQ(line.TakeReceived(),
            "\xFF"
            "a");
  line.Send("\xE4z");
  EXPECT_EQ(port->ReadChar(), '\xE4');
  EXPECT_EQ(port->ReadAnsiChar(), 'z');
}

TEST_F(ComPortTypedTest, ReadStringTakesWhatIsWaitingAndNothingWhenNothingIs) {
  EXPECT_EQ(port->ReadString(), "");  // returns at once with an empty queue
  line.Send(std::string("ab\0c", 4));
  EXPECT_EQ(port->ReadAnsiString(), std::string("ab\0c", 4));
  EXPECT_EQ(port->InputCount(), 0);
  line.Send("xyz");
  EXPECT_EQ(port->ReadBytes(), Bytes("xyz"));
  EXPECT_TRUE(port->ReadBytes().empty());
}

TEST_F(ComPortTypedTest, AReadStartedWithoutWaitingKeepsItsBytes) {
  // The pending read takes the first two bytes; ReadString and ReadBytes get the rest.
  // Counting them twice would make a read of four that waits for bytes that never come; such
  // a read is released after 2 s by more bytes.
  auto within_2s = [this](auto read) {
    auto result = std::async(std::launch::async, read);
    if (result.wait_for(2s) != std::future_status::ready) {
      ADD_FAILURE() << "the read waited for bytes the pending read had taken";
      line.Send("??");
    }
    return result.get();
  };
  char first[2] = {};
  port->Read(first, 2, false);
  line.Send("abcd");
  EXPECT_EQ(within_2s([&] { return port->ReadString(); }), "cd");
  EXPECT_EQ(std::string(first, 2), "ab");
  port->Read(first, 2, false);
  line.Send("efgh");
  EXPECT_EQ(within_2s([&] { return port->ReadBytes(); }), Bytes("gh"));
  EXPECT_EQ(std::string(first, 2), "ef");
}

TEST_F(ComPortTypedTest, UntilAndLineFormsKeepTheirTerminator) {
  line.Send("one;two\rthree\rfour\r\xC3\xA4;\xE2\x82\xAC\r");
  EXPECT_EQ(port->ReadUntil(';'), "one;");
  EXPECT_EQ(port->ReadLine(), "two\r");
  EXPECT_EQ(port->ReadAnsiLine(), "three\r");
  EXPECT_EQ(port->ReadLineBytes(), Bytes("four\r"));
  EXPECT_EQ(port->ReadUntilUtf8(';'), u"\u00E4;");
  EXPECT_EQ(port->ReadLineUtf8(), u"\u20AC\r");
  line.Send("\x01\x02\xFF\x03");
  EXPECT_EQ(port->ReadUntilBytes(0xFF), (TBytes{1, 2, 0xFF}));
  EXPECT_EQ(port->ReadAnsiUntil('\x03'), "\x03");
}

TEST_F(ComPortTypedTest, LineWritesEndInACarriageReturn) {
  port->WriteLine("AT");
  port->WriteAnsiLine("");
  port->WriteLineBytes({0x00, 0x0D});
  port->WriteLineUtf8(u"\u00FC");
  EXPECT_EQ(line.TakeReceived(), std::string("AT\r\r\0\r\r\xC3\xBC\r", 10));
  port->WriteString("s");
  port->WriteAnsiString("t");
  port->WriteBytes(Bytes("u"));
  EXPECT_EQ(line.TakeReceived(), "stu");
}

TEST_F(ComPortTypedTest, Utf8BothWaysWithCharactersBeyondTheBasicPlane) {
  const std::u16string text = u"Ger\u00E4t \u20AC \U0001F600";
  port->WriteUtf8(text);
  const std::string encoded = "Ger\xC3\xA4t \xE2\x82\xAC \xF0\x9F\x98\x80";
  EXPECT_EQ(line.TakeReceived(), encoded);
  line.Send(encoded);
  EXPECT_EQ(port->ReadUtf8(), text);
  // Bytes that are no UTF-8 become the replacement character, not a cut-off text.
  line.Send(
      "a\xFF"
      "b");
  EXPECT_EQ(port->ReadUtf8(), u"a\uFFFDb");
  // A cut-off sequence counts once; overlong forms and encoded surrogates are no UTF-8.
  line.Send("\xE2\x82x\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80");
  EXPECT_EQ(port->ReadUtf8(), std::u16string(u"\uFFFDx") + std::u16string(9, u'\uFFFD'));
  // An unpaired surrogate is written as the replacement character.
  port->WriteUtf8(std::u16string(u"a") + char16_t{0xD800} + u"b" + char16_t{0xDC00});
  EXPECT_EQ(line.TakeReceived(),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
}

TEST_F(ComPortTypedTest, ClosedPortRaisesForEveryForm) {
  port->Close();
  const std::string closed = "0 Can't perform this operation on a closed port";
  EXPECT_EQ(ErrorText([&] { port->ReadString(); }), closed);
  EXPECT_EQ(ErrorText([&] { port->ReadWord(); }), closed);
  EXPECT_EQ(ErrorText([&] { port->WriteLine("x"); }), closed);
  EXPECT_EQ(ErrorText([&] { port->WriteUtf8(u"x"); }), closed);
}

}  // namespace
}  // namespace korvalesen
