// The device settings of a port as the settings form shows them, their *.set file, and the
// code lists in which terminators are shown. Free of any window.
#pragma once

#include <string>
#include <vector>

#include "serial/port_table.h"

// The choices of the form's lists, in list order.
extern const std::vector<std::string> baudChoices;
extern const std::vector<std::string> dataBitsChoices;
extern const std::vector<std::string> stopBitsChoices;
extern const std::vector<std::string> parityChoices;
extern const std::vector<std::string> handshakeChoices;
extern const std::vector<std::string> terminatorChoices;    // both "Zeilenende:"
extern const std::vector<std::string> subTerminatorChoices; // "Sub-Terminat.:"
extern const std::vector<std::string> onLossChoices;        // "Bei Verbindungsverlust:"

// What the controls of the settings form hold. A list's text is its chosen item, "" when none;
// parity and handshake are the chosen indices, -1 when none; numeric fields hold digits only.
// A fresh form holds the defaults of the device settings, and no line setting is chosen.
struct SettingsForm {
    SettingsForm();
    std::string file;
    std::string device;
    std::string baud, dataBits, stopBits;
    int parity = -1;
    int handshake = -1;
    std::string inBuffer;
    std::string outBuffer;
    std::string inMaxSigns;
    std::string inTerminator;
    std::string inRetry;
    bool inSubStrings = false;
    std::string inSubTerminator;
    std::string outTerminator;
    bool errQuery = false;
    std::string errGetSesr;
    std::string errGetCmd;
    std::string errQueryClear;
    std::string delayShort;
    std::string delayLong;
    std::string delayErr;
    bool sendAsIs = false;
    bool readAtOnce = false;
    bool skipEcho = false;
    int onLoss = 0;
    std::string lossWait;
};

// How a device setting is held in the form and its control, in the *.set file and in the
// port's settings.
enum class SettingKind {
    Version, // the *.set file's version line only
    Text,    // free text, the same everywhere
    Number,  // a digits-only field; a decimal number in the file and the settings
    Choice,  // a list's item; the settings hold its number
    Index,   // a list's chosen index, in the file and the settings
    Codes,   // a code list such as "13;10" in an editable list; the settings hold its characters
    Flag     // a check box; 0 or 1 in the file and the settings
};

// One device setting. The members that its kind does not use are null.
struct PortSetting {
    const char* key = nullptr; // its *.set line, nullptr when the file has none
    int controlId = 0;         // its control on the page, 0 for none
    SettingKind kind = SettingKind::Text;
    std::string SettingsForm::*text = nullptr; // Text, Number, Choice, Codes
    int SettingsForm::*index = nullptr;        // Index
    bool SettingsForm::*flag = nullptr;        // Flag
    std::string DeviceSettings::*string = nullptr;
    int64_t DeviceSettings::*number = nullptr;
    const std::vector<std::string>* choices = nullptr; // Choice, Index; Codes: the list's items
    bool numberInFile = false;                         // Choice: the file's value is read as a number
    float DeviceSettings::*decimal = nullptr;          // Choice: held as a decimal instead of number
    int64_t fromVersion = 0;                           // older *.set files do not have the line
    // Written only when it differs from a fresh form, after the fixed lines, and read by its
    // key: a file without it is the file of before, and readers of the fixed lines still
    // find every value in its place.
    bool optional = false;
};
// Every device setting, in the order of the *.set file's lines. Adding a setting is a row here,
// its members in SettingsForm and DeviceSettings (its default in DeviceSettings only), and its
// control's place on the page.
extern const std::vector<PortSetting> portSettings;

// The directory offered for *.set files: "Devices/" beside the program at start-up, afterwards
// the directory of the last *.set file chosen (with a trailing "/").
extern std::string devicesDir;

// The values an unconfigured port shows: a fresh form without the query commands.
SettingsForm resetForm();

// The characters of a code list such as "13;10": each ";"-separated part read as a decimal
// number, a code of 0 ("''", empty or not a number) contributing nothing.
std::string codeListToChars(const std::string& text);
// The code list of the characters, "''" for none.
std::string charsToCodeList(const std::string& chars);

// The 22 lines of the *.set file (version 3) for the form, then the optional settings that are
// on, each line ended by a line feed.
std::string setFileText(const SettingsForm& form);
// Puts a *.set file's values into the form by the position of their lines, whatever their
// keys: a value is what follows a line's first "=". A value that selects nothing leaves its
// list as it was; the sub-string fields are read from version 3 on. The optional settings are
// read by their keys from the lines after the 22nd; absent, they are off.
void readSetFile(const std::string& text, SettingsForm& form);

// Whether the form may be applied: every list chosen, buffers of at least 64, at least one
// character, both line ends chosen from their lists, and, with sub-strings, a sub-terminator
// of codes from 0 to 255. Without lineSettings (a network port) the serial line's lists (baud
// rate, data bits, stop bits, parity, handshake) are not asked for: a socket has none.
bool formComplete(const SettingsForm& form, bool lineSettings = true);
// The controls of the settings that only a serial line has.
extern const std::vector<int> serialLineControls;

// The form as the settings of a port, and back.
DeviceSettings settingsFromForm(const SettingsForm& form);
SettingsForm formFromSettings(const DeviceSettings& settings);
