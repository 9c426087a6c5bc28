// Number and text conversions that every subsystem shares.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Integer value of a text: leading blanks and tabs skipped, an optional sign, then "$" with
// hexadecimal digits, "%" with binary digits, or decimal digits, read up to the first other
// character. A text without digits gives 0; values beyond 64 bits wrap instead of failing.
int64_t intValue(std::string_view text);

// Decimal value of a text with "." as decimal point whatever the locale: leading blanks and
// tabs skipped, optional sign, digits, optional fraction and exponent. 0 without digits.
double decimalValue(std::string_view text);

// Whether the whole text, but for blanks and tabs around it, is one number as decimalValue
// reads it: optional sign, digits with an optional "." fraction, optional exponent.
bool isNumberText(std::string_view text);

// Decimal text of a value with at most ten decimals, trailing zeros and a trailing "."
// removed, "." as separator; "+Infinity", "-Infinity" and "NaN" for the special values.
std::string formatDecimal(double value);

// Latin-1 bytes to UTF-8 text.
std::string latin1ToUtf8(std::string_view bytes);
// Every occurrence of from (not empty) replaced by to, left to right.
void replaceAll(std::string& text, std::string_view from, std::string_view to);
// The parts of text between the separators, empty ones included: one part more than there are
// separators, the whole text when the separator is empty.
std::vector<std::string> splitText(std::string_view text, std::string_view separator);
// Text from a device as it can be shown and written to files: every control character (codes
// 0-31 and 127-159) written as "<" + two hexadecimal digits + ">", e.g. ESC as "<1B>"; all else
// as it is. Invalid UTF-8 is read as Latin-1.
std::string visibleText(std::string_view text);
// The parts with the separator between each two.
std::string joinText(const std::vector<std::string>& parts, std::string_view separator);

// UTF-8 text to Latin-1 bytes; characters outside Latin-1 and invalid bytes become "?", NUL
// stays NUL.
std::string utf8ToLatin1(std::string_view text);

// Upper and lower case within Latin-1: a character whose counterpart lies outside Latin-1,
// and every character outside it, stays as it is; each character keeps its length.
std::string upperText(std::string_view text);
std::string lowerText(std::string_view text);

// Text of a file's bytes: kept as it is when it is valid UTF-8 with non-ASCII characters
// (written by another tool), read as Latin-1 otherwise; NUL bytes count as characters.
std::string fileBytesToUtf8(std::string_view bytes);

// The bytes a file holds for the text: Latin-1 when every character fits, so that the formats
// stay 8-bit, else UTF-8 as it is rather than losing characters.
std::string fileBytesOf(std::string_view text);

// The text without the blanks and tabs at its ends.
std::string stripBlanks(std::string_view text);

// The text without TAB, CR and LF: what a field of a line-based file, or of a line of the
// clipboard, may hold.
std::string lineFieldText(std::string_view text);

// Text that the toolkit can show whatever the bytes were: valid UTF-8 stays, every other byte
// is read as a Latin-1 character, and NUL, which would cut a shown text, becomes "?".
std::string safeText(std::string_view text);

// The local time now in a g_date_time_format form, e.g. "%H:%M:%S".
std::string localTimeText(const char* format);
