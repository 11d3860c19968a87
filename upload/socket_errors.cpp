// The socket error texts, bound to the Windows socket error codes.

#include "upload/socket_errors.h"

#include <array>
#include <string_view>

#include "common/format_text.h"
#include "common/windows1252.h"
#include "platform/socket_error_codes.h"

namespace korvalesen {
namespace {

struct SocketErrorText {
  int code;
  std::string_view text;
};

constexpr std::array kSocketErrorTexts = {
    SocketErrorText{platform::kWsaInterrupted, "Unterbrochener Systemaufruf."_w1252},
    SocketErrorText{platform::kWsaBadHandle, "Falsche Dateinummer."_w1252},
    SocketErrorText{platform::kWsaAccessDenied, "Zugriff verweigert."_w1252},
    SocketErrorText{platform::kWsaBadAddress, "Falsche Adresse."_w1252},
    SocketErrorText{platform::kWsaInvalidArgument, "Ungültiges Argument."_w1252},
    SocketErrorText{platform::kWsaTooManyFiles, "Zu viele geöffnete Dateien."_w1252},
    SocketErrorText{platform::kWsaWouldBlock, "Die Operation würde blockieren. "_w1252},
    SocketErrorText{platform::kWsaInProgress, "Die Operation wird gerade durchgeführt."_w1252},
    SocketErrorText{platform::kWsaAlready, "Die Operation wird bereits durchgeführt."_w1252},
    SocketErrorText{platform::kWsaNotSocket, "Socket-Operation auf Nicht-Socket."_w1252},
    SocketErrorText{platform::kWsaDestinationRequired, "Zieladresse erforderlich."_w1252},
    SocketErrorText{platform::kWsaMessageSize, "Die Botschaft ist zu lang."_w1252},
    SocketErrorText{platform::kWsaProtocolType,
                    "Das Protokoll hat für Socket den falschen Typ."_w1252},
    SocketErrorText{platform::kWsaNoProtocolOption, "Falsche Protokolloption."_w1252},
    SocketErrorText{platform::kWsaProtocolNotSupported, "Protokoll wird nicht unterstützt."_w1252},
    SocketErrorText{platform::kWsaSocketTypeNotSupported,
                    "Socket-Typ wird nicht unterstützt."_w1252},
    SocketErrorText{platform::kWsaOperationNotSupported,
                    "Die Operation wird bei Socket nicht unterstützt."_w1252},
    SocketErrorText{platform::kWsaProtocolFamilyNotSupported,
                    "Die Protokollfamilie wird nicht unterstützt."_w1252},
    SocketErrorText{platform::kWsaAddressFamilyNotSupported,
                    "Die Adreßfamilie wird von der Protokollfamilie nicht unterstützt."_w1252},
    SocketErrorText{platform::kWsaAddressInUse, "Die Adresse ist bereits in Gebrauch."_w1252},
    SocketErrorText{platform::kWsaAddressNotAvailable,
                    "Die angeforderte Adresse kann nicht zugewiesen werden."_w1252},
    SocketErrorText{platform::kWsaNetworkDown, "Netzwerk ist ausgefallen."_w1252},
    SocketErrorText{platform::kWsaNetworkUnreachable, "Netzwerk ist nicht erreichbar."_w1252},
    SocketErrorText{platform::kWsaNetworkReset,
                    "Netz hat die Verbindung verloren oder zurückgesetzt."_w1252},
    SocketErrorText{platform::kWsaConnectionAborted,
                    "Die Software hat den Abbruch der Verbindung verursacht."_w1252},
    SocketErrorText{platform::kWsaConnectionReset,
                    "Die Verbindung wurde von Peer zurückgesetzt."_w1252},
    SocketErrorText{platform::kWsaNoBuffers, "Es ist kein Pufferplatz verfügbar."_w1252},
    SocketErrorText{platform::kWsaIsConnected, "Socket ist bereits verbunden."_w1252},
    SocketErrorText{platform::kWsaNotConnected, "Socket ist nicht verbunden."_w1252},
    SocketErrorText{platform::kWsaShutDown,
                    "Nach Schließen des Socket kann weder gesendet noch empfangen werden."_w1252},
    SocketErrorText{platform::kWsaTooManyReferences, "Zu viele Referenzen."_w1252},
    SocketErrorText{platform::kWsaTimedOut, "Zeitüberschreitung bei Verbindung."_w1252},
    SocketErrorText{platform::kWsaConnectionRefused, "Verbindung abgelehnt."_w1252},
    SocketErrorText{platform::kWsaLoop, "Zu viele Ebenen von symbolischen Links."_w1252},
    SocketErrorText{platform::kWsaNameTooLong, "Dateiname ist zu lang."_w1252},
    SocketErrorText{platform::kWsaHostDown, "Der Host ist ausgefallen."_w1252},
    SocketErrorText{platform::kWsaHostUnreachable, "Keine Route zum Host."_w1252},
    SocketErrorText{platform::kWsaNotEmpty, "Verzeichnis ist nicht leer"_w1252},
};

}  // namespace

std::string SocketErrorMessage(int code) {
  std::string_view text;
  for (const auto& entry : kSocketErrorTexts) {
    if (entry.code == code) text = entry.text;
  }
  return FormatText("Socket-Fehler # %d\r\n%s", code, std::string(text).c_str());
}

}  // namespace korvalesen
