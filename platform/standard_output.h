#pragma once

// Standard output written byte for byte: UTF-8 lines that end in a bare line feed reach a
// pipe or a file unchanged on every system, and a console shows them as UTF-8. (Windows'
// runtime would turn each line feed into CR LF, and its console would read the bytes in its
// own code page.)

namespace korvalesen::platform {

void WriteStandardOutputAsUtf8Bytes();

}  // namespace korvalesen::platform
