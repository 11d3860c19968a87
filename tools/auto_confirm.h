#pragma once

// Unattended runs: every message box becomes one line of standard output and confirms itself,
// and a window that waits for the user is closed as the user would close it.

#include <string>
#include <string_view>

#include "app/main_form_view.h"

namespace korvalesen::tools {

// "CAPTION: TEXT" in UTF-8; each line break of the text (CR LF, LF or a lone CR) becomes the
// two characters \n.
std::string BoxLine(std::string_view caption_utf8, std::string_view text_w1252);

// From now on every box, the exception display included, is written as its line.
void ConfirmBoxesOnStandardOutput();

// Closes the window once the readout sequence has been left and the messages that are due
// have been shown.
void CloseWindowAfterReadout(MainFormView& window);

}  // namespace korvalesen::tools
