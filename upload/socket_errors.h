#pragma once

#include <string>

namespace korvalesen {

// WSAEMSGSIZE: what a peer sent is longer than the program takes (a reply line, a reply or a
// listing past its limit).
inline constexpr int kMessageTooLong = 10040;

// "Socket-Fehler # <code>\r\n<text>", the text from the table of Windows socket codes (empty
// for a code that is not in it).
std::string SocketErrorMessage(int code);

}  // namespace korvalesen
