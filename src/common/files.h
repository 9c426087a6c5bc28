// Whole-file reading and crash-safe writing.
#pragma once

#include <string>
#include <string_view>

// Writes the bytes to a temporary file beside path and renames it over path, so that a crash
// or a full disk never leaves a half-written file. Returns false when nothing was replaced, with
// the system's reason in reason when one is given.
bool writeFileAtomic(const std::string& path, std::string_view bytes, std::string* reason = nullptr);

// The message of a save that failed: what happened, the file, and the system's reason.
std::string notSavedText(const std::string& path, const std::string& reason);

// The largest file that Quirlo reads: 256 MiB.
constexpr long long largestReadFile = 256LL << 20;

// Reads the whole regular file of at most largestReadFile bytes into bytes. Returns false (and
// leaves bytes empty) when it cannot, or for anything else: a directory, a FIFO, a device.
bool readWholeFile(const std::string& path, std::string& bytes);

bool fileExists(const std::string& path);

// Whether the path ends in the extension (".xyz", lower case), compared in lower case.
bool hasExtension(const std::string& path, const char* extension);

// The last part of a path: the file's name with its extension.
std::string fileName(const std::string& path);
// The directory part of a path, with a trailing "/".
std::string directoryOf(const std::string& path);
