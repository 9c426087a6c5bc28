// The INI dialect of Quirlo.ini: reading with case-insensitive groups and keys, writing in the
// exact layout the program always writes. Free of any window.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>

// A read Quirlo.ini: the values by lower-case group and key; the first of repeated keys wins.
class IniFile {
public:
    // Reads the text: a UTF-8 byte-order mark is skipped, ";" starts a comment line, blanks and
    // tabs around "=" and at the ends of a line do not count. Lines outside a group are ignored.
    explicit IniFile(const std::string& text);
    // The value, or fallback when the key is missing.
    std::string text(const std::string& group, const std::string& key, const std::string& fallback) const;
    // The leading decimal number of the value (0 without one), or fallback when the key is missing.
    int64_t number(const std::string& group, const std::string& key, int64_t fallback) const;
    bool has(const std::string& group, const std::string& key) const;

private:
    std::map<std::pair<std::string, std::string>, std::string> values;
};

// The leading decimal number of a Quirlo.ini value, 0 without one.
int64_t iniNumber(const std::string& value);

// Writes the groups and keys in the order they come, "key = value" with an empty line before
// every group but the first.
class IniWriter {
public:
    void group(const std::string& name);
    void add(const std::string& key, const std::string& value);
    void add(const std::string& key, int64_t value);
    const std::string& text() const { return content; }

private:
    std::string content;
};

// Window places held on monitor 0 (width and height w0, h0): the main window within
// 4..w0-164 and 24..h0-220, another window so that its whole size fits, never negative.
std::pair<int64_t, int64_t> clampMainWindow(int64_t x, int64_t y, int64_t w0, int64_t h0);
std::pair<int64_t, int64_t> clampWindow(int64_t x, int64_t y, int64_t width, int64_t height, int64_t w0, int64_t h0);
