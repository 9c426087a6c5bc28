// The preparation of one program row.
#include <gtest/gtest.h>

#include <vector>

#include "run/expression.h"
#include "run/line_preparation.h"

namespace {

struct Preparation {
    PrepareEnvironment env;
    std::vector<std::pair<PrepareNotice, int>> notices;
    std::vector<std::string> evaluated;
    bool abort = false;

    explicit Preparation(bool singleRow = false, bool quiet = false)
    {
        env.quiet = quiet;
        env.singleRow = singleRow;
        env.date = "07.12.2026";
        env.time = "08:15:30";
        env.evaluate = [this](const std::string& text, bool cellMode, double base) {
            evaluated.push_back(text);
            ExpressionResult result = evaluateExpressionText(text, cellMode, base);
            abort = abort || result.error != ExpressionError::None;
            return result.text;
        };
        env.notify = [this](const PrepareIssue& issue) { notices.push_back({issue.notice, issue.row}); };
        env.aborted = [this] { return abort; };
    }

    ProgramRow run(const std::string& type, const std::string& blank, const std::string& parameters,
                   const std::string& pause = "100", bool* passed = nullptr)
    {
        ProgramRow row{type, blank, pause, parameters, "old"};
        bool result = prepareRow(row, 4, env);
        if (passed)
            *passed = result;
        return row;
    }
};

} // namespace

TEST(LinePreparation, FillsPlaceholdersByKind)
{
    Preparation p;
    EXPECT_EQ(p.run("2", "OpenPort <i>", "0").sendString, "openport 0");
    EXPECT_EQ(p.run("0", "VOLT <F>", "1.50").sendString, "VOLT 1.5");
    EXPECT_EQ(p.run("12", "SetDTR <b>", "7").sendString, "setdtr 1");
    EXPECT_EQ(p.run("13", "SetRTS <b>", "x").sendString, "setrts 0");
    EXPECT_EQ(p.run("5", "Loop <i>,<i>,<i>", "1;10;1").sendString, "loop 1,10,1");
    EXPECT_EQ(p.run("0", "sour:volt <f>;curr <f>", " 1,5 ; 2 ").sendString, "SOUR:VOLT 1;CURR 2");
    EXPECT_TRUE(p.notices.empty());

}

TEST(LinePreparation, TheCheckRefusesARowThatWouldSendAWrongValue)
{
    // An expression for <f> is computed by the check too, but not one with the loop counter
    // inside a loop: the run computes that before each pass.
    Preparation p;
    EXPECT_EQ(p.run("0", "VOLT <f>", "2*3").sendString, "VOLT 6");
    EXPECT_EQ(p.run("0", "VOLT <f>", "10/4").sendString, "VOLT 2.5");
    p.env.insideLoop = true;
    p.run("0", "VOLT <f>", "10/#LI");
    EXPECT_EQ(p.evaluated, (std::vector<std::string>{"2*3", "10/4"}));
    EXPECT_FALSE(p.abort);
    EXPECT_TRUE(p.notices.empty());

    // Each of these would send a placeholder, an empty line or a half-read expression.
    struct Case {
        const char *type, *blank, *parameters;
        PrepareNotice notice;
        int parameter;
    };
    for (const Case& c : {Case{"2", "OpenPort <i>", "abc", PrepareNotice::Unfilled, 1},
                          Case{"0", "SET <f>;scale=<i>", "1;zehn", PrepareNotice::Unfilled, 2},
                          Case{"7", "CellPos <i>,<i>", "1;(2", PrepareNotice::Unreadable, 2},
                          Case{"0", "VOLT <f>", "2*", PrepareNotice::Unreadable, 1},
                          Case{"0", "", "", PrepareNotice::EmptyCommand, 0}}) {
        SCOPED_TRACE(c.blank);
        Preparation q;
        q.env.sendAsIs = true;
        std::vector<PrepareIssue> issues;
        q.env.notify = [&](const PrepareIssue& issue) { issues.push_back(issue); };
        bool passed = true;
        q.run(c.type, c.blank, c.parameters, "100", &passed);
        EXPECT_FALSE(passed);
        ASSERT_EQ(issues.size(), 1u);
        EXPECT_EQ(issues[0].notice, c.notice);
        EXPECT_EQ(issues[0].parameter, c.parameter);
    }
    for (const char* readable : {"-5", "(1+2)*3", "-(2.5)", "10/(0-2)", "+1", "1,5"})
        EXPECT_TRUE(expressionReadable(readable)) << readable;
    for (const char* unreadable : {"(2", "2)", "1.2.3", "2*/3", "2(3)", "", "1e"})
        EXPECT_FALSE(expressionReadable(unreadable)) << unreadable;
}

