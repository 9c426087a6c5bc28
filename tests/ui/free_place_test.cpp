// Where a window that opens goes so that it covers none of the others.
#include <gtest/gtest.h>

#include "ui/free_place.h"

TEST(FreePlace, BesideTheOthersWhenTheScreenHasRoomElseNowhere)
{
    const PlaceRect screen{0, 0, 1920, 1080};
    // The demo's program and protocol windows: the diagram goes right of them.
    std::vector<PlaceRect> taken{{180, 10, 640, 470}, {180, 505, 900, 320}};
    EXPECT_EQ(freePlace(screen, taken, 740, 520), std::make_pair(1090, 0));
    // No room beside them on a small screen: below them, then nowhere.
    EXPECT_EQ(freePlace({0, 0, 1100, 1400}, taken, 740, 520), std::make_pair(0, 835));
    EXPECT_EQ(freePlace({0, 0, 1024, 768}, taken, 740, 520), std::nullopt);
    EXPECT_EQ(freePlace(screen, {}, 740, 520), std::make_pair(0, 0));
}
