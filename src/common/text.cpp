// Number and text conversions that every subsystem shares.
#include "common/text.h"

#include <glib.h>

#include <cmath>
#include <limits>
#include <utility>

namespace {

int digitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 99;
}

size_t skipBlanks(std::string_view text, size_t pos)
{
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
    return pos;
}

// Calls character for every valid UTF-8 character with its bytes, invalid for every byte
// that starts no valid character. NUL is a character like any other.
template <typename Character, typename Invalid>
void forEachCharacter(std::string_view text, Character character, Invalid invalid)
{
    const char* pos = text.data();
    const char* end = text.data() + text.size();
    while (pos < end) {
        if (*pos == '\0') {
            character(0, std::string_view(pos++, 1));
            continue;
        }
        gunichar c = g_utf8_get_char_validated(pos, end - pos);
        if (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2)) {
            invalid(*pos++);
            continue;
        }
        const char* next = g_utf8_next_char(pos);
        character(c, std::string_view(pos, static_cast<size_t>(next - pos)));
        pos = next;
    }
}

// Whether the text is valid UTF-8, NUL bytes included (GLib's validation stops at a NUL).
bool validUtf8(std::string_view text)
{
    bool valid = true;
    forEachCharacter(text, [](gunichar, std::string_view) {}, [&](char) { valid = false; });
    return valid;
}

// Maps every Latin-1 character whose mapping is Latin-1 too; the others keep their form, so
// that a text stays sendable as it is ("µ" and "ÿ" have their capitals outside Latin-1, "ß"
// has none of one character).
std::string mapCase(std::string_view text, gunichar (*map)(gunichar))
{
    std::string result;
    result.reserve(text.size());
    forEachCharacter(
        text,
        [&](gunichar c, std::string_view bytes) {
            gunichar mapped = c <= 0xFF ? map(c) : c;
            if (mapped > 0xFF) {
                result.append(bytes);
                return;
            }
            char buffer[6];
            result.append(buffer, static_cast<size_t>(g_unichar_to_utf8(mapped, buffer)));
        },
        [&](char byte) { result += byte; });
    return result;
}

size_t skipDigits(std::string_view text, size_t pos)
{
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9')
        ++pos;
    return pos;
}

// End of the number that starts at pos: optional sign, digits with an optional "." fraction,
// an exponent only when digits follow it; pos itself when there are no digits.
size_t numberEnd(std::string_view text, size_t pos)
{
    size_t start = pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        ++pos;
    size_t intEnd = skipDigits(text, pos);
    size_t end = intEnd;
    bool digits = intEnd > pos;
    if (end < text.size() && text[end] == '.') {
        size_t fracEnd = skipDigits(text, end + 1);
        digits = digits || fracEnd > end + 1;
        end = fracEnd;
    }
    if (!digits)
        return start;
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        size_t expPos = end + 1;
        if (expPos < text.size() && (text[expPos] == '+' || text[expPos] == '-'))
            ++expPos;
        size_t expEnd = skipDigits(text, expPos);
        if (expEnd > expPos)
            end = expEnd;
    }
    return end;
}

} // namespace

