// The runner's exchange driven by a scripted device on a clock of the test's own: every wait
// moves the clock, and the device's answers arrive at the times the script gives.
#include <gtest/gtest.h>

#include <tuple>

#include "common/line_types.h"
#include "protocol/protocol_state.h"
#include "run/device_exchange.h"
#include "run/scripted_device.h"

namespace {

using Line = std::tuple<std::string, int, std::string>;

class ExchangeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        entry.settings.outTerminator = "\r\n";
        entry.settings.inTerminator = "\r\n";
        entry.settings.delayShort = 10;
        entry.settings.delayLong = 30;
        entry.settings.delayErr = 20;
        entry.settings.inRetry = 3;
    }
    Exchange exchange()
    {
        return Exchange{device, entry, mode, {"*ESR?", "SYST:ERR?", "*CLS"},
                        [this](const std::string& text, int kind, const std::string& extra) {
                            protocol.emplace_back(text, kind, extra);
                        }};
    }
    void command(const std::string& text)
    {
        Exchange e = exchange();
        exchangeCommand(e, text);
    }
    // A query row and, the given milliseconds later, its answer row.
    void query(const std::string& text, int64_t answerAfterMs = 30)
    {
        Exchange e = exchange();
        exchangeQuery(e, text);
        device.wait(answerAfterMs);
        exchangeAnswer(e, !text.empty());
    }

    // Reading at once: the row as the runner goes through it, the clock jumping to the next
    // arrival of bytes or to the end of the wait, whichever comes first.
    ExchangeState atOnce(const std::string& text, bool isQuery = true)
    {
        Exchange e = exchange();
        PendingExchange pending;
        if (isQuery)
            beginQuery(e, pending, text);
        else
            beginCommand(e, pending, text);
        for (;;) {
            ExchangeState state = continueExchange(e, pending);
            if (state != ExchangeState::Waiting)
                return state;
            device.now = std::min(device.nextArrival(), pending.wait->deadline());
        }
    }

    ScriptedDevice device;
    PortEntry entry;
    int mode = ModeList;
    std::vector<Line> protocol;
};

} // namespace

TEST_F(ExchangeTest, ABadCommandIsFollowedByTheErrorQueryOfEachBitSetAndAClear)
{
    entry.settings.errQuery = 1;
    device.script["*ESR?"] = {{5, "36\r\n"}};
    device.script["SYST:ERR?"] = {{5, "-100,Command error\r\n"}};
    command("BLA");
    EXPECT_EQ(device.lines, (std::vector<std::string>{"BLA", "*ESR?", "SYST:ERR?", "SYST:ERR?", "*CLS"}));
    // The status and each queue answer are read after delayErr.
    EXPECT_EQ(device.waits, (std::vector<int64_t>{20, 20, 20}));
    EXPECT_EQ(protocol, (std::vector<Line>{
                            {"Comnd:\nBLA", TypeCommand, ""},
                            {"", 0, "Err-#: '%100100' = -100,Command error-100,Command error+ Hardw.-Err.: 2"},
                        }));
    EXPECT_EQ(entry.errFlags, 36);

    // No error bit: no queue is read, nothing is cleared, and the last errors are gone.
    device.script["*ESR?"] = {{5, "1\r\n"}};
    device.lines.clear();
    protocol.clear();
    mode = ModeDebug;
    command("*RST");
    EXPECT_EQ(device.lines, (std::vector<std::string>{"*RST", "*ESR?"}));
    EXPECT_EQ(protocol, (std::vector<Line>{{"Comnd:\n*RST", TypeCommand, ""}}));
    EXPECT_EQ(entry.errFlags, 0);
    EXPECT_EQ(entry.errText, "");

    // A late answer to an earlier query is not taken for the status.
    device.script["VOLT?"] = {{100, "12.5\r\n"}};
    query("VOLT?");
    device.wait(200);
    device.lines.clear();
    protocol.clear();
    command("*RST");
    EXPECT_EQ(device.lines, (std::vector<std::string>{"*RST", "*ESR?"}));
    EXPECT_EQ(protocol, (std::vector<Line>{{"Verworfen:\n12.5", -1, "späte Antwort"}, {"Comnd:\n*RST", TypeCommand, ""}}));

    // A query under the error query clears the device's status first.
    device.lines.clear();
    query("VOLT?");
    EXPECT_EQ(device.lines, (std::vector<std::string>{"SYST:CLE", "VOLT?"}));
}

