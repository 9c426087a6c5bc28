// The direct input's logic: a device's stream split into lines, the send history and its
// Quirlo.ini keys, the time of day of a monitored line and where it goes in the protocol.
#include <gtest/gtest.h>

#include <glib.h>

#include <map>

#include "common/line_types.h"
#include "protocol/protocol_state.h"
#include "run/device_exchange.h"
#include "run/direct_input.h"

namespace {

DeviceSettings crLf(int64_t maxSigns = 60)
{
    DeviceSettings settings;
    settings.inTerminator = "\r\n";
    settings.inMaxSigns = maxSigns;
    return settings;
}

std::vector<std::string> texts(const std::vector<StreamLine>& lines)
{
    std::vector<std::string> result;
    for (const StreamLine& line : lines)
        result.push_back(line.text);
    return result;
}

TEST(StreamLines, SplitsAtTheTerminatorWhereverTheReadsEnd)
{
    StreamLines stream(crLf());
    EXPECT_TRUE(stream.feed("DATA 1,0.5\r", 100).empty());
    EXPECT_TRUE(stream.waiting());
    std::vector<StreamLine> lines = stream.feed("\nDATA 2,0.6\r\nDA", 200);
    EXPECT_EQ(texts(lines), (std::vector<std::string>{"DATA 1,0.5", "DATA 2,0.6"}));
    // A line carries the time its first byte came, not the time it ended.
    EXPECT_EQ(lines[0].stamp, 100);
    EXPECT_EQ(lines[1].stamp, 200);
    lines = stream.feed("TA 3\r\n\r\n\xB5V\r\n", 300);
    EXPECT_EQ(texts(lines), (std::vector<std::string>{"DATA 3", "", "\xC2\xB5V"}));
    EXPECT_EQ(lines[0].stamp, 200);
    EXPECT_FALSE(stream.waiting());
    EXPECT_FALSE(stream.flush());
}

TEST(StreamLines, ALineWithoutTerminatorIsShownWhenTheSilenceFlushesIt)
{
    StreamLines stream(crLf());
    stream.feed("$GPGGA,1234", 10);
    stream.feed("56\r", 20);
    std::optional<StreamLine> line = stream.flush();
    ASSERT_TRUE(line);
    EXPECT_EQ(line->text, "$GPGGA,123456");
    EXPECT_EQ(line->stamp, 10);
    EXPECT_FALSE(line->cut);
    EXPECT_FALSE(stream.waiting());
    // The next line starts clean.
    EXPECT_EQ(texts(stream.feed("OK\r\n", 30)), std::vector<std::string>{"OK"});
}

TEST(StreamLines, AnOverlongLineIsOneLineCutOnce)
{
    StreamLines stream(crLf(8));
    EXPECT_TRUE(stream.feed(std::string(100000, 'x'), 1).empty());
    std::vector<StreamLine> lines = stream.feed("x\r\nshort\r\n", 2);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, std::string(9, 'x'));
    EXPECT_TRUE(lines[0].cut);
    EXPECT_EQ(lines[1].text, "short");
    EXPECT_FALSE(lines[1].cut);
    // Ended by a silence, it is one line too.
    stream.feed(std::string(100000, 'y'), 3);
    std::optional<StreamLine> flushed = stream.flush();
    ASSERT_TRUE(flushed);
    EXPECT_TRUE(flushed->cut);
    EXPECT_FALSE(stream.flush());
}

TEST(SendHistory, WalksBackAndForthAndGivesBackWhatWasTyped)
{
    SendHistory history;
    EXPECT_EQ(history.back("typed"), "typed");
    for (const char* line : {"*IDN?", "VOLT 1", "VOLT 1", "", "MEAS:VOLT?"})
        history.add(line);
    EXPECT_EQ(history.lines(), (std::vector<std::string>{"*IDN?", "VOLT 1", "MEAS:VOLT?"}));
    EXPECT_EQ(history.back("half"), "MEAS:VOLT?");
    EXPECT_EQ(history.back("ignored"), "VOLT 1");
    EXPECT_EQ(history.back(""), "*IDN?");
    EXPECT_EQ(history.back(""), "*IDN?");
    EXPECT_EQ(history.forward(), "VOLT 1");
    EXPECT_EQ(history.forward(), "MEAS:VOLT?");
    EXPECT_EQ(history.forward(), "half");
    EXPECT_EQ(history.forward(), "half");
    // A line sent starts the walk anew from the newest.
    history.back("");
    history.add("CURR?");
    EXPECT_EQ(history.back(""), "CURR?");

    for (int k = 0; k < 60; ++k)
        history.add("line " + std::to_string(k));
    ASSERT_EQ(history.lines().size(), SendHistory::limit);
    EXPECT_EQ(history.lines().front(), "line 10");
    EXPECT_EQ(history.lines().back(), "line 59");
}

