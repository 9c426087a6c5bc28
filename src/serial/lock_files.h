// The UUCP lock files through which serial programs (minicom, picocom and others) tell each
// other which device is in use: "LCK..NAME" in the lock directory, holding the owner's process
// id as ten characters and a line feed. Free of any window.
#pragma once

#include <cstdint>
#include <string>

// The lock directory; a test points it at a directory of its own.
extern std::string lockDirectory;

// The lock file of the device: its name below /dev, links resolved, with "/" as "_".
std::string lockFilePath(const std::string& devicePath);

// Takes the device's lock for this process, under the device's own name and, when it was named
// through a link, under the name given too; a lock whose process is gone is stale and taken
// over. owner is the process that held the lock before (this one's id when it held it
// already, 0 for none). False when a live other process holds a lock, with its owner and
// lockFile. Where no lock can be written (no lock directory, no right to write in it), nothing
// is locked and the result is true.
bool takeDeviceLock(const std::string& devicePath, int64_t& owner, std::string& lockFile);
// Removes the device's locks that this process holds.
void releaseDeviceLock(const std::string& devicePath);
