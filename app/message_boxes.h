#pragma once

// The program's modal message boxes: a beep, then one "OK" button, centred on the screen. A
// text longer than 1000 characters is cut there and ends in " [...]". Captions and texts are
// Windows-1252 bytes.

#include <functional>
#include <string_view>

#include "app/main_form_view.h"
#include "common/errors.h"

namespace korvalesen {

// "Korvalesen": the application's title, also the caption of the exception display.
inline constexpr char kApplicationTitle[] = "Korvalesen";

void ShowMessageBox(BoxKind kind, std::string_view caption, std::string_view text);

// What shows a box after the beep and returns once it has been confirmed: by default the
// toolkit's modal box; the simulator-driven variant puts in its own. An empty presenter
// restores the default.
using MessageBoxPresenter =
    std::function<void(BoxKind kind, std::string_view caption, std::string_view text)>;
void SetMessageBoxPresenter(MessageBoxPresenter presenter);

// The exception display: the error's text under the application title with the error icon.
void ShowExceptionBox(const Error& error);

// The toolkit's part, one implementation per toolkit: the system's default beep, and the modal
// box with the kind's icon.
void SoundDefaultBeep();
void ShowModalBox(BoxKind kind, std::string_view caption, std::string_view text);

}  // namespace korvalesen
