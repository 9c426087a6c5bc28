// Where a window that opens goes so that it covers none of the windows already there.
#pragma once

#include <optional>
#include <utility>
#include <vector>

struct PlaceRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// The first place (top to bottom, then left to right) within the screen where a window of
// width x height covers none of the taken rectangles; candidates are the screen's corner and
// the places right of and below each taken one, 10 pixels apart. None when nothing fits.
std::optional<std::pair<int, int>> freePlace(const PlaceRect& screen, const std::vector<PlaceRect>& taken, int width,
                                             int height);
