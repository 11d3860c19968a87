// The errors whose texts are formatted with a value.

#include "upload/id_errors.h"

#include "common/format_text.h"
#include "common/support_log.h"
#include "upload/socket_errors.h"

namespace korvalesen {

EIdSocketError::EIdSocketError(int code) : EIdException(SocketErrorMessage(code)), code_(code) {
  LogEvent(Message());
}

EIdStackCanNotLoadWinsock::EIdStackCanNotLoadWinsock(const std::string& library)
    : EIdStackError(FormatText("%s konnte nicht geladen werden.", library.c_str())) {}

EIdInvalidCommandArgument::EIdInvalidCommandArgument(const std::string& command)
    : EIdException(FormatText(
          "Der Befehl \"%s\" kann nicht gesendet werden: sein Argument enthält ein Zeilenende "
          "oder ein NUL-Zeichen."_w1252.data(),
          command.c_str())) {}

EConvertError::EConvertError(const std::string& text)
    : Error(FormatText("'%s' ist kein gültiger Integerwert"_w1252.data(), text.c_str())) {}

EFOpenError::EFOpenError(const std::string& path)
    : Error(FormatText("Datei %s kann nicht geöffnet werden"_w1252.data(), path.c_str())) {}

}  // namespace korvalesen
