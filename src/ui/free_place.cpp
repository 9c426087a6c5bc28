// Where a window that opens goes so that it covers none of the windows already there.
#include "ui/free_place.h"

#include <algorithm>
#include <set>

namespace {

constexpr int gap = 10;

bool overlap(const PlaceRect& a, const PlaceRect& b)
{
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

} // namespace

std::optional<std::pair<int, int>> freePlace(const PlaceRect& screen, const std::vector<PlaceRect>& taken, int width,
                                             int height)
{
    std::set<int> xs{screen.x}, ys{screen.y};
    for (const PlaceRect& rect : taken) {
        xs.insert(rect.x + rect.width + gap);
        ys.insert(rect.y + rect.height + gap);
        ys.insert(rect.y);
    }
    for (int y : ys) {
        for (int x : xs) {
            PlaceRect place{x, y, width, height};
            bool inside = x + width <= screen.x + screen.width && y + height <= screen.y + screen.height;
            if (inside && std::none_of(taken.begin(), taken.end(),
                                       [&](const PlaceRect& rect) { return overlap(place, rect); }))
                return std::make_pair(x, y);
        }
    }
    return std::nullopt;
}
