// The sixteen line types of list entries.
#include "common/line_types.h"

#include "common/text.h"

namespace {

constexpr const char* black = "#000000";
constexpr const char* red = "#ff0000";
constexpr const char* blue = "#0000ff";
constexpr const char* grey = "#7f7f7f";

const LineType lineTypes[LineTypeCount] = {
    {"Command", nullptr, nullptr, black, false, SendCase::Device, nullptr, true},
    {"Query", nullptr, nullptr, black, false, SendCase::Device, nullptr, true},
    {"OpenPort", "OpenPort <i>",
     "OpenPort <i>: öffnet Port 'i', OpenPort: öffnet intitialisierte ComPorts ( <i> löschen).", red, false,
     SendCase::Lower, nullptr},
    {"ClosePort", "ClosePort <i>",
     "ClosePort <i>: schließt Port 'i', ClosePort: schließt alle offenen ComPorts ( <i> löschen).", red, false,
     SendCase::Lower, nullptr},
    {"ChangePort", "ChangePort <i>", "Ändert den aktuellen ComPort auf Port-Index <i>", red, true, SendCase::Lower,
     nullptr},
    {"Loop", "Loop <i>,<i>,<i>", "Öffnet eine Zählschleife: <from>,<to>,<step>", blue, true, SendCase::Lower, nullptr},
    {"LoopEnd", "LoopEnd", "Beendet den Bereich für die Zählschleife", blue, true, SendCase::Lower, nullptr},
    {"CellPos", "CellPos <i>,<i>",
     "Setzt Zellposition für Tabellenprotokoll <Zeile>,<Spalte>. Unterstützt Berechnungen: "
     "+,-,*,/,(). Platzhalter: #LI, #TR, #TC",
     grey, true, SendCase::Lower, nullptr},
    {"Write", "Write <s>",
     "Gibt einen als Parameter setzbaren Wert aus. <s>, <i>, <f> werden unterstützt. Parameter "
     "siehe Hilfe!",
     grey, true, SendCase::KeywordLower, "WRITE"},
    {"ClearProt", "ClearProt", "Löscht den aktuellen Protokollinhalt in Tabellen und Listenform", grey, true,
     SendCase::Lower, nullptr},
    {"Beep", "Beep", "Gibt einen Ton über den Systemlautsprecher aus", grey, true, SendCase::Lower, nullptr},
    {"Comment", "Comment: <s>", "Programmkommentarzeile im Parameter ohne Funktion", grey, true, SendCase::Lower,
     nullptr},
    {"SetDTR", "SetDTR <b>",
     "Setzt DTR auf Hi (=1) oder Low (=0). <b> wird unterstützt. Parameter siehe Hilfe!", black, true,
     SendCase::Lower, nullptr, true},
    {"SetRTS", "SetRTS <b>",
     "Setzt RTS auf Hi (=1) oder Low (=0). <b> wird unterstützt. Parameter siehe Hilfe!", black, true,
     SendCase::Lower, nullptr, true},
    {"MsgBox", "MsgBox <s>,<i>",
     "Öffnet blockierende (modale) MessageBox. <s>= Dialogtext, <i>= Icon (0=Info, 2=Warnung, "
     "3=Frage)",
     grey, true, SendCase::KeywordLower, "MSGBOX"},
    {"PauseOn", "PauseOn <s>",
     "Stellt das laufende Programm auf Pause. <s> kann eine Nachricht ausgeben. Fortführen über "
     "die Toolbar.",
     grey, true, SendCase::KeywordLower, "PAUSEON"},
};

} // namespace

const LineType* lineType(long long code)
{
    return code >= 0 && code < LineTypeCount ? &lineTypes[code] : nullptr;
}

bool lineTypeClearsPause(long long code)
{
    const LineType* type = lineType(code);
    return type && type->clearsPause;
}

std::string lineTypeColour(long long code)
{
    const LineType* type = lineType(code);
    return type ? type->colour : black;
}

bool lineTypeNeedsPort(long long code)
{
    const LineType* type = lineType(code);
    return type && type->needsPort;
}

bool lineTypeCarriesText(long long code)
{
    const LineType* type = lineType(code);
    return type && type->sendCase == SendCase::KeywordLower;
}

std::string casedSendString(const std::string& text, long long code)
{
    const LineType* type = lineType(code);
    if (!type || type->sendCase == SendCase::Device)
        return text;
    if (type->sendCase == SendCase::Lower)
        return lowerText(text);
    // Such a row lowers the keywords of all rows that carry text, not only its own.
    std::string cased = text;
    for (const LineType& other : lineTypes)
        if (other.sendCase == SendCase::KeywordLower)
            replaceAll(cased, other.keyword, lowerText(other.keyword));
    return cased;
}
