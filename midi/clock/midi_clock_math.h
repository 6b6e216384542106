// Exact integer scaling for the clock: floor(a * b / c) with a 128-bit
// intermediate product, so that hours of nanoseconds times a tick rate
// neither overflow nor round.
#pragma once

#include <cstdint>
#include <limits>

namespace clockmath {

struct Product128 {
    uint64_t high;
    uint64_t low;
};

inline Product128 multiply64(uint64_t a, uint64_t b) {
    const uint64_t aLow = a & 0xFFFFFFFFu, aHigh = a >> 32;
    const uint64_t bLow = b & 0xFFFFFFFFu, bHigh = b >> 32;
    const uint64_t lowLow = aLow * bLow;
    const uint64_t highLow = aHigh * bLow;
    const uint64_t lowHigh = aLow * bHigh;
    const uint64_t highHigh = aHigh * bHigh;
    const uint64_t middle = (lowLow >> 32) + (highLow & 0xFFFFFFFFu) + (lowHigh & 0xFFFFFFFFu);
    return {highHigh + (highLow >> 32) + (lowHigh >> 32) + (middle >> 32),
            (middle << 32) | (lowLow & 0xFFFFFFFFu)};
}

// n / d by shifting and subtracting; the quotient saturates when it does not
// fit 64 bits. Portable, and the reference the fast path is tested against.
inline uint64_t divide128Portable(Product128 n, uint64_t d, uint64_t* remainder) {
    if (n.high >= d) {
        *remainder = 0;
        return std::numeric_limits<uint64_t>::max();
    }
    uint64_t rest = n.high;
    uint64_t quotient = 0;
    for (int bit = 63; bit >= 0; --bit) {
        const bool carry = (rest >> 63) != 0;
        rest = (rest << 1) | ((n.low >> bit) & 1u);
        quotient <<= 1;
        if (carry || rest >= d) {
            rest -= d;
            quotient |= 1u;
        }
    }
    *remainder = rest;
    return quotient;
}

inline uint64_t divide128(Product128 n, uint64_t d, uint64_t* remainder) {
#if defined(__SIZEOF_INT128__)
    if (n.high >= d) {
        *remainder = 0;
        return std::numeric_limits<uint64_t>::max();
    }
    const unsigned __int128 wide = (static_cast<unsigned __int128>(n.high) << 64) | n.low;
    *remainder = static_cast<uint64_t>(wide % d);
    return static_cast<uint64_t>(wide / d);
#else
    return divide128Portable(n, d, remainder);
#endif
}

// floor(a * b / c) for b >= 0 and c > 0, with the remainder in [0, c);
// saturates at the int64 range.
inline int64_t mulDivFloor(int64_t a, int64_t b, int64_t c, int64_t* remainder = nullptr) {
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    const uint64_t magnitude = a < 0 ? 0 - static_cast<uint64_t>(a) : static_cast<uint64_t>(a);
    uint64_t rest = 0;
    const uint64_t quotient = divide128(multiply64(magnitude, static_cast<uint64_t>(b)),
                                        static_cast<uint64_t>(c), &rest);
    int64_t result;
    int64_t resultRest;
    if (a >= 0) {
        result = quotient > static_cast<uint64_t>(kMax) ? kMax : static_cast<int64_t>(quotient);
        resultRest = static_cast<int64_t>(rest);
    } else {
        result = quotient >= static_cast<uint64_t>(kMax) ? -kMax : -static_cast<int64_t>(quotient);
        resultRest = 0;
        if (rest != 0) {
            result -= 1;
            resultRest = c - static_cast<int64_t>(rest);
        }
    }
    if (remainder) *remainder = resultRest;
    return result;
}

inline int64_t floorDiv(int64_t a, int64_t c, int64_t* remainder) {
    return mulDivFloor(a, 1, c, remainder);
}

}  // namespace clockmath
