// The device settings of a port as the settings form shows them, and their *.set file.
#include "serial/device_settings.h"

#include <algorithm>
#include <iterator>
#include <sstream>

#include "common/text.h"
#include "ui/ids.h"

const std::vector<std::string> baudChoices = {"50",   "75",   "110",   "150",   "300",   "600",   "1200",
                                              "2400", "4800", "9600",  "19200", "38400", "57600", "115200"};
const std::vector<std::string> dataBitsChoices = {"7", "8"};
const std::vector<std::string> stopBitsChoices = {"1", "1.5", "2"};
const std::vector<std::string> parityChoices = {"No", "Even", "Mark", "Odd", "Space"};
const std::vector<std::string> handshakeChoices = {"No", "RTS", "RTS/CTS", "Xon/Xoff"};
const std::vector<std::string> terminatorChoices = {"''", "13", "10", "13;10", "10;13"};
const std::vector<std::string> subTerminatorChoices = {"9", "13", "10", "44", "59"};
const std::vector<std::string> onLossChoices = {"Programmlauf abbrechen", "Warten und Zeile wiederholen"};

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

// The device settings in the order of the *.set file's lines; a file is read by the position
// of its lines.
const std::vector<PortSetting> portSettings = {
    {.key = "VER", .kind = SettingKind::Version},
    {.controlId = IdSetFileName, .kind = SettingKind::Text, .text = &SettingsForm::file,
     .string = &DeviceSettings::settingsFile},
    {.key = "DEVICE", .controlId = IdSetDevice, .kind = SettingKind::Text, .text = &SettingsForm::device,
     .string = &DeviceSettings::device},
    {.key = "BAUD", .controlId = IdSetBaud, .kind = SettingKind::Choice, .text = &SettingsForm::baud,
     .number = &DeviceSettings::baud, .choices = &baudChoices},
    // The data bits are a number in the file: "08" is 8.
    {.key = "DATA", .controlId = IdSetDataBits, .kind = SettingKind::Choice, .text = &SettingsForm::dataBits,
     .number = &DeviceSettings::dataBits, .choices = &dataBitsChoices, .numberInFile = true},
    {.key = "STOP", .controlId = IdSetStopBits, .kind = SettingKind::Choice, .text = &SettingsForm::stopBits,
     .choices = &stopBitsChoices, .decimal = &DeviceSettings::stopBits},
    {.key = "PARITY", .controlId = IdSetParity, .kind = SettingKind::Index, .index = &SettingsForm::parity,
     .number = &DeviceSettings::parity, .choices = &parityChoices},
    {.key = "HANDSHAKE", .controlId = IdSetHandshake, .kind = SettingKind::Index, .index = &SettingsForm::handshake,
     .number = &DeviceSettings::handshake, .choices = &handshakeChoices},
    {.key = "INBUFFER", .controlId = IdSetInBuffer, .kind = SettingKind::Number, .text = &SettingsForm::inBuffer,
     .number = &DeviceSettings::inBufferSize},
    {.key = "OUTBUFFER", .controlId = IdSetOutBuffer, .kind = SettingKind::Number, .text = &SettingsForm::outBuffer,
     .number = &DeviceSettings::outBufferSize},
    {.key = "INMAXSIGNS", .controlId = IdSetInMaxSigns, .kind = SettingKind::Number, .text = &SettingsForm::inMaxSigns,
     .number = &DeviceSettings::inMaxSigns},
    {.key = "INTERM", .controlId = IdSetInTerminator, .kind = SettingKind::Codes, .text = &SettingsForm::inTerminator,
     .string = &DeviceSettings::inTerminator, .choices = &terminatorChoices},
    {.key = "INRETRY", .controlId = IdSetInRetry, .kind = SettingKind::Number, .text = &SettingsForm::inRetry,
     .number = &DeviceSettings::inRetry},
    {.key = "OUTTERM", .controlId = IdSetOutTerminator, .kind = SettingKind::Codes,
     .text = &SettingsForm::outTerminator, .string = &DeviceSettings::outTerminator, .choices = &terminatorChoices},
    {.key = "DELAYSHORT", .controlId = IdSetDelayShort, .kind = SettingKind::Number, .text = &SettingsForm::delayShort,
     .number = &DeviceSettings::delayShort},
    {.key = "DELAYLONG", .controlId = IdSetDelayLong, .kind = SettingKind::Number, .text = &SettingsForm::delayLong,
     .number = &DeviceSettings::delayLong},
    {.key = "DELAYERR", .controlId = IdSetDelayErr, .kind = SettingKind::Number, .text = &SettingsForm::delayErr,
     .number = &DeviceSettings::delayErr},
    {.key = "ERRQUERY", .controlId = IdSetErrQuery, .kind = SettingKind::Flag, .flag = &SettingsForm::errQuery,
     .number = &DeviceSettings::errQuery},
    {.key = "ERRQUERAS", .controlId = IdSetErrQueryClear, .kind = SettingKind::Text,
     .text = &SettingsForm::errQueryClear, .string = &DeviceSettings::errQueryClear},
    {.key = "ERRGETCMD", .controlId = IdSetErrGetCmd, .kind = SettingKind::Text, .text = &SettingsForm::errGetCmd,
     .string = &DeviceSettings::errGetCmd},
    {.key = "ERRGETSESR", .controlId = IdSetErrGetSesr, .kind = SettingKind::Text, .text = &SettingsForm::errGetSesr,
     .string = &DeviceSettings::errGetSesr},
    {.key = "INSUBSTRINGS", .controlId = IdSetSubStrings, .kind = SettingKind::Flag,
     .flag = &SettingsForm::inSubStrings, .number = &DeviceSettings::inSubStrings, .fromVersion = 3},
    {.key = "INSUBTERM", .controlId = IdSetSubTerminator, .kind = SettingKind::Codes,
     .text = &SettingsForm::inSubTerminator, .string = &DeviceSettings::inSubTerminator,
     .choices = &subTerminatorChoices, .fromVersion = 3},
    {.key = "SENDASIS", .controlId = IdSetSendAsIs, .kind = SettingKind::Flag, .flag = &SettingsForm::sendAsIs,
     .number = &DeviceSettings::sendAsIs, .optional = true},
    {.key = "READATONCE", .controlId = IdSetReadAtOnce, .kind = SettingKind::Flag, .flag = &SettingsForm::readAtOnce,
     .number = &DeviceSettings::readAtOnce, .optional = true},
    {.key = "SKIPECHO", .controlId = IdSetSkipEcho, .kind = SettingKind::Flag, .flag = &SettingsForm::skipEcho,
     .number = &DeviceSettings::skipEcho, .optional = true},
    {.key = "ONLOSS", .controlId = IdSetOnLoss, .kind = SettingKind::Index, .index = &SettingsForm::onLoss,
     .number = &DeviceSettings::onLoss, .choices = &onLossChoices, .optional = true},
    {.key = "LOSSWAIT", .controlId = IdSetLossWait, .kind = SettingKind::Number, .text = &SettingsForm::lossWait,
     .number = &DeviceSettings::lossWait, .optional = true},
};