TEST(LinePreparation, SignedDecimalsReachTheDeviceWithTheirValue)
{
    for (bool singleRow : {true, false}) {
        Preparation p(singleRow);
        EXPECT_EQ(p.run("0", "VOLT <F>", "-1.5").sendString, "VOLT -1.5");
        EXPECT_EQ(p.run("8", "Write <f>", " -0.25 ").sendString, "write -0.25");
        EXPECT_EQ(p.run("0", "CURR <f>", "1E-3").sendString, "CURR 0.001");
        EXPECT_EQ(p.run("0", "CURR <f>", "-2.5e+1").sendString, "CURR -25");
        EXPECT_TRUE(p.evaluated.empty());
        EXPECT_FALSE(p.abort);
    }
    Preparation single(true);
    EXPECT_EQ(single.run("0", "VOLT <F>", "-(2.5)").sendString, "VOLT -2.5");
    EXPECT_EQ(single.run("0", "VOLT <F>", "1/4-1").sendString, "VOLT -0.75");
}

TEST(LinePreparation, ABlankMayStartWithItsPlaceholder)
{
    Preparation p;
    bool passed = false;
    EXPECT_EQ(p.run("0", "<s>", "*IDN?", "100", &passed).sendString, "*IDN?");
    EXPECT_TRUE(passed);
    EXPECT_EQ(p.run("0", "<s>", "", "100", &passed).sendString, "<S>");
    EXPECT_FALSE(passed);
}

TEST(LinePreparation, UpperCaseStaysWithinLatin1)
{
    Preparation p;
    EXPECT_EQ(p.run("0", "curr 5µA; ÿ <s>", "größe").sendString, "CURR 5µA; ÿ GRÖßE");
}

TEST(LinePreparation, CountMismatchAndSuperfluousParameters)
{
    Preparation p;
    bool passed = true;
    ProgramRow row = p.run("0", "*RST", "5", "100", &passed);
    EXPECT_FALSE(passed);
    EXPECT_EQ(row.sendString, "*RST");
    EXPECT_EQ(row.parameters, "");
    ASSERT_EQ(p.notices.size(), 1u);
    EXPECT_EQ(p.notices[0], std::make_pair(PrepareNotice::CountMismatch, 4));

    row = p.run("0", "VOLT <i>", "3;4", "100", &passed);
    EXPECT_FALSE(passed);
    EXPECT_EQ(row.sendString, "VOLT 3");
    EXPECT_EQ(row.parameters, "");

    // A matching count keeps the parameters; PauseOn is never counted.
    row = p.run("0", "VOLT <i>", "3", "100", &passed);
    EXPECT_TRUE(passed);
    EXPECT_EQ(row.parameters, "3");
    p.notices.clear();
    row = p.run("15", "PauseOn", "Probe wechseln", "100", &passed);
    EXPECT_TRUE(passed);
    EXPECT_TRUE(p.notices.empty());
}

TEST(LinePreparation, AnEmptyParameterIsReportedAndFailsWhenItsPlaceholderStays)
{
    Preparation p;
    bool passed = true;
    ProgramRow row = p.run("0", "APPL <f>,<f>", "1;", "100", &passed);
    EXPECT_FALSE(passed);
    ASSERT_EQ(p.notices.size(), 1u);
    EXPECT_EQ(p.notices[0].first, PrepareNotice::EmptyParameter);
    EXPECT_EQ(row.sendString, "APPL 1,<F>");
    EXPECT_EQ(row.parameters, "1;");
}

TEST(LinePreparation, ValuePlaceholdersAndKeywordCase)
{
    Preparation p;
    p.env.loopActive = true;
    p.env.loopCounter = 7;
    p.env.cellRow = 3;
    p.env.cellCol = 2;
    EXPECT_EQ(p.run("0", "CH<i>:MEAS?", "#li").sendString, "CH7:MEAS?");
    EXPECT_EQ(p.run("8", "Write <s>", "#TR/#TC am #DATI").sendString, "write 3/2 am 07.12.2026 08:15:30");
    EXPECT_EQ(p.run("8", "Write <s>", "#time #TIME #DATE").sendString, "write #time 08:15:30 07.12.2026");
    EXPECT_EQ(p.run("14", "MsgBox <s>,<i>", "Write down WRITE;2").sendString, "msgbox Write down write,2");
    EXPECT_EQ(p.run("11", "Comment: <s>", "Netzteil AN").sendString, "comment: netzteil an");
    p.env.loopActive = false;
    EXPECT_EQ(p.run("0", "CH<i>", "#LI").sendString, "CH0");
    // Umlauts change case and keep their length.
    EXPECT_EQ(p.run("8", "Write <s>", "Größe").sendString, "write Größe");
    EXPECT_EQ(p.run("9", "ClearProt ÄÖÜ", "").sendString, "clearprot äöü");
}