int64_t intValue(std::string_view text)
{
    size_t pos = skipBlanks(text, 0);
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    int base = 10;
    if (pos < text.size() && text[pos] == '$') {
        base = 16;
        ++pos;
    } else if (pos < text.size() && text[pos] == '%') {
        base = 2;
        ++pos;
    }
    // A number beyond the 64-bit range stands at the range's end: wrapped around, a large
    // limit would turn into a negative one.
    const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
    uint64_t value = 0;
    for (; pos < text.size(); ++pos) {
        int digit = digitValue(text[pos]);
        if (digit >= base)
            break;
        if (value > (limit - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base))
            value = limit;
        else
            value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    if (negative)
        return value == limit ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(value);
    return static_cast<int64_t>(value);
}

double decimalValue(std::string_view text)
{
    size_t start = skipBlanks(text, 0);
    size_t end = numberEnd(text, start);
    if (end == start)
        return 0.0;
    std::string number(text.substr(start, end - start));
    return g_ascii_strtod(number.c_str(), nullptr);
}

bool isNumberText(std::string_view text)
{
    size_t start = skipBlanks(text, 0);
    size_t end = numberEnd(text, start);
    return end > start && skipBlanks(text, end) == text.size();
}

std::string formatDecimal(double value)
{
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value > 0 ? "+Infinity" : "-Infinity";
    // %f of the largest doubles needs about 320 characters.
    char buffer[G_ASCII_DTOSTR_BUF_SIZE + 360];
    g_ascii_formatd(buffer, sizeof buffer, "%.10f", value);
    std::string result(buffer);
    size_t dot = result.find('.');
    if (dot != std::string::npos) {
        size_t last = result.find_last_not_of('0');
        result.erase(last == dot ? dot : last + 1);
    }
    if (result == "-0")
        result = "0";
    return result;
}

void replaceAll(std::string& text, std::string_view from, std::string_view to)
{
    size_t pos = from.empty() ? std::string::npos : text.find(from);
    if (pos == std::string::npos)
        return;
    // Built in one pass: replacing in place would move the rest of the text for every occurrence.
    std::string result;
    result.reserve(text.size());
    size_t done = 0;
    for (; pos != std::string::npos; pos = text.find(from, done)) {
        result.append(text, done, pos - done).append(to);
        done = pos + from.size();
    }
    result.append(text, done);
    text = std::move(result);
}

std::vector<std::string> splitText(std::string_view text, std::string_view separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t end = separator.empty() ? std::string_view::npos : text.find(separator, start);
        parts.emplace_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + separator.size();
    }
}

std::string latin1ToUtf8(std::string_view bytes)
{
    std::string result;
    result.reserve(bytes.size());
    for (char c : bytes) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            result += c;
        } else {
            result += static_cast<char>(0xC0 | (byte >> 6));
            result += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return result;
}

std::string utf8ToLatin1(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    forEachCharacter(text, [&](gunichar c, std::string_view) { result += c <= 0xFF ? static_cast<char>(c) : '?'; },
                     [&](char) { result += '?'; });
    return result;
}

std::string upperText(std::string_view text)
{
    return mapCase(text, g_unichar_toupper);
}

std::string lowerText(std::string_view text)
{
    return mapCase(text, g_unichar_tolower);
}

std::string fileBytesToUtf8(std::string_view bytes)
{
    bool ascii = true;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (!ascii && validUtf8(bytes))
        return std::string(bytes);
    return latin1ToUtf8(bytes);
}

std::string stripBlanks(std::string_view text)
{
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return "";
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

std::string lineFieldText(std::string_view text)
{
    std::string kept;
    kept.reserve(text.size());
    for (char c : text) {
        if (c != '\t' && c != '\r' && c != '\n')
            kept += c;
    }
    return kept;
}

std::string safeText(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    forEachCharacter(
        text, [&](gunichar c, std::string_view bytes) { result.append(c == 0 ? std::string_view("?") : bytes); },
        [&](char byte) { result += latin1ToUtf8(std::string_view(&byte, 1)); });
    return result;
}

std::string fileBytesOf(std::string_view text)
{
    bool latin1 = true;
    forEachCharacter(text, [&](gunichar c, std::string_view) { latin1 = latin1 && c <= 0xFF; }, [](char) {});
    return latin1 ? utf8ToLatin1(text) : std::string(text);
}

std::string visibleText(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    auto add = [&](gunichar c, std::string_view bytes) {
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            char hex[8];
            g_snprintf(hex, sizeof hex, "<%02X>", c);
            result += hex;
        } else {
            result += bytes;
        }
    };
    forEachCharacter(text, add, [&](char byte) {
        std::string utf8 = latin1ToUtf8(std::string_view(&byte, 1));
        add(static_cast<unsigned char>(byte), utf8);
    });
    return result;
}

std::string joinText(const std::vector<std::string>& parts, std::string_view separator)
{
    std::string text;
    for (size_t k = 0; k < parts.size(); ++k) {
        if (k > 0)
            text += separator;
        text += parts[k];
    }
    return text;
}

std::string localTimeText(const char* format)
{
    GDateTime* time = g_date_time_new_now_local();
    gchar* text = g_date_time_format(time, format);
    std::string result(text ? text : "");
    g_free(text);
    g_date_time_unref(time);
    return result;
}
