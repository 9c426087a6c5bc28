// A device for the exchange's tests, on a clock of the test's own: every wait moves the clock,
// and the device's answers arrive at the times the script gives.
#pragma once

#include <limits>
#include <map>
#include <string>
#include <vector>

#include "run/device_exchange.h"

// Answers lines that end with "\r\n": each answer in parts, each part the given milliseconds
// after the line (or after the part before it).
class ScriptedDevice : public ExchangePort {
public:
    struct Part {
        int64_t afterMs;
        std::string bytes;
    };

    int64_t write(std::string_view bytes) override
    {
        if (refuseWrites || gone)
            return 0;
        received += bytes;
        for (size_t end; (end = received.find("\r\n")) != std::string::npos; received.erase(0, end + 2)) {
            std::string line = received.substr(0, end);
            lines.push_back(line);
            if (line == goneAfter) {
                gone = true;
                pending.clear();
                break;
            }
            int64_t at = now;
            for (const Part& part : script[line])
                pending.emplace(at += part.afterMs, part.bytes);
        }
        return static_cast<int64_t>(bytes.size());
    }
    int64_t read(char* buffer, int64_t maxCount) override
    {
        arrive();
        int64_t count = std::min<int64_t>(static_cast<int64_t>(arrived.size()), maxCount);
        arrived.copy(buffer, static_cast<size_t>(count));
        arrived.erase(0, static_cast<size_t>(count));
        return count;
    }
    void discardInput() override
    {
        arrive();
        arrived.clear();
    }
    int64_t lineErrors() override { return 2; }
    void wait(int64_t milliseconds) override
    {
        now += milliseconds;
        waits.push_back(milliseconds);
    }
    int64_t nowMs() override { return now; }
    bool lost() override { return gone; }
    // Goes away after receiving the line: it neither answers it nor takes another.
    std::string goneAfter;
    // Bytes that the device sends now, unasked.
    void sendNow(const std::string& bytes) { pending.emplace(now, bytes); }
    // When the next bytes arrive.
    int64_t nextArrival() const
    {
        return pending.empty() ? std::numeric_limits<int64_t>::max() : pending.begin()->first;
    }

    std::map<std::string, std::vector<Part>> script;
    std::vector<std::string> lines; // what the device received, line by line
    std::vector<int64_t> waits;
    bool refuseWrites = false;
    bool gone = false;
    int64_t now = 0;

private:
    void arrive()
    {
        for (auto next = pending.begin(); next != pending.end() && next->first <= now; next = pending.erase(next))
            arrived += next->second;
    }

    std::string received;
    std::multimap<int64_t, std::string> pending;
    std::string arrived;
};
