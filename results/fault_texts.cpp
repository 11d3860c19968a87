#include "results/fault_texts.h"

#include "common/windows1252.h"

namespace korvalesen {

FaultTextTable BuildFaultTexts() {
  return {{
      "Gerät wurde vom Benutzer abgeschaltet."_w1252,
      "Maximales SWR überschritten, PTT 5 sek blockiert."_w1252,
      "PTT während der Vorheizzeit eingeschaltet, nur Meldung."_w1252,
      "I-Anode hat 5 Sekunden lang den Spitzenwert überschritten, PTT 5 sek blockiert."_w1252,
      "I-Anode hat den integrierter Spitzenwert überschritten, PTT 5 sek blockiert."_w1252,
      "I-Anode hat den absoluten Spitzenwert überschritten, PTT 5 sek blockiert."_w1252,
      "I-Anode < Minimalwert und I-G2 > Maximalwert. (HV-Sicherung prüfen)"_w1252,
      "U-Anode hat den Minimalwert unterschritten."_w1252,
      "U-Anode hat den Maximalwert überschritten."_w1252,
      "Fehlerspeicher gelöscht."_w1252,
      "Betriebsstunden-Zähler gelöscht."_w1252,
      "U-G1 hat den Minimalwert unterschritten."_w1252,
      "Dauerträger 5 sek überschritten, PTT 5 sek blockiert."_w1252,
      "Unerwarteter Prozessor-Neustart."_w1252,
      "U-G1 hat den Maximalwert überschritten."_w1252,
      "U-G2 hat den Minimalwert unterschritten."_w1252,
      "U-G2 hat den Maximalwert überschritten."_w1252,
      "Spitzenleistungsvorgabe 5 sek überschritten, PTT 5 sek blockiert."_w1252,
      "U-12V hat den Maximalwert überschritten."_w1252,
      "U-24V hat den Minimalwert unterschritten."_w1252,
      "U-24V hat den Maximalwert überschritten."_w1252,
      "Eingangsleistung zu hoch (IG1)."_w1252,
      "Gerät wurde vom Benutzer eingeschaltet."_w1252,
      "UA nach Startzeitfenster zu gering (nur bei getrenntem Anodentrafo)."_w1252,
      "U-HZ hat den Minimalwert unterschritten."_w1252,
      "U-HZ hat den Maximalwert überschritten."_w1252,
      "UA zu nieder, Notabschaltung."_w1252,
      "UG1 zu nieder, Notabschaltung."_w1252,
      "Verlustleistung hat den maximalen Wert 5 sek überschritten, PTT 5 sek blockiert."_w1252,
      "Fehler beim Anodentrafo einschalten, Anodentrafo wurde wieder abgeschaltet."_w1252,
      "PTT wegen fehlender Anodenspannung auf Dauer blockiert."_w1252,
      "UG2 zu nieder, Notabschaltung."_w1252,
      "Prüfjumper ist gesteckt."_w1252,
      "nc"_w1252,
      "Maximaler Rücklauf überschritten, PTT 5 sek blockiert."_w1252,
      "nc"_w1252,
      "nc"_w1252,
      "U12 Minimalwert unterschritten, Notabschaltung."_w1252,
      "Unzulässiger Anodenstrom in der Aufwärmphase, Notabschaltung."_w1252,
      "Ungültige Fehlertext-Nr."_w1252,
  }};
}

}  // namespace korvalesen