TEST_F(ExchangeTest, SubStringsSlowAnswersAndAnEmptyQuery)
{
    device.script["MEAS:ALL?"] = {{1, "2.0000,0.1000,0.2000\r\n"}};
    entry.settings.inSubStrings = 1;
    entry.settings.inSubTerminator = ",";
    query("MEAS:ALL?");
    EXPECT_EQ(protocol, (std::vector<Line>{{"Query:\nMEAS:ALL?", TypeQuery, ""},
                                           {"Return:\n2.0000", KindResponse, ""},
                                           {"Return:\n0.1000", KindResponse, ""},
                                           {"Return:\n0.2000", KindResponse, ""}}));

    // An answer in two parts arrives whole, with the number of further passes it took.
    entry.settings.inSubStrings = 0;
    device.script["*IDN?"] = {{30, "QUIRLO,"}, {25, "SIM\r\n"}};
    protocol.clear();
    query("*IDN?");
    // An empty query sends nothing and reads for every further pass.
    query("");
    EXPECT_EQ(protocol, (std::vector<Line>{{"Query:\n*IDN?", TypeQuery, ""},
                                           {"Return:\nQUIRLO,SIM", KindResponse, "3x "},
                                           {"Return:\n", KindResponse, "3x "}}));
    EXPECT_EQ(device.lines.back(), "*IDN?");

    // A table takes the answer as it came, its control characters shown; a list drops a
    // leading DEL.
    device.script["X?"] = {{1, "\x7F" "1\r\n"}};
    protocol.clear();
    query("X?");
    mode = ModeTable;
    query("X?");
    EXPECT_EQ(protocol, (std::vector<Line>{{"Query:\nX?", TypeQuery, ""},
                                           {"Return:\n1", KindResponse, ""},
                                           {"<7F>1", KindResponse, ""}}));
}

TEST_F(ExchangeTest, AnAnswerThatComesAfterItsQueryGaveUpIsNotTakenForTheNext)
{
    entry.settings.inRetry = 0;
    device.script["*IDN?"] = {{150, "QUIRLO\r\n"}};
    device.script["VOLT?"] = {{150, "0.0000\r\n"}};
    query("*IDN?");
    // The late answer arrives during the next row's pause.
    device.wait(1000);
    query("VOLT?");
    device.wait(1000);
    // Its own late answer is still read by an empty query, which reads what waits.
    query("");
    EXPECT_EQ(protocol, (std::vector<Line>{{"Query:\n*IDN?", TypeQuery, ""},
                                           {"Return:\n", KindResponse, "keine Antwort"},
                                           {"Verworfen:\nQUIRLO", -1, "späte Antwort"},
                                           {"Query:\nVOLT?", TypeQuery, ""},
                                           {"Return:\n", KindResponse, "keine Antwort"},
                                           {"Return:\n0.0000", KindResponse, ""}}));
}