TEST(DirectInputKeys, RoundTripTheLinesAsTypedAndIgnoreWrongValues)
{
    DirectInputOptions options;
    options.timestamps = true;
    options.open = true;
    options.x = -5;
    options.y = 40;
    options.width = 600;
    options.height = 130;
    options.history = {" VOLT 1 ", "\"quoted\"", "A=B;C", "\"", "ÄÖÜ µ"};
    // Through the file, which drops the blanks at the ends of a value.
    DirectInputOptions read;
    readIniGroup(IniFile(iniGroupText(directInputIniGroup(options))), directInputIniGroup(read));
    EXPECT_TRUE(read.open);
    EXPECT_TRUE(read.timestamps);
    EXPECT_TRUE(read.placeKnown);
    EXPECT_EQ(std::tie(read.x, read.y, read.width, read.height), std::make_tuple(-5, 40, 600, 130));
    EXPECT_EQ(read.history, options.history);

    // A place given in part, or with junk, is no place; a wrong flag keeps the option.
    // A line too long to keep is left out and counted, as one that is sent.
    DirectInputOptions kept;
    readIniGroup(IniFile("[DIREKTEINGABE]\nX=10\nY=2O\nW=300\nH=90\nOpen=yes\nLine1=*IDN?\nLine2=" +
                         std::string(1 << 20, 'x') + "\nLine4=gap\n"),
                 directInputIniGroup(kept));
    EXPECT_FALSE(kept.placeKnown);
    EXPECT_EQ(kept.x, DirectInputOptions{}.x);
    EXPECT_FALSE(kept.open);
    EXPECT_EQ(kept.history, std::vector<std::string>{"*IDN?"});
    EXPECT_EQ(kept.longLines, 1);
    SendHistory history;
    history.add(std::string(SendHistory::lineLimit + 1, 'y'));
    EXPECT_TRUE(history.lines().empty());
}

TEST(DirectInput, TheClockTimeHasMilliseconds)
{
    std::string text = clockTimeText(1765000000123456);
    EXPECT_TRUE(g_regex_match_simple("^[0-2][0-9]:[0-5][0-9]:[0-5][0-9]\\.123$", text.c_str(), GRegexCompileFlags(0),
                                     GRegexMatchFlags(0)))
        << text;
}

} // namespace

// A monitored line in the list: one "Return:" line with its time and its cut; in the table a
// row of its own: the time first, then one cell per sub-string, the cut marked on the last.
TEST(MonitoredLines, AListLineOrATableRowOfTimeAndFields)
{
    DeviceSettings settings;
    settings.inSubStrings = 1;
    settings.inSubTerminator = ",";
    StreamLine line{"DATA 7,0.5\x01", true, 0};
    std::vector<MonitorOutput> list = monitoredLineOutputs(line, false, false, settings);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].text, "Return:\nDATA 7,0.5<01>");
    EXPECT_EQ(list[0].kind, KindResponse);
    EXPECT_EQ(list[0].extra, "abgeschnitten");
    std::vector<MonitorOutput> row = monitoredLineOutputs(line, true, true, settings);
    ASSERT_EQ(row.size(), 3u);
    EXPECT_EQ(std::make_tuple(row[0].kind, row[0].column, row[0].text.size()), std::make_tuple(int(TypeWrite), 0, 12u));
    EXPECT_EQ(std::make_tuple(row[1].text, row[1].column, row[1].extra), std::make_tuple("DATA 7", 1, std::string()));
    EXPECT_EQ(std::make_tuple(row[2].text, row[2].column, row[2].extra),
              std::make_tuple("0.5<01>", 2, std::string("abgeschnitten")));
    settings.inSubStrings = 0;
    EXPECT_EQ(monitoredLineOutputs(line, true, false, settings).size(), 1u);
}
