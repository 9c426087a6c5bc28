// The direct-input window's history, its Quirlo.ini keys and the time of a monitored line.
#include "run/direct_input.h"

#include <glib.h>


#include "common/text.h"

void SendHistory::add(const std::string& line)
{
    if (!line.empty() && line.size() <= lineLimit && (kept.empty() || kept.back() != line))
        kept.push_back(line);
    if (kept.size() > limit)
        kept.erase(kept.begin(), kept.end() - limit);
    shown = kept.size();
    draft.clear();
}

std::string SendHistory::back(const std::string& typed)
{
    if (kept.empty())
        return typed;
    if (shown == kept.size())
        draft = typed;
    if (shown > 0)
        --shown;
    return kept[shown];
}

std::string SendHistory::forward()
{
    if (shown < kept.size())
        ++shown;
    return shown == kept.size() ? draft : kept[shown];
}

void SendHistory::assign(std::vector<std::string> lines)
{
    kept.clear();
    for (const std::string& line : lines)
        add(line);
}

namespace {

// Quirlo.ini drops blanks at the ends of a value: a line that has them is kept in quotes, and so
// is a line that is quoted itself.
std::string quotedLine(const std::string& line)
{
    bool blankEnds = !line.empty() && (line.front() == ' ' || line.back() == ' ' || line.front() == '\t' ||
                                       line.back() == '\t');
    bool quoted = line.size() >= 2 && line.front() == '"' && line.back() == '"';
    return blankEnds || quoted ? '"' + line + '"' : line;
}

std::string unquotedLine(const std::string& value)
{
    return value.size() >= 2 && value.front() == '"' && value.back() == '"' ? value.substr(1, value.size() - 2) : value;
}

} // namespace

std::vector<std::pair<std::string, std::string>> directInputKeys(const DirectInputOptions& options)
{
    std::vector<std::pair<std::string, std::string>> keys = {
        {"Open", options.open ? "1" : "0"},
        {"Timestamps", options.timestamps ? "1" : "0"},
        {"X", std::to_string(options.x)},
        {"Y", std::to_string(options.y)},
        {"W", std::to_string(options.width)},
        {"H", std::to_string(options.height)},
    };
    for (size_t k = 0; k < options.history.size(); ++k)
        keys.emplace_back("Line" + std::to_string(k + 1), quotedLine(options.history[k]));
    return keys;
}

void readDirectInputKeys(DirectInputOptions& options, const std::function<std::string(const std::string& key)>& value)
{
    auto flag = [&](const char* key, bool& target) {
        std::string text = stripBlanks(value(key));
        if (text == "0" || text == "1")
            target = text == "1";
    };
    flag("Open", options.open);
    flag("Timestamps", options.timestamps);
    // The place counts only whole: half a place from a hand-edited file is none.
    int place[4] = {options.x, options.y, options.width, options.height};
    bool complete = true;
    const char* const placeKeys[] = {"X", "Y", "W", "H"};
    for (int k = 0; k < 4; ++k) {
        gint64 number = 0;
        if (g_ascii_string_to_signed(stripBlanks(value(placeKeys[k])).c_str(), 10, -100000, 100000, &number, nullptr))
            place[k] = static_cast<int>(number);
        else
            complete = false;
    }
    if (complete) {
        options.x = place[0];
        options.y = place[1];
        options.width = place[2];
        options.height = place[3];
        options.placeKnown = true;
    }
    std::vector<std::string> lines;
    for (size_t k = 1; k <= SendHistory::limit; ++k) {
        std::string line = unquotedLine(value("Line" + std::to_string(k)));
        if (line.empty())
            break;
        if (line.size() > SendHistory::lineLimit)
            ++options.longLines;
        else
            lines.push_back(line);
    }
    if (!lines.empty())
        options.history = lines;
}

std::string clockTimeText(int64_t unixMicros)
{
    GDateTime* moment = g_date_time_new_from_unix_local(unixMicros / G_USEC_PER_SEC);
    if (!moment)
        return "";
    gchar* text = g_date_time_format(moment, "%H:%M:%S");
    g_date_time_unref(moment);
    char millis[8];
    g_snprintf(millis, sizeof millis, ".%03d", static_cast<int>((unixMicros % G_USEC_PER_SEC) / 1000));
    std::string clock = std::string(text ? text : "") + millis;
    g_free(text);
    return clock;
}
