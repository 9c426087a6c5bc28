// Link-time wrappers (ld --wrap) around the system calls of the serial port layer: a test
// makes the Nth call of one of them fail with an error, or write only part of its bytes.
// Only calls on the device the wrapped open opened last are counted, so the test's own end of
// the terminal is never touched.
#pragma once

#include <string>

struct InjectedFault {
    std::string call;       // "open", "read", "write", "ioctl", "tcflush" or "tcsetattr"
    int nth = 1;            // the call that fails, counted from 1
    int error = 0;          // errno of the failure; 0 with shortCount
    bool shortCount = false; // write: half of the bytes, no error
};

// Arms the fault; the counts start again.
void injectFault(const InjectedFault& fault);
// No fault from now on.
void clearFault();
// Whether the armed fault has struck.
bool faultStruck();
