// The one main event loop and its dispatch by window.
#pragma once

#include "ui/events.h"

// Takes events until quitRequested is set, blocking in the toolkit while the queue is empty.
void runMainLoop();
// Hands one event to the dispatch function of its window.
void dispatchEvent(const Event& event);
