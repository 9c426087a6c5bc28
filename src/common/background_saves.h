// Saves that build their text and write their file off the main loop: a big protocol takes a
// second to write, and a run or a monitored stream must not wait for it. One save thread takes
// the saves in the order they were asked for, so that the last save of a file is the one that
// stays. Each save works on values it was given (a snapshot), never on the program's state.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

struct SaveOutcome {
    bool saved = false;
    std::string reason; // the system's, when it failed
    std::string text;   // what a build without a file gave (a clipboard text)
};

// Runs work on the save thread; done gets its outcome on the main loop.
void inBackground(std::function<SaveOutcome()> work, std::function<void(SaveOutcome&)> done);
// Waits until every save asked for is done and hands their outcomes over now: at exit, so that
// the last autosave is written whole and last; tests, so that they see what a save did.
void finishBackgroundSaves();

// Replaces what follows the file's first keepBytes bytes with tail. Those bytes are not written
// again, so that a file that grows for hours costs a write of its tail only; they stay whole
// whatever happens, the tail is as safe as a write in place. With keepBytes 0 the file holds
// the tail alone, written to a temporary file renamed over it: a crash leaves the old file or
// the new one, whole.
bool replaceFileKeepingStart(const std::string& path, int64_t keepBytes, std::string_view tail,
                             std::string* reason = nullptr);
