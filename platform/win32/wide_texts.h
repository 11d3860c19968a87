#pragma once

// System texts that code page 1252 cannot hold (a system message in Greek, Russian, Chinese):
// the program's texts are Windows-1252, where such a text has '?' for what does not fit, so
// its UTF-16 original is kept here and a box shows that through the W call.

#include <string>
#include <string_view>

namespace korvalesen::platform {

// The Windows-1252 form of a system text; one that does not fit whole is remembered (the last
// few such texts) under that form.
std::string SystemText1252(std::wstring_view text);

// A Windows-1252 text in UTF-16 for a W call, with each remembered system text in it restored
// to its original.
std::wstring WideWithSystemTexts(std::string_view text);

}  // namespace korvalesen::platform
