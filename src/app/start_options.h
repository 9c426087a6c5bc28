// The options on Quirlo's command line: ports named by the user, lists to load, and a run that
// saves its protocol and ends Quirlo, for fixed rigs and unattended measurements.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PortOption {
    std::string device;  // as the port table names it: "ttyUSB0", "pts/5", a path or "tcp:HOST:PORT"
    std::string setFile; // device settings to apply, "" for none
};

struct StartOptions {
    std::vector<PortOption> ports;
    std::string commandsFile;
    std::string programFile;
    bool run = false;
    std::string logFile;
    std::string plotFile; // the table's diagram, written after the log
    bool exitAfterRun = false;
    int64_t reconnectSeconds = -1; // every port of the run waits this long for a lost device, -1 as set
    bool help = false;
};

// Reads the arguments after the program's name ("--name value" or "--name=value"). Returns ""
// or, for arguments that cannot be used, the German reason and no options at all.
std::string parseStartOptions(const std::vector<std::string>& arguments, StartOptions& options);

// A relative path from the command line: taken from the current directory when it (for a file
// to be written: its directory) exists there, else from the program directory, where Quirlo's
// own Devices/, Cmd/, Run/ and Log/ are. Both directories end with "/".
std::string startPath(const std::string& path, bool forWriting, const std::string& currentDir,
                      const std::string& programDir);

// The text of "--help".
extern const char* const startOptionsHelp;

// Process status of an unattended run: the run went through to its last row, or not.
enum RunExitStatus { ExitRunCompleted = 0, ExitRunFailed = 1, ExitBadOptions = 2 };
