// What the transports on a file descriptor share: the write that waits for a line that takes
// no more, the read that never blocks, and noticing a device that has gone.
#pragma once

#include <string_view>

#include "serial/transport.h"

class DescriptorTransport : public Transport {
public:
    ~DescriptorTransport() override;
    State state() const override { return fd >= 0 ? State::Open : State::Failed; }
    OpenFailureReason failure() const override { return why; }
    int64_t write(std::string_view bytes) override;
    int64_t read(char* buffer, int64_t maxCount) override;
    bool inputWaits() override;
    bool lost() override;
    int descriptor() const override { return fd; }

protected:
    // Whether the descriptor shows a hang-up while nothing waits to be read.
    virtual bool hungUp() = 0;
    // A read met the end of the stream (a connection's peer closed it).
    virtual void endOfStream() {}
    // Notes a failed system call: an error that means the device is no longer there makes it lost.
    void noteFailure(int error);
    // Bytes waiting to be read; -1 when the question failed.
    int waiting();
    int fd = -1;
    bool gone = false;
    OpenFailureReason why;
};

// Why a device file did not open, from the open's errno.
OpenFailure kindOfOpenError(int error);