TEST_F(ExchangeTest, AQueryWithoutAnyAnswerIsToldApartFromAnEmptyAnswer)
{
    device.script["EMPTY?"] = {{1, "\r\n"}};
    Exchange e = exchange();
    exchangeQuery(e, "EMPTY?");
    device.wait(30);
    EXPECT_EQ(exchangeAnswer(e, true), ExchangeState::Done);
    exchangeQuery(e, "NOTHING?");
    device.wait(30);
    EXPECT_EQ(exchangeAnswer(e, true), ExchangeState::Unanswered);
    EXPECT_EQ(protocol.back(), (Line{"Return:\n", KindResponse, "3x keine Antwort"}));
    // A table is told too, so that its cell stays empty rather than taking a value.
    mode = ModeTable;
    protocol.clear();
    Exchange table = exchange();
    exchangeQuery(table, "NOTHING?");
    EXPECT_EQ(exchangeAnswer(table, true), ExchangeState::Unanswered);
    EXPECT_EQ(protocol, (std::vector<Line>{{"", KindResponse, "keine Antwort"}}));
}

TEST_F(ExchangeTest, ALineThePortDoesNotTakeIsMarkedInTheProtocol)
{
    device.refuseWrites = true;
    command("*RST");
    EXPECT_EQ(protocol, (std::vector<Line>{{"Comnd:\n*RST - Return-Err", TypeCommand, ""}}));
}

TEST_F(ExchangeTest, ReadingAtOnceTakesEachAnswerAtItsTerminatorAndWaitsNoLonger)
{
    entry.settings.readAtOnce = 1;
    entry.settings.delayLong = 1000;
    // A slow device: every answer after 600 ms, each paired with its own query.
    device.script["A?"] = {{600, "1\r\n"}};
    device.script["B?"] = {{600, "2\r\n"}};
    // In bytes with gaps shorter than inRetry x delayShort, the terminator split across reads.
    device.script["*IDN?"] = {{5, "QUIR"}, {25, "LO\r"}, {25, "\nSIM"}};
    EXPECT_EQ(atOnce("A?"), ExchangeState::Done);
    EXPECT_EQ(device.now, 600);
    EXPECT_EQ(atOnce("B?"), ExchangeState::Done);
    EXPECT_EQ(atOnce("*IDN?"), ExchangeState::Done);
    EXPECT_EQ(device.now, 1255);
    EXPECT_EQ(protocol, (std::vector<Line>{{"Query:\nA?", TypeQuery, ""},
                                           {"Return:\n1", KindResponse, ""},
                                           {"Query:\nB?", TypeQuery, ""},
                                           {"Return:\n2", KindResponse, ""},
                                           {"Query:\n*IDN?", TypeQuery, ""},
                                           {"Return:\nQUIRLO", KindResponse, ""}}));
    // No wait of its own: the clock moved only while the device took its time.
    EXPECT_TRUE(device.waits.empty());
}

TEST_F(ExchangeTest, ReadingAtOnceABegunAnswerEndsAtItsTerminatorOrIsMarkedCut)
{
    entry.settings.readAtOnce = 1;
    entry.settings.inRetry = 0;
    entry.settings.delayLong = 80;
    // Gaps of 5 ms, with no further passes: the answer still ends at its terminator.
    device.script["V?"] = {{10, "1."}, {5, "25\r\n"}};
    EXPECT_EQ(atOnce("V?"), ExchangeState::Done);
    // One byte a second: the first byte is no value; the rest is dropped before the next query.
    device.script["SLOW?"] = {{10, "3"}, {1000, "."}, {1000, "5\r\n"}};
    device.script["W?"] = {{1, "7\r\n"}};
    EXPECT_EQ(atOnce("SLOW?"), ExchangeState::Cut);
    device.wait(2000);
    EXPECT_EQ(atOnce("W?"), ExchangeState::Done);
    // Longer than inMaxSigns: cut and marked, its rest up to the terminator dropped.
    entry.settings.inMaxSigns = 5;
    device.script["LONG?"] = {{1, "ABCDEFGHIJ\r\n"}, {1, "8\r\n"}};
    EXPECT_EQ(atOnce("LONG?"), ExchangeState::Cut);
    EXPECT_EQ(atOnce(""), ExchangeState::Done);
    EXPECT_EQ(protocol, (std::vector<Line>{{"Query:\nV?", TypeQuery, ""},
                                           {"Return:\n1.25", KindResponse, ""},
                                           {"Query:\nSLOW?", TypeQuery, ""},
                                           {"Return:\n3", KindResponse, "abgeschnitten"},
                                           {"Verworfen:\n.5", -1, "späte Antwort"},
                                           {"Query:\nW?", TypeQuery, ""},
                                           {"Return:\n7", KindResponse, ""},
                                           {"Query:\nLONG?", TypeQuery, ""},
                                           {"Return:\nABCDEF", KindResponse, "abgeschnitten"},
                                           {"Return:\n8", KindResponse, ""}}));
    // A table says so in the cell, which then never reads as a number.
    EXPECT_EQ(tableResponseCell("1.", "abgeschnitten", ValuesLeft), "abgeschnitten: 1.");
}

