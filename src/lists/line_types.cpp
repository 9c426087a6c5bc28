// The sixteen line types of list entries.
#include "lists/line_types.h"

namespace {

const LineType lineTypes[LineTypeCount] = {
    {"Command", nullptr, nullptr},
    {"Query", nullptr, nullptr},
    {"OpenPort", "OpenPort <i>",
     "OpenPort <i>: öffnet Port 'i', OpenPort: öffnet intitialisierte ComPorts ( <i> löschen)."},
    {"ClosePort", "ClosePort <i>",
     "ClosePort <i>: schließt Port 'i', ClosePort: schließt alle offenen ComPorts ( <i> löschen)."},
    {"ChangePort", "ChangePort <i>", "Ändert den aktuellen ComPort auf Port-Index <i>"},
    {"Loop", "Loop <i>,<i>,<i>", "Öffnet eine Zählschleife: <from>,<to>,<step>"},
    {"LoopEnd", "LoopEnd", "Beendet den Bereich für die Zählschleife"},
    {"CellPos", "CellPos <i>,<i>",
     "Setzt Zellposition für Tabellenprotokoll <Zeile>,<Spalte>. Unterstützt Berechnungen: "
     "+,-,*,/,(). Platzhalter: #LI, #TR, #TC"},
    {"Write", "Write <s>",
     "Gibt einen als Parameter setzbaren Wert aus. <s>, <i>, <f> werden unterstützt. Parameter "
     "siehe Hilfe!"},
    {"ClearProt", "ClearProt", "Löscht den aktuellen Protokollinhalt in Tabellen und Listenform"},
    {"Beep", "Beep", "Gibt einen Ton über den Systemlautsprecher aus"},
    {"Comment", "Comment: <s>", "Programmkommentarzeile im Parameter ohne Funktion"},
    {"SetDTR", "SetDTR <b>",
     "Setzt DTR auf Hi (=1) oder Low (=0). <b> wird unterstützt. Parameter siehe Hilfe!"},
    {"SetRTS", "SetRTS <b>",
     "Setzt RTS auf Hi (=1) oder Low (=0). <b> wird unterstützt. Parameter siehe Hilfe!"},
    {"MsgBox", "MsgBox <s>,<i>",
     "Öffnet blockierende (modale) MessageBox. <s>= Dialogtext, <i>= Icon (0=Info, 2=Warnung, "
     "3=Frage)"},
    {"PauseOn", "PauseOn <s>",
     "Stellt das laufende Programm auf Pause. <s> kann eine Nachricht ausgeben. Fortführen über "
     "die Toolbar."},
};

} // namespace

const LineType* lineType(long long code)
{
    return code >= 0 && code < LineTypeCount ? &lineTypes[code] : nullptr;
}

bool lineTypeClearsPause(long long code)
{
    return code >= TypeChangePort && code < LineTypeCount;
}

std::string lineTypeColour(long long code)
{
    switch (code) {
    case TypeOpenPort:
    case TypeClosePort:
    case TypeChangePort: return "#ff0000";
    case TypeLoop:
    case TypeLoopEnd: return "#0000ff";
    case TypeCellPos:
    case TypeWrite:
    case TypeClearProt:
    case TypeBeep:
    case TypeComment:
    case TypeMsgBox:
    case TypePauseOn: return "#7f7f7f";
    default: return "#000000";
    }
}
