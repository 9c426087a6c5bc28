// The application's event queue: GTK callbacks, timers and handlers post events here, and the
// main loop takes them one at a time.
#pragma once

struct Event {
    int kind = 0;       // EventKind
    int window = 0;     // WindowId
    int object = 0;     // menu item, control or timer id
    int type = 0;       // ControlEventType for control events
    int dropType = 0;   // for drops: the id of the list the drag started from
    int dropAction = 0; // for drops: the toolkit's drag action
    int dropRow = -1;   // for drops: the row the dropped entry goes before, -1 for the end
    int column = -1;    // for header clicks: the list column
};

void postEvent(const Event& event);
void postEvent(int kind, int window, int object, int type = 0);
// Takes the oldest event; false when the queue is empty.
bool takeEvent(Event& event);
bool eventQueued(int kind, int window, int object);
// Drops queued events of this kind, window and object (a removed timer's pending tick).
void dropQueuedEvents(int kind, int window, int object);
void clearEvents();
