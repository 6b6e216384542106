// The clock's 128-bit scaling, and its portable division against the
// compiler's where the compiler has one.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "midi/clock/midi_clock_math.h"

namespace {

using namespace clockmath;

TEST(ClockMath, ScalesBeyondSixtyFourBitsExactly) {
    int64_t rest = -1;
    // 24 hours in ns times 30000 * 1000 ticks: the product needs 90 bits.
    const int64_t day = int64_t{86400} * 1000000000;
    EXPECT_EQ(mulDivFloor(day, 30000000, int64_t{1001} * 1000000000, &rest),
              int64_t{86400} * 30000000 / 1001);
    EXPECT_EQ(rest, (int64_t{86400} * 30000000 % 1001) * 1000000000);

    EXPECT_EQ(mulDivFloor(7, 3, 2, &rest), 10);
    EXPECT_EQ(rest, 1);
    // Negative values round toward minus infinity, with a positive remainder.
    EXPECT_EQ(mulDivFloor(-7, 3, 2, &rest), -11);
    EXPECT_EQ(rest, 1);
    EXPECT_EQ(mulDivFloor(-6, 3, 2, &rest), -9);
    EXPECT_EQ(rest, 0);
    // Quotients beyond the range saturate.
    EXPECT_EQ(mulDivFloor(std::numeric_limits<int64_t>::max(), 4, 1),
              std::numeric_limits<int64_t>::max());
}

TEST(ClockMath, PortableDivisionAgreesWithTheReference) {
    uint64_t seed = 0x9E3779B97F4A7C15u;
    auto next = [&seed] {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        return seed;
    };
    for (int i = 0; i < 20000; ++i) {
        const uint64_t a = next() >> (next() % 64);
        const uint64_t b = next() >> (next() % 64);
        const uint64_t d = (next() >> (next() % 64)) | 1u;
        const Product128 product = multiply64(a, b);
        uint64_t portableRest = 0;
        const uint64_t portable = divide128Portable(product, d, &portableRest);
        if (product.high >= d) {
            EXPECT_EQ(portable, std::numeric_limits<uint64_t>::max());
            continue;
        }
#if defined(__SIZEOF_INT128__)
        const unsigned __int128 wide = static_cast<unsigned __int128>(a) * b;
        ASSERT_EQ(product.high, static_cast<uint64_t>(wide >> 64));
        ASSERT_EQ(product.low, static_cast<uint64_t>(wide));
        ASSERT_EQ(portable, static_cast<uint64_t>(wide / d));
        ASSERT_EQ(portableRest, static_cast<uint64_t>(wide % d));
#else
        // Without a native 128-bit type: quotient * d + rest gives back the product.
        const Product128 back = multiply64(portable, d);
        uint64_t low = back.low + portableRest;
        uint64_t high = back.high + (low < back.low ? 1 : 0);
        ASSERT_EQ(high, product.high);
        ASSERT_EQ(low, product.low);
        ASSERT_LT(portableRest, d);
#endif
    }
}

}  // namespace
