// The application's event queue.
#include "ui/events.h"

#include <algorithm>
#include <deque>

namespace {

std::deque<Event> queue;

bool matches(const Event& event, int kind, int window, int object)
{
    return event.kind == kind && event.window == window && event.object == object;
}

} // namespace

void postEvent(const Event& event)
{
    queue.push_back(event);
}

void postEvent(int kind, int window, int object, int type)
{
    Event event;
    event.kind = kind;
    event.window = window;
    event.object = object;
    event.type = type;
    queue.push_back(event);
}

bool takeEvent(Event& event)
{
    if (queue.empty())
        return false;
    event = queue.front();
    queue.pop_front();
    return true;
}

bool eventQueued(int kind, int window, int object)
{
    return std::any_of(queue.begin(), queue.end(),
                       [&](const Event& event) { return matches(event, kind, window, object); });
}

void dropQueuedEvents(int kind, int window, int object)
{
    std::erase_if(queue, [&](const Event& event) { return matches(event, kind, window, object); });
}

void clearEvents()
{
    queue.clear();
}
