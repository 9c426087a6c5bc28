// The device settings of a port as the settings form shows them, and their *.set file.
#include "serial/device_settings.h"

#include <algorithm>
#include <iterator>
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

namespace {

// How the lines of a *.set file take their values from the form and give them back.
template <std::string SettingsForm::*member>
std::string textOf(const SettingsForm& form)
{
    return form.*member;
}

template <std::string SettingsForm::*member>
void setText(SettingsForm& form, const std::string& value)
{
    form.*member = value;
}

template <std::string SettingsForm::*member>
std::string numberOf(const SettingsForm& form)
{
    return number(form.*member);
}

template <std::string SettingsForm::*member>
void setDigits(SettingsForm& form, const std::string& value)
{
    form.*member = digitsOf(value);
}

template <std::string SettingsForm::*member, const std::vector<std::string>* choices>
void setChoice(SettingsForm& form, const std::string& value)
{
    chooseText(form.*member, value, *choices);
}

template <int SettingsForm::*member>
std::string indexOf(const SettingsForm& form)
{
    return std::to_string(form.*member);
}

template <int SettingsForm::*member, const std::vector<std::string>* choices>
void setIndex(SettingsForm& form, const std::string& value)
{
    chooseIndex(form.*member, value, choices->size());
}

template <bool SettingsForm::*member>
std::string flagOf(const SettingsForm& form)
{
    return form.*member ? "1" : "0";
}

template <bool SettingsForm::*member>
void setFlag(SettingsForm& form, const std::string& value)
{
    form.*member = intValue(value) != 0;
}

std::string version(const SettingsForm&)
{
    return "3";
}

// The data bits are a number in the file ("08" is 8) and a list item in the form.
void setDataBits(SettingsForm& form, const std::string& value)
{
    if (!value.empty())
        chooseText(form.dataBits, std::to_string(intValue(value)), dataBitsChoices);
}

struct SetFileLine {
    const char* key;
    std::string (*write)(const SettingsForm&);
    void (*read)(SettingsForm&, const std::string&); // nullptr for the version line
    int64_t fromVersion = 0;                          // older files do not have the line
};

// The lines of a *.set file in their order; a file is read by the position of its lines.
const SetFileLine setFileLines[] = {
    {"VER", version, nullptr},
    {"DEVICE", textOf<&SettingsForm::device>, setText<&SettingsForm::device>},
    {"BAUD", textOf<&SettingsForm::baud>, setChoice<&SettingsForm::baud, &baudChoices>},
    {"DATA", textOf<&SettingsForm::dataBits>, setDataBits},
    {"STOP", textOf<&SettingsForm::stopBits>, setChoice<&SettingsForm::stopBits, &stopBitsChoices>},
    {"PARITY", indexOf<&SettingsForm::parity>, setIndex<&SettingsForm::parity, &parityChoices>},
    {"HANDSHAKE", indexOf<&SettingsForm::handshake>, setIndex<&SettingsForm::handshake, &handshakeChoices>},
    {"INBUFFER", numberOf<&SettingsForm::inBuffer>, setDigits<&SettingsForm::inBuffer>},
    {"OUTBUFFER", numberOf<&SettingsForm::outBuffer>, setDigits<&SettingsForm::outBuffer>},
    {"INMAXSIGNS", numberOf<&SettingsForm::inMaxSigns>, setDigits<&SettingsForm::inMaxSigns>},
    {"INTERM", textOf<&SettingsForm::inTerminator>, setText<&SettingsForm::inTerminator>},
    {"INRETRY", numberOf<&SettingsForm::inRetry>, setDigits<&SettingsForm::inRetry>},
    {"OUTTERM", textOf<&SettingsForm::outTerminator>, setText<&SettingsForm::outTerminator>},
    {"DELAYSHORT", numberOf<&SettingsForm::delayShort>, setDigits<&SettingsForm::delayShort>},
    {"DELAYLONG", numberOf<&SettingsForm::delayLong>, setDigits<&SettingsForm::delayLong>},
    {"DELAYERR", numberOf<&SettingsForm::delayErr>, setDigits<&SettingsForm::delayErr>},
    {"ERRQUERY", flagOf<&SettingsForm::errQuery>, setFlag<&SettingsForm::errQuery>},
    {"ERRQUERAS", textOf<&SettingsForm::errQueryClear>, setText<&SettingsForm::errQueryClear>},
    {"ERRGETCMD", textOf<&SettingsForm::errGetCmd>, setText<&SettingsForm::errGetCmd>},
    {"ERRGETSESR", textOf<&SettingsForm::errGetSesr>, setText<&SettingsForm::errGetSesr>},
    {"INSUBSTRINGS", flagOf<&SettingsForm::inSubStrings>, setFlag<&SettingsForm::inSubStrings>, 3},
    {"INSUBTERM", textOf<&SettingsForm::inSubTerminator>, setText<&SettingsForm::inSubTerminator>, 3},
};

} // namespace

std::string setFileText(const SettingsForm& form)
{
    std::string text;
    for (const SetFileLine& line : setFileLines)
        text += std::string(line.key) + "=" + line.write(form) + "\n";
    return text;
}

void readSetFile(const std::string& text, SettingsForm& form)
{
    const size_t count = std::size(setFileLines);
    std::vector<std::string> values;
    std::istringstream lines(text);
    for (std::string line; values.size() < count && std::getline(lines, line);) {
        // CR LF line ends, and CRs that a value cannot keep: written again, one would be
        // taken for the line end.
        while (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t equals = line.find('=');
        values.push_back(equals == std::string::npos ? line : line.substr(equals + 1));
    }
    values.resize(count);
    int64_t fileVersion = intValue(values[0]);
    for (size_t k = 0; k < count; ++k) {
        const SetFileLine& line = setFileLines[k];
        if (line.read && fileVersion >= line.fromVersion)
            line.read(form, values[k]);
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