namespace {

// The value of the setting's line in a *.set file.
std::string fileValue(const PortSetting& setting, const SettingsForm& form)
{
    switch (setting.kind) {
    case SettingKind::Version: return "3";
    case SettingKind::Number: return number(form.*setting.text);
    case SettingKind::Index: return std::to_string(form.*setting.index);
    case SettingKind::Flag: return form.*setting.flag ? "1" : "0";
    case SettingKind::Text:
    case SettingKind::Choice:
    case SettingKind::Codes: break;
    }
    return form.*setting.text;
}

void readFileValue(const PortSetting& setting, SettingsForm& form, const std::string& value)
{
    switch (setting.kind) {
    case SettingKind::Version: break;
    case SettingKind::Text:
    case SettingKind::Codes: form.*setting.text = value; break;
    // A negative number is none at all, not its digits: INMAXSIGNS=-1 is refused as 0 is.
    case SettingKind::Number: form.*setting.text = intValue(value) < 0 ? "0" : digitsOf(value); break;
    case SettingKind::Choice:
        if (!setting.numberInFile)
            chooseText(form.*setting.text, value, *setting.choices);
        else if (!value.empty())
            chooseText(form.*setting.text, std::to_string(intValue(value)), *setting.choices);
        break;
    case SettingKind::Index: chooseIndex(form.*setting.index, value, setting.choices->size()); break;
    case SettingKind::Flag: form.*setting.flag = intValue(value) != 0; break;
    }
}

void toSettings(const PortSetting& setting, const SettingsForm& form, DeviceSettings& settings)
{
    switch (setting.kind) {
    case SettingKind::Version: break;
    case SettingKind::Text: settings.*setting.string = form.*setting.text; break;
    case SettingKind::Codes: settings.*setting.string = codeListToChars(form.*setting.text); break;
    case SettingKind::Number: settings.*setting.number = intValue(form.*setting.text); break;
    case SettingKind::Choice:
        if (setting.decimal)
            settings.*setting.decimal = static_cast<float>(decimalValue(form.*setting.text));
        else
            settings.*setting.number = intValue(form.*setting.text);
        break;
    case SettingKind::Index: settings.*setting.number = form.*setting.index; break;
    case SettingKind::Flag: settings.*setting.number = form.*setting.flag ? 1 : 0; break;
    }
}

void toForm(const PortSetting& setting, const DeviceSettings& settings, SettingsForm& form)
{
    switch (setting.kind) {
    case SettingKind::Version: break;
    case SettingKind::Text: form.*setting.text = settings.*setting.string; break;
    case SettingKind::Codes: form.*setting.text = charsToCodeList(settings.*setting.string); break;
    case SettingKind::Number: form.*setting.text = std::to_string(settings.*setting.number); break;
    case SettingKind::Choice:
        chooseText(form.*setting.text,
                   setting.decimal ? formatDecimal(settings.*setting.decimal)
                                   : std::to_string(settings.*setting.number),
                   *setting.choices);
        break;
    case SettingKind::Index:
        chooseIndex(form.*setting.index, std::to_string(settings.*setting.number), setting.choices->size());
        break;
    case SettingKind::Flag: form.*setting.flag = settings.*setting.number != 0; break;
    }
}

} // namespace