TEST(LinePreparation, CellPosEvaluatesUnlessQuiet)
{
    Preparation p;
    p.env.cellRow = 5;
    p.env.cellCol = 3;
    ProgramRow row = p.run("7", "CellPos <i>,<i>", "+1;#TC*2");
    EXPECT_EQ(row.sendString, "cellpos 6,6");
    EXPECT_EQ(p.env.cellRow, 6);
    EXPECT_EQ(p.env.cellCol, 6);
    row = p.run("7", "CellPos <i>,<i>", "10/4;1");
    EXPECT_EQ(p.env.cellRow, 2);
    EXPECT_EQ(row.sendString, "cellpos 2.5,1");

    Preparation quiet(false, true);
    quiet.env.loopActive = true;
    row = quiet.run("7", "CellPos <i>,<i>", "#LI+1;2");
    EXPECT_EQ(row.sendString, "old");
    EXPECT_TRUE(quiet.evaluated.empty());

    Preparation divide;
    row = divide.run("7", "CellPos <i>,<i>", "10/#LI;1");
    EXPECT_TRUE(divide.abort);
    EXPECT_EQ(divide.evaluated.size(), 1u);
    EXPECT_EQ(row.sendString, "cellpos -9223372036854775808,<i>");
}

TEST(LinePreparation, PausesAreHeldInRange)
{
    Preparation p;
    EXPECT_EQ(p.run("0", "*RST", "", "5").pause, "10");
    EXPECT_EQ(p.run("0", "*RST", "", "11").pause, "11");
    EXPECT_EQ(p.run("0", "*RST", "", "70000").pause, "60000");
    EXPECT_EQ(p.run("0", "*RST", "", "").pause, "10");
    EXPECT_EQ(p.run("0", "*RST", "", "250ms").pause, "250");
    // Reading at once, a pause of 0 goes on at once; short pauses stay as written.
    p.env.readAtOnce = true;
    EXPECT_EQ(p.run("0", "*RST", "", "0").pause, "0");
    EXPECT_EQ(p.run("0", "*RST", "", "-3").pause, "0");
    EXPECT_EQ(p.run("0", "*RST", "", "5").pause, "5");
    EXPECT_EQ(p.run("0", "*RST", "", "70000").pause, "60000");
}

TEST(LinePreparation, PlaceholdersBeyondCharacter254AreNotFound)
{
    Preparation p;
    std::string padding(253, 'X');
    EXPECT_EQ(p.run("0", padding + "<i>", "1").sendString, padding + "1");
    EXPECT_EQ(p.run("0", padding + "X<i>", "1").sendString, padding + "X<I>");
    EXPECT_EQ(p.run("0", padding + "X<s>", "1").sendString, padding + "X1");
}

TEST(LinePreparation, HelpersCountAndCompare)
{
    EXPECT_EQ(CountPlaceholders("VOLT <f>,<i>"), 2);
    EXPECT_EQ(CountPlaceholders("<i>"), 1);
    EXPECT_EQ(CountPlaceholders("<i"), 0);
    EXPECT_EQ(CountPlaceholders("x<i>"), 1);
    EXPECT_EQ(CountPlaceholders("x<<i>>"), 1);
    EXPECT_EQ(CountPlaceholders("x<a>"), 1);
    EXPECT_EQ(CountPlaceholders(""), 0);
    EXPECT_TRUE(ContainsAnyOf("2*3", "+-*/"));
    EXPECT_FALSE(ContainsAnyOf("2.5", "+-*/"));
    EXPECT_TRUE(InRange(10, 10, 60000));
    EXPECT_FALSE(InRange(9.5, 10, 60000));
}

TEST(LinePreparation, HugeParameterCellsEndInAResult)
{
    Preparation p;
    std::string big(100000, ';');
    ProgramRow row = p.run("0", "VOLT <i>", big);
    EXPECT_EQ(row.sendString, "VOLT <I>");
    std::string numbers;
    for (int i = 0; i < 20000; ++i)
        numbers += "12345;";
    row = p.run("8", "Write <s>", numbers);
    EXPECT_EQ(row.sendString, "write 12345");
    EXPECT_EQ(row.parameters, "");
}

TEST(LinePreparation, ADeviceThatTakesTheTextAsTypedGetsItsCase)
{
    Preparation p;
    p.env.sendAsIs = true;
    EXPECT_EQ(p.run("0", "scale=<i>", "4").sendString, "scale=4");
    EXPECT_EQ(p.run("1", "sqrt(<s>)", "2").sendString, "sqrt(2)");
    EXPECT_EQ(p.run("0", "Meas:Volt? <s>", "ch1").sendString, "Meas:Volt? ch1");
    // The runner's own rows stay as they are.
    EXPECT_EQ(p.run("2", "OpenPort <i>", "0").sendString, "openport 0");
    p.env.sendAsIs = false;
    EXPECT_EQ(p.run("1", "sqrt(<s>)", "2").sendString, "SQRT(2)");
}

