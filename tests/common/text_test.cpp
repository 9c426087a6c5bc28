// Number and text conversions.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <glib.h>

#include "common/text.h"

TEST(IntValue, ReadsDecimalHexAndBinaryUpToTheFirstOtherCharacter)
{
    EXPECT_EQ(intValue("  \t42abc"), 42);
    EXPECT_EQ(intValue("-17"), -17);
    EXPECT_EQ(intValue("+8"), 8);
    EXPECT_EQ(intValue("$ff"), 255);
    EXPECT_EQ(intValue("$1Ag"), 26);
    EXPECT_EQ(intValue("-$10"), -16);
    EXPECT_EQ(intValue("%1012"), 5);
    EXPECT_EQ(intValue("12.9"), 12);
}

TEST(IntValue, GivesZeroWithoutDigitsAndNeverFailsOnHugeNumbers)
{
    EXPECT_EQ(intValue(""), 0);
    EXPECT_EQ(intValue("abc"), 0);
    EXPECT_EQ(intValue("-"), 0);
    EXPECT_EQ(intValue("$"), 0);
    EXPECT_EQ(intValue(" x5"), 0);
    EXPECT_EQ(intValue("9223372036854775807"), std::numeric_limits<int64_t>::max());
    // Beyond 64 bits a number stays at the end of the range, with its sign.
    EXPECT_EQ(intValue(std::string(10000, '9')), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(intValue("-9223372036854775808"), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(intValue("-99999999999999999999"), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(intValue("$1ffffffffffffffff"), std::numeric_limits<int64_t>::max());
}

TEST(DecimalValue, ReadsPointDecimalsWhateverTheLocale)
{
    EXPECT_DOUBLE_EQ(decimalValue("1.5"), 1.5);
    EXPECT_DOUBLE_EQ(decimalValue("  -0.25V"), -0.25);
    EXPECT_DOUBLE_EQ(decimalValue(".5"), 0.5);
    EXPECT_DOUBLE_EQ(decimalValue("3."), 3.0);
    EXPECT_DOUBLE_EQ(decimalValue("1e3"), 1000.0);
    EXPECT_DOUBLE_EQ(decimalValue("2e"), 2.0);
    EXPECT_DOUBLE_EQ(decimalValue("12,5"), 12.0);
    EXPECT_DOUBLE_EQ(decimalValue("abc"), 0.0);
    EXPECT_DOUBLE_EQ(decimalValue("."), 0.0);
    EXPECT_DOUBLE_EQ(decimalValue("inf"), 0.0);
    EXPECT_DOUBLE_EQ(decimalValue("nan"), 0.0);
}

TEST(FormatDecimal, KeepsAtMostTenDecimalsWithoutTrailingZeros)
{
    EXPECT_EQ(formatDecimal(2.0), "2");
    EXPECT_EQ(formatDecimal(2.5), "2.5");
    EXPECT_EQ(formatDecimal(-0.125), "-0.125");
    EXPECT_EQ(formatDecimal(1.0 / 3.0), "0.3333333333");
    EXPECT_EQ(formatDecimal(0.00000000001), "0");
    EXPECT_EQ(formatDecimal(-0.00000000001), "0");
    EXPECT_EQ(formatDecimal(1e15), "1000000000000000");
    EXPECT_EQ(formatDecimal(std::numeric_limits<double>::infinity()), "+Infinity");
    EXPECT_EQ(formatDecimal(-std::numeric_limits<double>::infinity()), "-Infinity");
    EXPECT_EQ(formatDecimal(std::nan("")), "NaN");
    EXPECT_EQ(formatDecimal(std::numeric_limits<double>::max()).size(), 309u);
}

TEST(Latin1, RoundTripsEveryByteThroughUtf8)
{
    std::string bytes;
    for (int c = 1; c < 256; ++c)
        bytes += static_cast<char>(c);
    std::string text = latin1ToUtf8(bytes);
    EXPECT_TRUE(g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr));
    EXPECT_EQ(utf8ToLatin1(text), bytes);
    EXPECT_EQ(latin1ToUtf8("\xC4\x64"), "Äd");
}

TEST(Latin1, ReplacesWhatLatin1CannotHold)
{
    EXPECT_EQ(utf8ToLatin1("€ 5"), "? 5");
    EXPECT_EQ(utf8ToLatin1("a\xFF" "b"), "a?b");
    EXPECT_EQ(utf8ToLatin1("Grüße"), "Gr\xFC\xDF" "e");
}

TEST(FileBytes, KeepsUtf8FilesAndReadsOthersAsLatin1)
{
    using namespace std::string_literals;
    EXPECT_EQ(fileBytesToUtf8("Größe\0x"s), "Größe\0x"s);
    EXPECT_EQ(utf8ToLatin1("\0Ä"s), "\0\xC4"s);
    EXPECT_EQ(fileBytesToUtf8("Größe"), "Größe");
    EXPECT_EQ(fileBytesToUtf8("Gr\xF6\xDF" "e"), "Größe");
    EXPECT_EQ(fileBytesToUtf8("plain"), "plain");
}

TEST(SafeText, GivesValidUtf8ForEveryByteAndKeepsUtf8)
{
    std::string bytes;
    for (int c = 0; c < 256; ++c)
        bytes += static_cast<char>(c);
    std::string text = safeText(bytes);
    EXPECT_TRUE(g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr));
    EXPECT_EQ(g_utf8_strlen(text.c_str(), -1), 256);
    EXPECT_EQ(text.substr(0, 2), "?\x01");
    EXPECT_EQ(text.substr(text.size() - 4), "\xC3\xBE\xC3\xBF");
    EXPECT_EQ(safeText("Größe µA"), "Größe µA");
}

TEST(NumberText, TellsSignedNumbersFromExpressions)
{
    for (const char* number : {"-1.5", " +2 ", "1E-3", "-2.5e+1", ".5", "5."})
        EXPECT_TRUE(isNumberText(number)) << number;
    for (const char* other : {"", "-", ".", "1-2", "2*3", "1e", "1E-", "-(2)", "1,5"})
        EXPECT_FALSE(isNumberText(other)) << other;
}

TEST(Text, SplitKeepsEmptyPartsAndTakesLongSeparators)
{
    using Parts = std::vector<std::string>;
    EXPECT_EQ(splitText("", ";"), Parts{""});
    EXPECT_EQ(splitText(";1;;2;", ";"), (Parts{"", "1", "", "2", ""}));
    EXPECT_EQ(splitText("1.0, 2.0,3", ", "), (Parts{"1.0", "2.0,3"}));
    EXPECT_EQ(splitText("a;b", ""), Parts{"a;b"});
}

TEST(Text, ControlCharactersFromADeviceAreWrittenVisibly)
{
    EXPECT_EQ(visibleText("\x1B[2J1.5\r\x7F"), "<1B>[2J1.5<0D><7F>");
    // Latin-1 and UTF-8 letters stay; a C1 control and NUL do not.
    EXPECT_EQ(visibleText("5 \xB5" "A 5 \xC2\xB5" "A"), "5 \xC2\xB5" "A 5 \xC2\xB5" "A");
    EXPECT_EQ(visibleText(std::string("\x85x\0", 3)), "<85>x<00>");
}
