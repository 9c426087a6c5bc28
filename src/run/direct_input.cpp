// The direct-input window's history, its Quirlo.ini keys and the time of a monitored line.
#include "run/direct_input.h"

#include <glib.h>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>

#include "common/line_types.h"
#include "common/text.h"
#include "protocol/protocol_state.h"

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

IniGroup directInputIniGroup(DirectInputOptions& options)
{
    // The place counts only whole: half a place from a hand-edited file is none.
    auto place = std::make_shared<std::array<std::optional<int>, 4>>();
    auto placeKey = [&options, place](const char* key, size_t index, int DirectInputOptions::*member) -> IniKey {
        return {key, [&options, member] { return std::to_string(options.*member); },
                [place, index](const std::string& value) {
                    gint64 number = 0;
                    if (g_ascii_string_to_signed(stripBlanks(value).c_str(), 10, -100000, 100000, &number, nullptr))
                        (*place)[index] = static_cast<int>(number);
                },
                std::nullopt};
    };
    IniGroup group("DIREKTEINGABE",
                   {flagKey("Open", options.open), flagKey("Timestamps", options.timestamps),
                    placeKey("X", 0, &DirectInputOptions::x), placeKey("Y", 1, &DirectInputOptions::y),
                    placeKey("W", 2, &DirectInputOptions::width), placeKey("H", 3, &DirectInputOptions::height)});
    group.list = IniList{"Line",
                         [&options] {
                             std::vector<std::string> lines;
                             for (const std::string& line : options.history)
                                 lines.push_back(quotedLine(line));
                             return lines;
                         },
                         [&options](const std::vector<std::string>& values) {
                             std::vector<std::string> lines;
                             for (size_t k = 0; k < std::min(values.size(), SendHistory::limit); ++k) {
                                 std::string line = unquotedLine(values[k]);
                                 if (line.empty())
                                     break;
                                 if (line.size() > SendHistory::lineLimit)
                                     ++options.longLines;
                                 else
                                     lines.push_back(line);
                             }
                             if (!lines.empty())
                                 options.history = lines;
                         }};
    group.afterRead = [&options, place] {
        if (std::all_of(place->begin(), place->end(), [](const std::optional<int>& part) { return part.has_value(); })) {
            options.x = *(*place)[0];
            options.y = *(*place)[1];
            options.width = *(*place)[2];
            options.height = *(*place)[3];
            options.placeKnown = true;
        }
        place->fill(std::nullopt);
    };
    // Written for those who used the window, as the diagram's group is.
    group.written = [&options] { return options.placeKnown || !options.history.empty(); };
    return group;
}

std::vector<MonitorOutput> monitoredLineOutputs(const StreamLine& line, bool table, bool timestamps,
                                                const DeviceSettings& settings)
{
    std::string time = timestamps ? clockTimeText(line.stamp) : "";
    if (!table) {
        std::string extra = time;
        if (line.cut)
            extra += (extra.empty() ? "" : " ") + std::string(cutMark);
        return {{"Return:\n" + visibleText(line.text), KindResponse, extra, 0}};
    }
    std::vector<MonitorOutput> outputs;
    if (timestamps)
        outputs.push_back({time, TypeWrite, "", 0});
    std::vector<std::string> fields = subStrings(line.text, settings);
    for (size_t k = 0; k < fields.size(); ++k) {
        bool last = k + 1 == fields.size();
        outputs.push_back({visibleText(fields[k]), KindResponse, last && line.cut ? std::string(cutMark) : "",
                           static_cast<int>(outputs.size())});
    }
    return outputs;
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