// The whole-program check: every row prepared in order, a loop's rows marked inside it, and the
// stops with the row that caused them.
TEST(LinePreparation, TheWholeProgramCheckStopsAtNestingAnAbortOrAnOpenLoop)
{
    using Stop = ProgramCheck::Stop;
    auto check = [](std::vector<ProgramRow> rows, std::vector<ProgramRow>* prepared = nullptr) {
        Preparation preparation;
        preparation.env.cellRow = 3;
        preparation.env.cellCol = 4;
        ProgramCheck result = prepareProgram(rows, preparation.env);
        // The check leaves the table's position where the run will start from.
        EXPECT_EQ(std::make_pair(preparation.env.cellRow, preparation.env.cellCol), std::make_pair(3, 4));
        if (prepared)
            *prepared = rows;
        return result;
    };
    std::vector<ProgramRow> rows;
    // Inside the loop a value with the counter is left to the run's passes.
    ProgramCheck fine = check({{"0", "VOLT <F>", "1", "2*3", ""},
                               {"7", "CellPos <i>,<i>", "0", "+1;+1", ""},
                               {"5", "Loop <i>,<i>,<i>", "0", "1;3;1", ""},
                               {"0", "VOLT <F>", "0", "10/#LI", ""},
                               {"6", "LoopEnd", "0", "", ""}},
                              &rows);
    EXPECT_TRUE(fine.passed);
    EXPECT_EQ(fine.stop, Stop::None);
    EXPECT_EQ(fine.prepared, 5);
    EXPECT_EQ(rows[0].sendString, "VOLT 6");
    EXPECT_EQ(rows[1].sendString, "cellpos 4,5");
    EXPECT_TRUE(programCheckMessages(fine).empty());

    ProgramCheck nested = check({{"5", "Loop <i>,<i>,<i>", "0", "1;3;1", ""},
                                 {"5", "Loop <i>,<i>,<i>", "0", "1;3;1", ""},
                                 {"6", "LoopEnd", "0", "", ""}});
    EXPECT_EQ(std::make_tuple(nested.passed, nested.stop, nested.row, nested.prepared),
              std::make_tuple(false, Stop::Nesting, 1, 2));
    EXPECT_EQ(programCheckMessages(nested),
              std::vector<std::string>{"Zeile 2\nEs sind keine verschachtelten Schleifen, oder\nfreien Schleifenteile erlaubt"});
    ProgramCheck freeEnd = check({{"0", "*RST", "0", "", ""}, {"6", "LoopEnd", "0", "", ""}});
    EXPECT_EQ(std::make_tuple(freeEnd.stop, freeEnd.row), std::make_tuple(Stop::Nesting, 1));
    ProgramCheck open = check({{"5", "Loop <i>,<i>,<i>", "0", "1;3;1", ""}, {"0", "*TRG", "0", "", ""}});
    EXPECT_EQ(std::make_tuple(open.passed, open.stop, open.openLoop, open.row), std::make_tuple(false, Stop::None, true, 1));
    EXPECT_EQ(programCheckMessages(open),
              std::vector<std::string>{"Zeile 2\nDas Programm endet mit einer offenen Schleife!\nBitte korrigieren!"});
    ProgramCheck aborted = check({{"7", "CellPos <i>,<i>", "0", "10/0;1", ""}, {"0", "*TRG", "0", "", ""}});
    EXPECT_EQ(std::make_tuple(aborted.stop, aborted.row, aborted.prepared), std::make_tuple(Stop::Aborted, 0, 1));
}

// What the user reads about a row: its number counted from 1, the parameter by number and text.
TEST(LinePreparation, NoticesNameTheRowAndTheParameter)
{
    auto text = [](PrepareNotice notice) { return prepareNoticeText({notice, 1, 2, "1;x"}); };
    EXPECT_EQ(text(PrepareNotice::CountMismatch),
              "Die Anzahl an Platzhaltern und\nParametern unterscheidet sich in\nProgrammzeile: 2");
    EXPECT_EQ(text(PrepareNotice::EmptyParameter), "Leerer Parameter in Programmzeile: 2");
    EXPECT_EQ(text(PrepareNotice::Unfilled), "Parameter 2 (\"1;x\") passt nicht zu seinem Platzhalter\nin "
                                             "Programmzeile: 2\nDie Zeile würde den Platzhalter ungefüllt senden.");
    EXPECT_EQ(text(PrepareNotice::Unreadable), "Parameter 2 (\"1;x\") ist kein vollständiger Ausdruck\nin Programmzeile: 2");
    EXPECT_EQ(text(PrepareNotice::EmptyCommand), "Leeres Kommando in Programmzeile: 2\nEs würde nur das Endezeichen gesendet.");
}
