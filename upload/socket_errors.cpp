// The socket error texts, bound to the Windows socket error codes.

#include "upload/socket_errors.h"

#include <array>
#include <string_view>

#include "common/format_text.h"
#include "common/windows1252.h"

namespace korvalesen {
namespace {

struct SocketErrorText {
  int code;
  std::string_view text;
};

constexpr std::array kSocketErrorTexts = {
    SocketErrorText{10004, "Unterbrochener Systemaufruf."_w1252},
    SocketErrorText{10009, "Falsche Dateinummer."_w1252},
    SocketErrorText{10013, "Zugriff verweigert."_w1252},
    SocketErrorText{10014, "Falsche Adresse."_w1252},
    SocketErrorText{10022, "Ungültiges Argument."_w1252},
    SocketErrorText{10024, "Zu viele geöffnete Dateien."_w1252},
    SocketErrorText{10035, "Die Operation würde blockieren. "_w1252},
    SocketErrorText{10036, "Die Operation wird gerade durchgeführt."_w1252},
    SocketErrorText{10037, "Die Operation wird bereits durchgeführt."_w1252},
    SocketErrorText{10038, "Socket-Operation auf Nicht-Socket."_w1252},
    SocketErrorText{10039, "Zieladresse erforderlich."_w1252},
    SocketErrorText{10040, "Die Botschaft ist zu lang."_w1252},
    SocketErrorText{10041, "Das Protokoll hat für Socket den falschen Typ."_w1252},
    SocketErrorText{10042, "Falsche Protokolloption."_w1252},
    SocketErrorText{10043, "Protokoll wird nicht unterstützt."_w1252},
    SocketErrorText{10044, "Socket-Typ wird nicht unterstützt."_w1252},
    SocketErrorText{10045, "Die Operation wird bei Socket nicht unterstützt."_w1252},
    SocketErrorText{10046, "Die Protokollfamilie wird nicht unterstützt."_w1252},
    SocketErrorText{10047,
                    "Die Adreßfamilie wird von der Protokollfamilie nicht unterstützt."_w1252},
    SocketErrorText{10048, "Die Adresse ist bereits in Gebrauch."_w1252},
    SocketErrorText{10049, "Die angeforderte Adresse kann nicht zugewiesen werden."_w1252},
    SocketErrorText{10050, "Netzwerk ist ausgefallen."_w1252},
    SocketErrorText{10051, "Netzwerk ist nicht erreichbar."_w1252},
    SocketErrorText{10052, "Netz hat die Verbindung verloren oder zurückgesetzt."_w1252},
    SocketErrorText{10053, "Die Software hat den Abbruch der Verbindung verursacht."_w1252},
    SocketErrorText{10054, "Die Verbindung wurde von Peer zurückgesetzt."_w1252},
    SocketErrorText{10055, "Es ist kein Pufferplatz verfügbar."_w1252},
    SocketErrorText{10056, "Socket ist bereits verbunden."_w1252},
    SocketErrorText{10057, "Socket ist nicht verbunden."_w1252},
    SocketErrorText{10058,
                    "Nach Schließen des Socket kann weder gesendet noch empfangen werden."_w1252},
    SocketErrorText{10059, "Zu viele Referenzen."_w1252},
    SocketErrorText{10060, "Zeitüberschreitung bei Verbindung."_w1252},
    SocketErrorText{10061, "Verbindung abgelehnt."_w1252},
    SocketErrorText{10062, "Zu viele Ebenen von symbolischen Links."_w1252},
    SocketErrorText{10063, "Dateiname ist zu lang."_w1252},
    SocketErrorText{10064, "Der Host ist ausgefallen."_w1252},
    SocketErrorText{10065, "Keine Route zum Host."_w1252},
    SocketErrorText{10066, "Verzeichnis ist nicht leer"_w1252},
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
