// The INI dialect of Quirlo.ini.
#include "common/ini_file.h"

#include <glib.h>

#include <algorithm>
#include <sstream>

#include "common/text.h"

namespace {

std::string lower(const std::string& text)
{
    std::string result = text;
    for (char& c : result)
        c = static_cast<char>(g_ascii_tolower(c));
    return result;
}

std::string trimmed(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

IniFile::IniFile(const std::string& text)
{
    std::string body = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? text.substr(3) : text;
    std::istringstream lines(body);
    std::string group;
    bool inGroup = false;
    for (std::string line; std::getline(lines, line);) {
        line = trimmed(line);
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            size_t end = line.find(']');
            group = lower(line.substr(1, end == std::string::npos ? std::string::npos : end - 1));
            inGroup = true;
            continue;
        }
        size_t equals = line.find('=');
        if (!inGroup || equals == std::string::npos)
            continue;
        values.emplace(std::make_pair(group, lower(trimmed(line.substr(0, equals)))), trimmed(line.substr(equals + 1)));
    }
}

std::string IniFile::text(const std::string& group, const std::string& key, const std::string& fallback) const
{
    auto found = values.find({lower(group), lower(key)});
    return found == values.end() ? fallback : found->second;
}

int64_t IniFile::number(const std::string& group, const std::string& key, int64_t fallback) const
{
    auto found = values.find({lower(group), lower(key)});
    return found == values.end() ? fallback : iniNumber(found->second);
}

bool IniFile::has(const std::string& group, const std::string& key) const
{
    return values.count({lower(group), lower(key)}) != 0;
}

int64_t iniNumber(const std::string& value)
{
    // Only a decimal number counts here, not the "$" and "%" forms of program texts.
    size_t digits = value.find_first_not_of("+-");
    if (digits == std::string::npos || digits > 1 || !g_ascii_isdigit(value[digits]))
        return 0;
    return intValue(value);
}

void IniWriter::group(const std::string& name)
{
    if (!content.empty())
        content += "\n";
    content += "[" + name + "]\n";
}

void IniWriter::add(const std::string& key, const std::string& value)
{
    content += key + " = " + value + "\n";
}

void IniWriter::add(const std::string& key, int64_t value)
{
    add(key, std::to_string(value));
}

std::pair<int64_t, int64_t> clampMainWindow(int64_t x, int64_t y, int64_t w0, int64_t h0)
{
    return {std::max<int64_t>(std::min<int64_t>(x, w0 - 164), 4), std::max<int64_t>(std::min<int64_t>(y, h0 - 220), 24)};
}

std::pair<int64_t, int64_t> clampWindow(int64_t x, int64_t y, int64_t width, int64_t height, int64_t w0, int64_t h0)
{
    return {std::min<int64_t>(std::max<int64_t>(x, 0), w0 - width), std::min<int64_t>(std::max<int64_t>(y, 0), h0 - height)};
}
