// The program's directories and scratch file, resolved once at start-up.
#pragma once

#include <string>

// Directory of the running executable with a trailing "/"; the current directory when
// "/proc/self/exe" cannot be read.
std::string findProgramDir();
// The current directory with a trailing "/" ("./" when it cannot be read).
std::string currentDir();
// HOME with a trailing "/"; the current directory when HOME is unset or empty.
std::string findHomeDir();
// The directory text with exactly one trailing "/".
std::string withTrailingSlash(const std::string& directory);
