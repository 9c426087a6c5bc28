// The device settings of a port as the settings form shows them, and their *.set file.
#include "serial/device_settings.h"

#include <algorithm>
#include <sstream>

#include "common/text.h"

const std::vector<std::string> baudChoices = {"50",   "75",   "110",   "150",   "300",   "600",   "1200",
                                              "2400", "4800", "9600",  "19200", "38400", "57600", "115200"};
const std::vector<std::string> dataBitsChoices = {"7", "8"};
const std::vector<std::string> stopBitsChoices = {"1", "1.5", "2"};
const std::vector<std::string> parityChoices = {"No", "Even", "Mark", "Odd", "Space"};
const std::vector<std::string> handshakeChoices = {"No", "RTS", "RTS/CTS", "Xon/Xoff"};
const std::vector<std::string> terminatorChoices = {"''", "13", "10", "13;10", "10;13"};
const std::vector<std::string> subTerminatorChoices = {"9", "13", "10", "44", "59"};

std::string devicesDir;

namespace {

constexpr int setFileLines = 22;
constexpr int minimumBuffer = 64;

bool isChoice(const std::vector<std::string>& choices, const std::string& text)
{
    return std::find(choices.begin(), choices.end(), text) != choices.end();
}

// A number read from a field, written back as decimal: the file never holds anything else.
std::string number(const std::string& text)
{
    return std::to_string(intValue(text));
}

// What a digits-only field keeps of a text put into it.
std::string digitsOf(const std::string& text)
{
    std::string digits;
    std::copy_if(text.begin(), text.end(), std::back_inserter(digits), [](char c) { return c >= '0' && c <= '9'; });
    return digits;
}

// Sets the list index from the value's number when that names an item.
void chooseIndex(int& index, const std::string& value, size_t count)
{
    int64_t chosen = intValue(value);
    if (!value.empty() && chosen >= 0 && chosen < static_cast<int64_t>(count))
        index = static_cast<int>(chosen);
}

void chooseText(std::string& chosen, const std::string& value, const std::vector<std::string>& choices)
{
    if (isChoice(choices, value))
        chosen = value;
}

} // namespace

SettingsForm resetForm()
{
    SettingsForm form;
    form.errGetSesr.clear();
    form.errGetCmd.clear();
    form.errQueryClear.clear();
    return form;
}

std::string codeListToChars(const std::string& text)
{
    std::string chars;
    for (const std::string& part : splitText(text, ";")) {
        int64_t code = intValue(part);
        if (code != 0)
            chars += static_cast<char>(code);
    }
    return chars;
}

std::string charsToCodeList(const std::string& chars)
{
    if (chars.empty())
        return "''";
    std::string list;
    for (char c : chars)
        list += (list.empty() ? "" : ";") + std::to_string(static_cast<unsigned char>(c));
    return list;
}

std::string setFileText(const SettingsForm& form)
{
    const std::pair<const char*, std::string> lines[setFileLines] = {
        {"VER", "3"},
        {"DEVICE", form.device},
        {"BAUD", form.baud},
        {"DATA", form.dataBits},
        {"STOP", form.stopBits},
        {"PARITY", std::to_string(form.parity)},
        {"HANDSHAKE", std::to_string(form.handshake)},
        {"INBUFFER", number(form.inBuffer)},
        {"OUTBUFFER", number(form.outBuffer)},
        {"INMAXSIGNS", number(form.inMaxSigns)},
        {"INTERM", form.inTerminator},
        {"INRETRY", number(form.inRetry)},
        {"OUTTERM", form.outTerminator},
        {"DELAYSHORT", number(form.delayShort)},
        {"DELAYLONG", number(form.delayLong)},
        {"DELAYERR", number(form.delayErr)},
        {"ERRQUERY", form.errQuery ? "1" : "0"},
        {"ERRQUERAS", form.errQueryClear},
        {"ERRGETCMD", form.errGetCmd},
        {"ERRGETSESR", form.errGetSesr},
        {"INSUBSTRINGS", form.inSubStrings ? "1" : "0"},
        {"INSUBTERM", form.inSubTerminator},
    };
    std::string text;
    for (const auto& [key, value] : lines)
        text += std::string(key) + "=" + value + "\n";
    return text;
}

