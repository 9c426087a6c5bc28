// Window timers as GLib time-outs that post timer events.
#include "ui/timers.h"

#include <glib.h>

#include <map>
#include <utility>

#include "ui/events.h"
#include "ui/ids.h"

namespace {

using TimerKey = std::pair<int, int>;

struct Timer {
    int window;
    int timerId;
    int interval;
    guint source;
};

std::map<TimerKey, Timer*> timers;

gboolean tick(gpointer data)
{
    const Timer* timer = static_cast<const Timer*>(data);
    // A tick that still waits in the queue is enough: a handler that blocks the loop for
    // longer than the interval must not find a backlog of ticks afterwards.
    if (!eventQueued(EvTimer, timer->window, timer->timerId))
        postEvent(EvTimer, timer->window, timer->timerId);
    return G_SOURCE_CONTINUE;
}

void freeTimer(gpointer data)
{
    delete static_cast<Timer*>(data);
}

} // namespace

void addTimer(int window, int timerId, int intervalMs)
{
    removeTimer(window, timerId);
    auto* timer = new Timer{window, timerId, intervalMs < 0 ? 0 : intervalMs, 0};
    timer->source = g_timeout_add_full(G_PRIORITY_DEFAULT, static_cast<guint>(timer->interval),
                                       tick, timer, freeTimer);
    timers[{window, timerId}] = timer;
}

void removeTimer(int window, int timerId)
{
    auto found = timers.find({window, timerId});
    if (found != timers.end()) {
        g_source_remove(found->second->source);
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
    return found == timers.end() ? -1 : found->second->interval;
}

void removeAllTimers()
{
    for (const auto& [key, timer] : timers)
        g_source_remove(timer->source);
    timers.clear();
}
