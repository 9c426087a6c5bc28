// The groups of Quirlo.ini, each declared once by the subsystem that keeps it: its keys with
// the setting each is bound to, so that one list writes the group and reads it back. The file
// holds the groups in the order they were registered.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/ini_file.h"

// One key: how its value is written, and how a value read from the file is taken (a value that
// it does not accept leaves its setting as it was).
struct IniKey {
    std::string key;
    std::function<std::string()> write;
    std::function<void(const std::string& value)> read; // none: written for other tools only
    // Taken in place of a missing key; none: a missing key leaves the setting as it was.
    std::optional<std::string> missing;
};
// "0" or "1"; other values are not taken.
IniKey flagKey(std::string key, bool& member);
// A decimal number; a value read counts by its leading decimal number (0 without one).
IniKey numberKey(std::string key, int64_t& member);
// A whole number within low..high; other values are not taken.
IniKey integerKey(std::string key, int& member, int64_t low, int64_t high);

// Keys Prefix1, Prefix2, ... for the items of a list; read up to the first missing key.
struct IniList {
    std::string prefix;
    std::function<std::vector<std::string>()> write;
    std::function<void(const std::vector<std::string>& values)> read;
};

struct IniGroup {
    explicit IniGroup(std::string name, std::vector<IniKey> keys = {}) : name(std::move(name)), keys(std::move(keys)) {}
    std::string name;
    std::vector<IniKey> keys;
    std::optional<IniList> list; // after the keys
    // Unset: always written; else only when it says so, so that files of the old form stay as
    // they were.
    std::function<bool()> written;
    // After its keys were read: what depends on several of them.
    std::function<void()> afterRead;
    // Read at a time of its own (readIniGroup), not with the others.
    bool readApart = false;
};

// The keys and values the group writes now.
std::vector<std::pair<std::string, std::string>> iniValues(const IniGroup& group);

void registerIniGroup(IniGroup group);
void clearIniGroups();
// The whole file: every registered group that is written, in order.
std::string iniText();
// Reads every registered group but those read apart, in order; or one group by its name.
void readIniGroups(const IniFile& ini);
void readIniGroup(const IniFile& ini, const std::string& name);
// One group on its own, registered or not: its text as the file holds it, and its read.
std::string iniGroupText(const IniGroup& group);
void readIniGroup(const IniFile& ini, const IniGroup& group);