void readSetFile(const std::string& text, SettingsForm& form)
{
    std::vector<std::string> values;
    std::istringstream lines(text);
    for (std::string line; values.size() < setFileLines && std::getline(lines, line);) {
        // CR LF line ends, and CRs that a value cannot keep: written again, one would be
        // taken for the line end.
        while (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t equals = line.find('=');
        values.push_back(equals == std::string::npos ? line : line.substr(equals + 1));
    }
    values.resize(setFileLines);
    int64_t version = intValue(values[0]);
    form.device = values[1];
    chooseText(form.baud, values[2], baudChoices);
    if (!values[3].empty())
        chooseText(form.dataBits, std::to_string(intValue(values[3])), dataBitsChoices);
    chooseText(form.stopBits, values[4], stopBitsChoices);
    chooseIndex(form.parity, values[5], parityChoices.size());
    chooseIndex(form.handshake, values[6], handshakeChoices.size());
    form.inBuffer = digitsOf(values[7]);
    form.outBuffer = digitsOf(values[8]);
    form.inMaxSigns = digitsOf(values[9]);
    form.inTerminator = values[10];
    form.inRetry = digitsOf(values[11]);
    form.outTerminator = values[12];
    form.delayShort = digitsOf(values[13]);
    form.delayLong = digitsOf(values[14]);
    form.delayErr = digitsOf(values[15]);
    form.errQuery = intValue(values[16]) != 0;
    form.errQueryClear = values[17];
    form.errGetCmd = values[18];
    form.errGetSesr = values[19];
    if (version >= 3) {
        form.inSubStrings = intValue(values[20]) != 0;
        form.inSubTerminator = values[21];
    }
}

bool formComplete(const SettingsForm& form)
{
    return !form.baud.empty() && !form.dataBits.empty() && !form.stopBits.empty() && form.parity >= 0 &&
           form.handshake >= 0 && intValue(form.inBuffer) >= minimumBuffer &&
           intValue(form.outBuffer) >= minimumBuffer && intValue(form.inMaxSigns) > 0 &&
           isChoice(terminatorChoices, form.inTerminator) && isChoice(terminatorChoices, form.outTerminator);
}

DeviceSettings settingsFromForm(const SettingsForm& form)
{
    DeviceSettings settings;
    settings.settingsFile = form.file;
    settings.device = form.device;
    settings.baud = intValue(form.baud);
    settings.parity = form.parity;
    settings.dataBits = intValue(form.dataBits);
    settings.stopBits = static_cast<float>(decimalValue(form.stopBits));
    settings.handshake = form.handshake;
    settings.inBufferSize = intValue(form.inBuffer);
    settings.outBufferSize = intValue(form.outBuffer);
    settings.inMaxSigns = intValue(form.inMaxSigns);
    settings.outTerminator = codeListToChars(form.outTerminator);
    settings.inTerminator = codeListToChars(form.inTerminator);
    settings.inSubStrings = form.inSubStrings ? 1 : 0;
    settings.inSubTerminator = codeListToChars(form.inSubTerminator);
    settings.delayShort = intValue(form.delayShort);
    settings.delayLong = intValue(form.delayLong);
    settings.delayErr = intValue(form.delayErr);
    settings.inRetry = intValue(form.inRetry);
    settings.errQuery = form.errQuery ? 1 : 0;
    settings.errGetSesr = form.errGetSesr;
    settings.errGetCmd = form.errGetCmd;
    settings.errQueryClear = form.errQueryClear;
    return settings;
}

SettingsForm formFromSettings(const DeviceSettings& settings)
{
    SettingsForm form;
    form.file = settings.settingsFile;
    form.device = settings.device;
    form.baud.clear();
    chooseText(form.baud, std::to_string(settings.baud), baudChoices);
    chooseText(form.dataBits, std::to_string(settings.dataBits), dataBitsChoices);
    chooseText(form.stopBits, formatDecimal(settings.stopBits), stopBitsChoices);
    chooseIndex(form.parity, std::to_string(settings.parity), parityChoices.size());
    chooseIndex(form.handshake, std::to_string(settings.handshake), handshakeChoices.size());
    form.inBuffer = std::to_string(settings.inBufferSize);
    form.outBuffer = std::to_string(settings.outBufferSize);
    form.inMaxSigns = std::to_string(settings.inMaxSigns);
    form.inTerminator = charsToCodeList(settings.inTerminator);
    form.inRetry = std::to_string(settings.inRetry);
    form.inSubStrings = settings.inSubStrings != 0;
    form.inSubTerminator = charsToCodeList(settings.inSubTerminator);
    form.outTerminator = charsToCodeList(settings.outTerminator);
    form.errQuery = settings.errQuery != 0;
    form.errGetSesr = settings.errGetSesr;
    form.errGetCmd = settings.errGetCmd;
    form.errQueryClear = settings.errQueryClear;
    form.delayShort = std::to_string(settings.delayShort);
    form.delayLong = std::to_string(settings.delayLong);
    form.delayErr = std::to_string(settings.delayErr);
    return form;
}
