// Window timers as one-shot GLib time-outs that post timer events.
#include "ui/timers.h"

#include <glib.h>

#include <map>
#include <utility>

#include "ui/events.h"
#include "ui/ids.h"

namespace {

using TimerKey = std::pair<int, int>;

struct Timer {
    int interval = 0;
    // The GLib source while armed, 0 once the tick has come.
    guint source = 0;
};

std::map<TimerKey, Timer> timers;

gboolean tick(gpointer data)
{
    const auto* key = static_cast<const TimerKey*>(data);
    auto found = timers.find(*key);
    if (found != timers.end())
        found->second.source = 0;
    postEvent(EvTimer, key->first, key->second);
    return G_SOURCE_REMOVE;
}

void freeKey(gpointer data)
{
    delete static_cast<TimerKey*>(data);
}

void disarm(Timer& timer)
{
    if (timer.source != 0)
        g_source_remove(timer.source);
    timer.source = 0;
}

} // namespace

void addTimer(int window, int timerId, int intervalMs)
{
    removeTimer(window, timerId);
    Timer& timer = timers[{window, timerId}];
    timer.interval = intervalMs < 0 ? 0 : intervalMs;
    timer.source = g_timeout_add_full(G_PRIORITY_DEFAULT, static_cast<guint>(timer.interval), tick,
                                      new TimerKey(window, timerId), freeKey);
}

void removeTimer(int window, int timerId)
{
    auto found = timers.find({window, timerId});
    if (found != timers.end()) {
        disarm(found->second);
        timers.erase(found);
    }
    dropQueuedEvents(EvTimer, window, timerId);
}

bool timerActive(int window, int timerId)
{
    return timers.count({window, timerId}) != 0;
}

int timerInterval(int window, int timerId)
{
    auto found = timers.find({window, timerId});
    return found == timers.end() ? -1 : found->second.interval;
}

void removeAllTimers()
{
    for (auto& [key, timer] : timers)
        disarm(timer);
    timers.clear();
}
