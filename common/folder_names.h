#pragma once

// The rules for names the program makes folders of: the board's serial number on the server
// and in the folder of unsent results.

#include <string>
#include <string_view>

namespace korvalesen {

// Whether the name can be one folder on the server, below "import", and on the local disk of
// Linux and Windows: not empty, not beginning with "." nor ending with a blank or ".", no name
// Windows reserves for a device (CON, NUL, COM1, ...), and no byte below 0x20, no 0x7F, no "/"
// and no "\".
bool IsServerFolderName(std::string_view name);

// Whether the name can be a folder on the local disk on Linux and on Windows alike: a server
// folder name without any of : * ? " < > | either.
bool IsLocalFolderName(std::string_view name);

// The text with each byte below 0x20 and 0x7F shown as "?", for a message box.
std::string PrintableText(std::string_view text);

}  // namespace korvalesen
