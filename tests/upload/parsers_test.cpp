// The parsers of replies, passive addresses and listings, and the socket error texts.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/windows1252.h"
#include "upload/ftp_reply.h"
#include "upload/id_errors.h"
#include "upload/listing.h"
#include "upload/pasv_reply.h"
#include "upload/socket_errors.h"
#include "upload/socket_stack.h"

namespace korvalesen {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(ReplyCode, FromTheLastLine) {
  EXPECT_EQ(ReplyCodeOf("220 ready"), 220);
  EXPECT_EQ(ReplyCodeOf("+ok fine"), 1);
  EXPECT_EQ(ReplyCodeOf("-Err no"), 0);
  EXPECT_EQ(ReplyCodeOf("abc"), 0);
  EXPECT_EQ(ReplyCodeOf("22"), 22);
  EXPECT_EQ(ReplyCodeOf("2x0 what"), 0);
  EXPECT_EQ(ReplyCodeOf("-12 signed"), -12);
  EXPECT_EQ(ReplyCodeOf("+12 signed"), 12);
  EXPECT_EQ(ReplyCodeOf("+-1 two signs"), 0);
  EXPECT_EQ(ReplyCodeOf("++1 two signs"), 0);
}

TEST(ReplyCode, MultiLineEnds) {
  EXPECT_TRUE(StartsMultiLineReply("220-Welcome"));
  EXPECT_FALSE(StartsMultiLineReply("220 Welcome"));
  EXPECT_FALSE(StartsMultiLineReply("220"));
  EXPECT_FALSE(EndsMultiLineReply("220-Welcome", "220-more"));
  EXPECT_FALSE(EndsMultiLineReply("220-Welcome", "221 other code"));
  EXPECT_TRUE(EndsMultiLineReply("220-Welcome", "220 done"));
  EXPECT_TRUE(EndsMultiLineReply("abc-Welcome", "ABC done"));
  EXPECT_TRUE(EndsMultiLineReply("220-Welcome", "220"));
  // Real banners hold short lines; only the end line ends the reply.
  EXPECT_FALSE(EndsMultiLineReply("220-Welcome", "--"));
  EXPECT_FALSE(EndsMultiLineReply("220-Welcome", "Hi"));
  EXPECT_FALSE(EndsMultiLineReply("220-Welcome", "2200 four digits"));
}

TEST(PassiveReply, WithAndWithoutParentheses) {
  const auto with = ParsePassiveReply("227 Entering Passive Mode (10,0,0,5,4,1)");
  EXPECT_EQ(with.address, "10.0.0.5");
  EXPECT_EQ(with.port, 1025);
  const auto without = ParsePassiveReply("227 10,0,0,5,4,1");
  EXPECT_EQ(without.address, "10.0.0.5");
  EXPECT_EQ(without.port, 1025);
  EXPECT_EQ(ParsePassiveReply("227 Entering Passive Mode (192,168,1,2,19,137).").port, 5001);
}

TEST(PassiveReply, FieldsThatAreNotNumbers) {
  try {
    ParsePassiveReply("227 Entering Passive Mode (10,0,0,5,x4,1)");
    FAIL() << "no error";
  } catch (const EConvertError& error) {
    EXPECT_EQ(error.Message(), "'x4' ist kein gültiger Integerwert"_w1252);
  }
  EXPECT_THROW(ParsePassiveReply("227 passive"), EConvertError);
  EXPECT_THROW(ParsePassiveReply("227 (1,2,3,4,5)"), EConvertError);
}

TEST(PassiveReply, PortsOutsideTheRangeNameTheirField) {
  EXPECT_EQ(ParsePassiveReply("227 (1,2,3,4,255,255)").port, 65535);
  EXPECT_EQ(ParsePassiveReply("227 (1,2,3,4,0,1000)").port, 1000);
  const std::pair<const char*, const char*> refused[] = {
      {"227 (1,2,3,4,256,0)", "'256'"},
      {"227 (1,2,3,4,255,2525)", "'2525'"},
      {"227 (1,2,3,4,-1,255)", "'-1'"},
      {"227 (1,2,3,4,0,-1)", "'-1'"},
      {"227 (1,2,3,4,2147483647,2147483647)", "'2147483647'"},
      {"227 (1,2,3,4,+-1,5)", "'+-1'"},
  };
  for (const auto& [line, field] : refused) {
    try {
      ParsePassiveReply(line);
      ADD_FAILURE() << line << ": no error";
    } catch (const EConvertError& error) {
      EXPECT_EQ(error.Message(), field + std::string(" ist kein gültiger Integerwert"_w1252))
          << line;
    }
  }
}

TEST(Listing, SplitsAtEveryLineEnd) {
  EXPECT_THAT(SplitListing("a\r\nb\nc\rd", 4).value(), ElementsAre("a", "b", "c", "d"));
  EXPECT_THAT(SplitListing("a\r\n\r\nb\r\n", 3).value(), ElementsAre("a", "", "b"));
  EXPECT_THAT(SplitListing(std::string_view("a\nb\0c\n", 6), 2).value(), ElementsAre("a", "b"));
  EXPECT_THAT(SplitListing("", 0).value(), IsEmpty());
  // Bare line ends would cost a line object each; past the limit the split refuses.
  EXPECT_EQ(SplitListing("a\r\n\r\nb\r\n", 2), std::nullopt);
  EXPECT_EQ(SplitListing("\n\n\n", 2), std::nullopt);
}

TEST(Listing, NameMatchesOnlyAsTheWholeLastField) {
  EXPECT_TRUE(ListingLineNames("drwxr-xr-x 2 ftp ftp 4096 Jan 1 12:00 import", "import"));
  EXPECT_TRUE(ListingLineNames("-rw-r--r-- 1 ftp ftp 12\t_Konfig.lcd", "_Konfig.lcd"));
  EXPECT_TRUE(ListingLineNames("import", "import"));
  EXPECT_FALSE(ListingLineNames("drwxr-xr-x 2 ftp ftp 4096 Jan 1 12:00 reimport", "import"));
  EXPECT_FALSE(ListingLineNames("-rw-r--r-- 1 ftp ftp 9 old_Konfig.lcd", "_Konfig.lcd"));
  EXPECT_FALSE(ListingLineNames("drwxr-xr-x 2 ftp ftp 4096 Jan 1 12:00 Import", "import"));
  EXPECT_FALSE(ListingLineNames("import.bak", "import"));
  EXPECT_TRUE(ListingLineNames(std::string_view("x import\0tail", 13), "import"));
  const std::string long_line = std::string(400, 'x') + " import";
  EXPECT_TRUE(ListingLineNames(long_line, "import"));
  EXPECT_FALSE(ListingLineNames(std::string(400, 'x') + "import", "import"));
}

TEST(SocketErrors, KnownAndUnknownCodes) {
  EXPECT_EQ(SocketErrorMessage(10061), "Socket-Fehler # 10061\r\nVerbindung abgelehnt.");
  EXPECT_EQ(SocketErrorMessage(10035),
            "Socket-Fehler # 10035\r\nDie Operation würde blockieren. "_w1252);
  EXPECT_EQ(SocketErrorMessage(10066), "Socket-Fehler # 10066\r\nVerzeichnis ist nicht leer");
  EXPECT_EQ(SocketErrorMessage(10060),
            "Socket-Fehler # 10060\r\nZeitüberschreitung bei Verbindung."_w1252);
  EXPECT_EQ(SocketErrorMessage(11001), "Socket-Fehler # 11001\r\n");
  EXPECT_EQ(EIdSocketError(10054).Message(),
            "Socket-Fehler # 10054\r\nDie Verbindung wurde von Peer zurückgesetzt."_w1252);
}

TEST(DottedAddress, FourNumbersUpTo255) {
  EXPECT_TRUE(IsDottedAddress("127.0.0.1"));
  EXPECT_TRUE(IsDottedAddress("255.255.255.255"));
  EXPECT_FALSE(IsDottedAddress("256.0.0.1"));
  EXPECT_FALSE(IsDottedAddress("1.2.3"));
  EXPECT_FALSE(IsDottedAddress("1.2.3.4.5"));
  EXPECT_FALSE(IsDottedAddress("localhost"));
  EXPECT_FALSE(IsDottedAddress("1.2..4"));
  // The system refuses a leading zero (some read it as octal): such a text is a name.
  EXPECT_FALSE(IsDottedAddress("010.0.0.1"));
  EXPECT_FALSE(IsDottedAddress("1.2.3.00"));
  EXPECT_TRUE(IsDottedAddress("10.0.0.0"));
}

}  // namespace
}  // namespace korvalesen