SettingsForm::SettingsForm()
{
    // The lists of the serial line start with nothing chosen; an optional one has its default.
    const DeviceSettings defaults;
    for (const PortSetting& setting : portSettings) {
        if ((setting.kind != SettingKind::Choice && setting.kind != SettingKind::Index) || setting.optional)
            toForm(setting, defaults, *this);
    }
}

std::string setFileText(const SettingsForm& form)
{
    const SettingsForm fresh;
    std::string text;
    for (bool optional : {false, true}) {
        for (const PortSetting& setting : portSettings) {
            std::string value = setting.key ? fileValue(setting, form) : "";
            if (!setting.key || setting.optional != optional || (optional && value == fileValue(setting, fresh)))
                continue;
            text += std::string(setting.key) + "=" + lineFieldText(value) + "\n";
        }
    }
    return text;
}

void readSetFile(const std::string& text, SettingsForm& form)
{
    const size_t count = std::count_if(portSettings.begin(), portSettings.end(),
                                       [](const PortSetting& setting) { return setting.key && !setting.optional; });
    std::vector<std::string> values;
    std::vector<std::pair<std::string, std::string>> further;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        // CR LF line ends, and CRs that a value cannot keep: written again, one would be
        // taken for the line end.
        while (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t equals = line.find('=');
        std::string value = equals == std::string::npos ? line : line.substr(equals + 1);
        if (values.size() < count)
            values.push_back(value);
        else if (equals != std::string::npos)
            further.emplace_back(line.substr(0, equals), value);
    }
    values.resize(count);
    int64_t fileVersion = intValue(values[0]);
    const SettingsForm fresh;
    size_t line = 0;
    for (const PortSetting& setting : portSettings) {
        if (!setting.key)
            continue;
        if (setting.optional) {
            // Absent, it is off as in a fresh form.
            readFileValue(setting, form, fileValue(setting, fresh));
            for (const auto& [key, value] : further) {
                if (key == setting.key)
                    readFileValue(setting, form, value);
            }
            continue;
        }
        if (fileVersion >= setting.fromVersion)
            readFileValue(setting, form, values[line]);
        ++line;
    }
}

namespace {

// Every code of the list is a character: 0 to 255.
bool codesAreCharacters(const std::string& codes)
{
    const std::vector<std::string> parts = splitText(codes, ";");
    return std::all_of(parts.begin(), parts.end(), [](const std::string& part) {
        int64_t code = intValue(part);
        return code >= 0 && code <= 255;
    });
}

} // namespace

const std::vector<int> serialLineControls = {IdSetBaud, IdSetDataBits, IdSetStopBits, IdSetParity, IdSetHandshake};

bool formComplete(const SettingsForm& form, bool lineSettings)
{
    bool lineChosen = !form.baud.empty() && !form.dataBits.empty() && !form.stopBits.empty() && form.parity >= 0 &&
                      form.handshake >= 0;
    return (!form.inSubStrings || codesAreCharacters(form.inSubTerminator)) && (!lineSettings || lineChosen) &&
           intValue(form.inBuffer) >= minimumBuffer &&
           intValue(form.outBuffer) >= minimumBuffer && intValue(form.inMaxSigns) > 0 &&
           isChoice(terminatorChoices, form.inTerminator) && isChoice(terminatorChoices, form.outTerminator);
}

DeviceSettings settingsFromForm(const SettingsForm& form)
{
    DeviceSettings settings;
    for (const PortSetting& setting : portSettings)
        toSettings(setting, form, settings);
    return settings;
}

SettingsForm formFromSettings(const DeviceSettings& settings)
{
    SettingsForm form;
    for (const PortSetting& setting : portSettings)
        toForm(setting, settings, form);
    return form;
}
