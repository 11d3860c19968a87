#pragma once

// What a message box shows of a text. A server's reply line, shown as an error, can be tens of
// kilobytes long; laying out such a box would freeze the window. The box shows its first 1000
// characters, visibly cut with " [...]".

#include <string>
#include <string_view>

namespace korvalesen {

std::string BoxText(std::string_view text);

}  // namespace korvalesen
