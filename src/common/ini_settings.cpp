// The groups of Quirlo.ini and their keys.
#include "common/ini_settings.h"

#include <glib.h>

#include "common/text.h"

namespace {

std::vector<IniGroup> groups;

void writeGroup(IniWriter& ini, const IniGroup& group)
{
    ini.group(group.name);
    for (const auto& [key, value] : iniValues(group))
        ini.add(key, value);
}

} // namespace

void readIniGroup(const IniFile& ini, const IniGroup& group)
{
    for (const IniKey& key : group.keys) {
        if (!key.read)
            continue;
        if (ini.has(group.name, key.key))
            key.read(ini.text(group.name, key.key, ""));
        else if (key.missing)
            key.read(*key.missing);
    }
    if (group.list) {
        std::vector<std::string> values;
        for (size_t number = 1; ini.has(group.name, group.list->prefix + std::to_string(number)); ++number)
            values.push_back(ini.text(group.name, group.list->prefix + std::to_string(number), ""));
        group.list->read(values);
    }
    if (group.afterRead)
        group.afterRead();
}

IniKey flagKey(std::string key, bool& member)
{
    return {std::move(key), [&member] { return std::string(member ? "1" : "0"); },
            [&member](const std::string& value) {
                std::string text = stripBlanks(value);
                if (text == "0" || text == "1")
                    member = text == "1";
            },
            std::nullopt};
}

IniKey numberKey(std::string key, int64_t& member)
{
    return {std::move(key), [&member] { return std::to_string(member); },
            [&member](const std::string& value) { member = iniNumber(value); }, std::nullopt};
}

IniKey integerKey(std::string key, int& member, int64_t low, int64_t high)
{
    return {std::move(key), [&member] { return std::to_string(member); },
            [&member, low, high](const std::string& value) {
                gint64 number = 0;
                if (g_ascii_string_to_signed(stripBlanks(value).c_str(), 10, low, high, &number, nullptr))
                    member = static_cast<int>(number);
            },
            std::nullopt};
}

std::vector<std::pair<std::string, std::string>> iniValues(const IniGroup& group)
{
    std::vector<std::pair<std::string, std::string>> values;
    for (const IniKey& key : group.keys)
        values.emplace_back(key.key, key.write());
    if (group.list) {
        std::vector<std::string> items = group.list->write();
        for (size_t k = 0; k < items.size(); ++k)
            values.emplace_back(group.list->prefix + std::to_string(k + 1), items[k]);
    }
    return values;
}

void registerIniGroup(IniGroup group)
{
    groups.push_back(std::move(group));
}

void clearIniGroups()
{
    groups.clear();
}

std::string iniText()
{
    IniWriter ini;
    for (const IniGroup& group : groups) {
        if (!group.written || group.written())
            writeGroup(ini, group);
    }
    return ini.text();
}

std::string iniGroupText(const IniGroup& group)
{
    IniWriter ini;
    writeGroup(ini, group);
    return ini.text();
}

void readIniGroups(const IniFile& ini)
{
    for (const IniGroup& group : groups) {
        if (!group.readApart)
            readIniGroup(ini, group);
    }
}

void readIniGroup(const IniFile& ini, const std::string& name)
{
    for (const IniGroup& group : groups) {
        if (group.name == name)
            readIniGroup(ini, group);
    }
}
