// While a program run changes its windows row by row, they redraw at most once per frame, so
// that the exchange with a device never waits for drawing.
#pragma once

#include <initializer_list>

// From now on the windows (those that exist, and those that appear later) draw what changed
// once per frame; a second call replaces the first.
void beginFramedRedraws(std::initializer_list<int> windows);
// Draws what is left at once, and the windows redraw as usual again.
void endFramedRedraws();
// The frames that let the windows draw since the last beginFramedRedraws, its end included.
int framedRedrawCount();
