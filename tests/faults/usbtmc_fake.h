// The kernel's usbtmc driver as its documentation describes it, faked at the system-call
// boundary through link-time wrappers (ld --wrap of open, close, read, write and ioctl): opening
// the fake's path gives a descriptor on which a write is one message to the instrument, a read
// returns its answer message (a read shorter than asked for, or the end-of-message bit, ends
// it) or fails with ETIMEDOUT, and the ioctls give the capabilities, the status byte, the
// time-out, device clear and go-to-local. Every other descriptor goes to the system.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct FakeUsbtmc {
    std::string path = "/dev/usbtmc7";
    unsigned char capabilities = 0;
    unsigned char statusByte = 0;
    // The instrument: a message it was sent (its bytes as written), and the answer it queues
    // ("" none). An answer that starts with "late:" comes only after one read has timed out.
    std::function<std::string(const std::string&)> answer;
    bool unplugged = false;

    // What the driver saw.
    std::vector<std::string> heard;
    uint32_t timeoutMs = 0;
    int clears = 0;
    int gotoLocals = 0;
    int opens = 0;
    int closes = 0;
};

// The fake, reset to its defaults; lock the mutex while changing it with a port open.
FakeUsbtmc& fakeUsbtmc();
std::mutex& fakeUsbtmcLock();
void resetFakeUsbtmc();