TEST_F(ExchangeTest, AnAnswerGivenUpOnIsDroppedAndNeverPairedWithALaterQuery)
{
    // Every answer 150 ms after its query: within "vor Antwort" and the further passes (80 +
    // 5 x 15) each pairs with its own; without further passes each is dropped, late, before
    // the next query goes out. Both at once and with fixed waits.
    for (int retries : {5, 0}) {
        for (int atOnceRead : {1, 0}) {
            SCOPED_TRACE(testing::Message() << "inRetry " << retries << ", at once " << atOnceRead);
            entry.settings.readAtOnce = atOnceRead;
            entry.settings.inRetry = retries;
            entry.settings.delayShort = 15;
            entry.settings.delayLong = 80;
            // The last round's last answer is over.
            device.wait(1000);
            device.discardInput();
            entry.answerOwed = false;
            protocol.clear();
            for (int k = 1; k <= 8; ++k) {
                std::string q = "Q" + std::to_string(k) + "?";
                device.script[q] = {{150, std::to_string(k) + "\r\n"}};
                if (atOnceRead)
                    atOnce(q);
                else
                    query(q, 80);
                device.wait(10);
            }
            int paired = 0, unanswered = 0, dropped = 0;
            std::string asked;
            for (const auto& [text, kind, extra] : protocol) {
                if (kind == TypeQuery)
                    asked = text.substr(8, text.size() - 9); // "Query:\nQk?" asks for k
                else if (kind == KindResponse && extra.find("keine Antwort") != std::string::npos)
                    ++unanswered;
                else if (kind == KindResponse)
                    paired += text == "Return:\n" + asked ? 1 : 100;
                else
                    ++dropped;
            }
            EXPECT_EQ(paired, retries ? 8 : 0);
            EXPECT_EQ(unanswered, retries ? 0 : 8);
            EXPECT_EQ(dropped, retries ? 0 : 7);
        }
    }
}

TEST_F(ExchangeTest, ReadingAtOnceTheErrorQueryReadsEachAnswerAsItComes)
{
    entry.settings.readAtOnce = 1;
    entry.settings.errQuery = 1;
    device.script["*ESR?"] = {{5, "36\r\n"}};
    device.script["SYST:ERR?"] = {{5, "-100,Command error\r\n"}};
    EXPECT_EQ(atOnce("BLA", false), ExchangeState::Done);
    EXPECT_EQ(device.lines, (std::vector<std::string>{"BLA", "*ESR?", "SYST:ERR?", "SYST:ERR?", "*CLS"}));
    EXPECT_EQ(device.now, 15);
    EXPECT_EQ(protocol, (std::vector<Line>{
                            {"Comnd:\nBLA", TypeCommand, ""},
                            {"", 0, "Err-#: '%100100' = -100,Command error-100,Command error+ Hardw.-Err.: 2"},
                        }));
    // A status that never comes ends the error query after delayErr and the further passes,
    // with nothing written.
    device.script.erase("*ESR?");
    protocol.clear();
    EXPECT_EQ(atOnce("*RST", false), ExchangeState::Done);
    EXPECT_EQ(device.now, 65);
    EXPECT_EQ(protocol.size(), 1u);
    EXPECT_EQ(entry.errFlags, 0);
}

