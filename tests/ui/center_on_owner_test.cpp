// Where centerOnOwner puts a window: centred on the reference, then the
// left (top) clamp, and the right (bottom) clamp only when that one does not
// apply.
#include <gtest/gtest.h>

#include "ui/center_on_owner.h"

namespace {

TEST(CenteredPlacement, CentresThenClampsLeftBeforeRight) {
    struct Case {
        const char* name;
        RECT reference;
        RECT bounds;
        int w, h;
        int x, y;
    };
    const Case cases[] = {
        {"inside", {100, 100, 500, 400}, {0, 0, 1000, 800}, 200, 100, 200, 200},
        {"past the left and top", {0, 0, 100, 100}, {0, 0, 1000, 800}, 300, 300, 0, 0},
        {"past the right and bottom", {900, 700, 1000, 800}, {0, 0, 1000, 800}, 300, 200, 700, 600},
        {"larger than the bounds, centred past the left and top", {0, 0, 1000, 800},
         {0, 0, 1000, 800}, 1200, 900, 0, 0},
        {"larger than the bounds, centred inside the left and top", {600, 400, 1000, 800},
         {0, 0, 1000, 800}, 1200, 900, -200, -100},
        {"halves truncate toward zero", {-301, -3, 0, 0}, {-1000, -1000, 1000, 1000}, 101, 3, -200, -2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Placement place = centeredPlacement(c.reference, c.bounds, c.w, c.h);
        EXPECT_EQ(place.x, c.x);
        EXPECT_EQ(place.y, c.y);
    }
}

}  // namespace
