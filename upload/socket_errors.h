#pragma once

#include <string>

namespace korvalesen {

// "Socket-Fehler # <code>\r\n<text>", the text from the table of Windows socket codes (empty
// for a code that is not in it).
std::string SocketErrorMessage(int code);

}  // namespace korvalesen