TEST_F(ExchangeTest, ADeviceThatEchoesHasItsAnswerTakenNotTheEcho)
{
    entry.settings.skipEcho = 1;
    entry.settings.errQuery = 1;
    device.script["V?"] = {{1, "V?\r\n"}, {5, "1.5\r\n"}};
    device.script["*ESR?"] = {{1, "*ESR?\r\n"}, {5, "0\r\n"}};
    device.script["*RST"] = {{1, "*RST\r\n"}};
    for (int atOnceRead : {0, 1}) {
        SCOPED_TRACE(atOnceRead);
        entry.settings.readAtOnce = atOnceRead;
        protocol.clear();
        if (atOnceRead) {
            atOnce("*RST", false);
            atOnce("V?");
        } else {
            command("*RST");
            query("V?", 30);
        }
        // Neither the status query nor the query took an echo for its answer.
        EXPECT_EQ(entry.errFlags, 0);
        EXPECT_EQ(protocol.back(), (Line{"Return:\n1.5", KindResponse, ""}));
    }
}

// A definite-length block ("#<n><length><bytes>", a scope's waveform) is read whole whatever its
// bytes, its length and the pauses in it, then the next query gets its own answer; a header that
// is none, or that announces more than a block may hold, is text.
TEST_F(ExchangeTest, ADefiniteLengthBlockIsReadWholeWhateverItsBytesAndPauses)
{
    entry.settings.inMaxSigns = 10;
    entry.settings.inSubStrings = 1;
    entry.settings.inSubTerminator = ",";
    std::string bytes;
    for (int k = 0; k < 300; ++k)
        bytes += static_cast<char>(k % 251);
    bytes += "\r\n,,";
    // In six parts, more than inRetry passes apart in all.
    std::vector<ScriptedDevice::Part> parts = {{5, "#3304" + bytes.substr(0, 50)}};
    for (size_t at = 50; at < bytes.size(); at += 51)
        parts.push_back({8, bytes.substr(at, 51)});
    parts.back().bytes += "\r\n";
    device.script["CURV?"] = parts;
    device.script["A?"] = {{5, "1.5\r\n"}};
    device.script["EMPTY?"] = {{5, "#10\r\n"}};
    device.script["FAKE?"] = {{5, "#3AB,C\r\n"}};
    device.script["HUGE?"] = {{5, "#9999999999123\r\n"}};
    for (const char* text : {"CURV?", "A?", "EMPTY?", "FAKE?", "HUGE?"})
        query(text);
    std::vector<std::string> returns;
    for (const Line& line : protocol) {
        if (std::get<1>(line) == KindResponse)
            returns.push_back(std::get<0>(line) + "|" + std::get<2>(line));
    }
    EXPECT_EQ(returns, (std::vector<std::string>{"Return:\n<Binärblock: 304 Bytes>|", "Return:\n1.5|",
                                                 "Return:\n<Binärblock: 0 Bytes>|", "Return:\n#3AB|",
                                                 "Return:\nC|", "Return:\n#9999999999|abgeschnitten"}));

    // The block's bytes are its own, not one more or less; read at once, 72 kB come in large reads.
    entry.settings.readAtOnce = 1;
    std::string wave(72000, '\n');
    device.script["WAV?"] = {{5, "#572000" + wave + "\n"}};
    ResponseBytes one(entry.settings);
    device.write("CURV?\r\n");
    device.now += 100;
    ASSERT_TRUE(one.take(device));
    EXPECT_EQ(one.response().block, bytes);
    EXPECT_EQ(atOnce("WAV?"), ExchangeState::Done);
    EXPECT_EQ(std::get<0>(protocol.back()), "Return:\n<Binärblock: 72000 Bytes>");
}
