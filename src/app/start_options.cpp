// The options on Quirlo's command line.
#include "app/start_options.h"

#include <glib.h>

#include "serial/port_address.h"

const char* const startOptionsHelp =
    "Aufruf: quirlo [OPTION ...]\n"
    "\n"
    "Ohne Optionen startet Quirlo wie gewohnt. Optionen für feste Aufbauten und\n"
    "unbeaufsichtigte Messungen:\n"
    "\n"
    "  --port GERÄT[=SETDATEI]  nimmt GERÄT (z. B. ttyUSB0, pts/5, einen Pfad wie\n"
    "                           /dev/serial/by-id/... oder ~/geraete/bc, oder ein Gerät\n"
    "                           im Netz: tcp:RECHNER:PORT) nach der Portsuche mit dem\n"
    "                           Port-Tag \"manuell\" auf; mit SETDATEI\n"
    "                           (*.set) werden die Geräte-Einstellungen wie mit\n"
    "                           \"Porteinstell. übernehmen\" angewandt und der Port\n"
    "                           geöffnet (mehrfach möglich)\n"
    "  --commands DATEI.cml     lädt diese Kommandoliste (statt des Autoladens)\n"
    "  --program DATEI.run      lädt dieses Programm (statt des Autoladens)\n"
    "  --run                    startet das Programm, sobald der Start abgeschlossen ist\n"
    "  --log DATEI.log          sichert das Protokoll am Ende dieses Laufs ohne Dialog\n"
    "  --plot DATEI             sichert danach das Diagramm der Messtabelle (wie zuletzt\n"
    "                           eingestellt) als PNG, SVG oder PDF nach der Endung;\n"
    "                           braucht das Protokoll als Tabelle\n"
    "  --reconnect SEKUNDEN     verschwindet ein Gerät während des Laufs (Adapter gezogen,\n"
    "                           Verbindung getrennt), wartet der Lauf so lange darauf, dass\n"
    "                           sein Port von selbst wieder verbunden wird, und wiederholt\n"
    "                           die unterbrochene Zeile; gilt für jeden Port, statt\n"
    "                           \"Bei Verbindungsverlust:\" der Geräte-Einstellungen\n"
    "  --exit                   beendet Quirlo nach diesem Lauf ohne Rückfrage und ohne\n"
    "                           Quirlo.ini zu schreiben; Hinweise, die nur mit OK\n"
    "                           bestätigt werden, gehen dann auf die Standardfehlerausgabe\n"
    "  --help                   zeigt diesen Text\n"
    "\n"
    "Relative Pfade gelten vom aktuellen Verzeichnis aus, wenn es die Datei dort gibt,\n"
    "sonst vom Programmverzeichnis aus (mit Devices/, Cmd/, Run/ und Log/).\n"
    "\n"
    "Rückgabewert mit --exit: 0, wenn der Lauf bis zur letzten Zeile ging und jeden\n"
    "Wert aufnahm, auch über Wiederverbindungen hinweg; 1, wenn er abgelehnt oder\n"
    "abgebrochen wurde (Portfehler, Prüfung, Stopp, Fehler der Berechnung, \"Nein\" in\n"
    "einer Programm-Meldung), eine Abfrage keine Antwort bekam, eine Antwort\n"
    "abgeschnitten wurde, Werte keine Zelle der Tabelle fanden, eine OpenPort-Zeile\n"
    "ihren Port nicht öffnete oder das Protokoll oder das Diagramm nicht gesichert\n"
    "werden konnte; 2 bei unbrauchbaren Optionen\n"
    "(auch --plot ohne .png, .svg oder .pdf oder ohne Tabelle als Protokoll).\n"
    "\n"
    "Beispiel (cron):\n"
    "  xvfb-run -a build/quirlo --port ttyUSB0=Devices/psu.set --program Run/burnin.run \\\n"
    "      --run --log Log/burnin.log --exit\n";

std::string parseStartOptions(const std::vector<std::string>& arguments, StartOptions& parsed)
{
    parsed = StartOptions{};
    StartOptions options;
    for (size_t k = 0; k < arguments.size(); ++k) {
        std::string name = arguments[k];
        std::string value;
        bool inlineValue = false;
        size_t equals = name.find('=');
        if (g_str_has_prefix(name.c_str(), "--") && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.erase(equals);
            inlineValue = true;
        }
        bool flag = name == "--run" || name == "--exit" || name == "--help";
        bool valued = name == "--port" || name == "--commands" || name == "--program" || name == "--log" ||
                      name == "--plot" || name == "--reconnect";
        if (!flag && !valued)
            return "Unbekannte Option: " + arguments[k];
        if (flag && inlineValue)
            return "Die Option " + name + " nimmt keinen Wert.";
        if (valued && !inlineValue) {
            if (k + 1 == arguments.size())
                return "Der Option " + name + " fehlt ihr Wert.";
            value = arguments[++k];
        }
        if (valued && value.empty())
            return "Der Option " + name + " fehlt ihr Wert.";
        if (name == "--help") {
            options.help = true;
        } else if (name == "--run") {
            options.run = true;
        } else if (name == "--exit") {
            options.exitAfterRun = true;
        } else if (name == "--commands") {
            options.commandsFile = value;
        } else if (name == "--program") {
            options.programFile = value;
        } else if (name == "--log") {
            options.logFile = value;
        } else if (name == "--plot") {
            options.plotFile = value;
        } else if (name == "--reconnect") {
            gchar* end = nullptr;
            guint64 seconds = g_ascii_strtoull(value.c_str(), &end, 10);
            if (*end != '\0' || !g_ascii_isdigit(value[0]) || seconds > 86400)
                return "--reconnect braucht die Wartezeit in Sekunden (0 bis 86400): " + value;
            options.reconnectSeconds = static_cast<int64_t>(seconds);
        } else {
            // A port's name never holds "=", a settings file's path may.
            size_t split = value.find('=');
            PortAddress address;
            std::string refused = parsePortAddress(value.substr(0, split), g_get_home_dir(), address);
            if (!refused.empty())
                return refused;
            PortOption port{address.name, split == std::string::npos ? "" : value.substr(split + 1)};
            if (split != std::string::npos && port.setFile.empty())
                return "Nach \"=\" fehlt die Settingsdatei: " + value;
            options.ports.push_back(port);
        }
    }
    if (!options.run && (options.exitAfterRun || !options.logFile.empty() || !options.plotFile.empty() ||
                         options.reconnectSeconds >= 0))
        return "--log, --plot, --reconnect und --exit gelten für den Lauf von --run und brauchen diese Option.";
    parsed = options;
    return "";
}

std::string startPath(const std::string& path, bool forWriting, const std::string& currentDir,
                      const std::string& programDir)
{
    if (path.empty() || g_path_is_absolute(path.c_str()))
        return path;
    std::string fromCurrent = currentDir + path;
    gchar* directory = g_path_get_dirname(fromCurrent.c_str());
    bool there = forWriting ? g_file_test(directory, G_FILE_TEST_IS_DIR) : g_file_test(fromCurrent.c_str(), G_FILE_TEST_EXISTS);
    g_free(directory);
    return there ? fromCurrent : programDir + path;
}
