// While a program run changes its windows row by row, or a device streams into the protocol,
// they redraw at most once per frame, so that the exchange with a device never waits for
// drawing.
#pragma once

#include <functional>
#include <initializer_list>

// 25 frames a second: the lists still move smoothly, and a fast run, whose queries take a
// tenth of a millisecond, is held up by a redraw at most once in 400 queries.
constexpr unsigned frameMs = 40;
// A window that keeps changing outside a run (a device streaming into the protocol) draws ten
// times a second: a list's draw costs about a millisecond however few rows it adds, and nobody
// reads a stream faster. A change after a quiet spell still draws within a frame.
constexpr unsigned streamFrameMs = 100;

// From now on the windows (those that exist, and those that appear later) draw what changed
// once per frame; a second call replaces the first.
void beginFramedRedraws(std::initializer_list<int> windows);
// Draws what is left at once, and the windows redraw as usual again.
void endFramedRedraws();
// While it lives, framed windows draw as usual and no frame timer runs (a dialog waits for the
// user); then the frames go on.
class PausedFramedRedraws {
public:
    PausedFramedRedraws();
    ~PausedFramedRedraws();
    PausedFramedRedraws(const PausedFramedRedraws&) = delete;
    PausedFramedRedraws& operator=(const PausedFramedRedraws&) = delete;

private:
    bool paused;
};
// The frames that let the windows draw since the last beginFramedRedraws, its end included.
int framedRedrawCount();
// What changes in the window from now on draws once, a frame from now (a stream's frame when
// the window drew a moment ago), however many changes come (a monitored stream's lines); then
// the window draws as usual again, and while nothing changes no timer runs. False when the window is not shown, so nothing waits.
bool drawAtFrameEnd(int window);
// Does the work at the end of the frame, just before the window draws (a later work for the
// window replaces an earlier one: the list scrolls once to its last line, not to every line);
// at once when the window is not shown.
void atFrameEnd(int window, std::function<void()> work);
