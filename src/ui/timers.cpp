// Window timers as one-shot GLib time-outs that post timer events.
#include "ui/timers.h"

#include <glib-unix.h>
#include <glib.h>

#include <algorithm>
#include <map>
#include <utility>

#include "ui/events.h"
#include "ui/ids.h"

namespace {

using TimerKey = std::pair<int, int>;

struct Timer {
    int interval = 0;
    // The GLib sources while armed, 0 once the tick has come.
    guint source = 0;
    guint input = 0; // the watch on a descriptor, 0 when there is none
};

std::map<TimerKey, Timer> timers;

void freeKey(gpointer data)
{
    delete static_cast<TimerKey*>(data);
}

void disarm(Timer& timer)
{
    if (timer.source != 0)
        g_source_remove(timer.source);
    if (timer.input != 0)
        g_source_remove(timer.input);
    timer.source = 0;
    timer.input = 0;
}

gboolean tick(gpointer data)
{
    // The key goes with the source: disarming removes the other source, and this one too.
    const TimerKey key = *static_cast<const TimerKey*>(data);
    auto found = timers.find(key);
    if (found != timers.end())
        disarm(found->second);
    postEvent(EvTimer, key.first, key.second);
    return G_SOURCE_REMOVE;
}

gboolean inputTick(gint, GIOCondition, gpointer data)
{
    return tick(data);
}

} // namespace

namespace {

Timer& arm(int window, int timerId, int intervalMs)
{
    removeTimer(window, timerId);
    Timer& timer = timers[{window, timerId}];
    timer.interval = intervalMs;
    if (intervalMs >= 0)
        timer.source = g_timeout_add_full(G_PRIORITY_DEFAULT, static_cast<guint>(intervalMs), tick,
                                          new TimerKey(window, timerId), freeKey);
    return timer;
}

void watch(Timer& timer, int window, int timerId, int descriptor, int priority)
{
    if (descriptor >= 0)
        timer.input = g_unix_fd_add_full(priority, descriptor, GIOCondition(G_IO_IN | G_IO_HUP | G_IO_ERR), inputTick,
                                         new TimerKey(window, timerId), freeKey);
}

} // namespace

void addTimer(int window, int timerId, int intervalMs)
{
    arm(window, timerId, std::max(intervalMs, 0));
}

void addTimerOrInput(int window, int timerId, int intervalMs, int descriptor)
{
    watch(arm(window, timerId, std::max(intervalMs, 0)), window, timerId, descriptor, G_PRIORITY_DEFAULT);
}

void addInputWatch(int window, int timerId, int descriptor, int limitMs)
{
    // Below the toolkit's redraws (G_PRIORITY_HIGH_IDLE + 20).
    watch(arm(window, timerId, std::max(limitMs, -1)), window, timerId, descriptor, G_PRIORITY_DEFAULT_IDLE);
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
