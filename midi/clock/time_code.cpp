#include "midi/clock/time_code.h"

namespace {

constexpr int64_t kNsPerSecond = 1000000000;

// Nominal frames per second of each rate code (29.97 counts as 30 here).
int32_t nominalFrameRate(int32_t rateCode) {
    static const int32_t kRates[4] = {24, 25, 30, 30};
    return kRates[rateCode & 3];
}

bool isInRange(const TimeCode& code) {
    if (code.rateCode < kRate24 || code.rateCode > kRate30) return false;
    // Hours use five bits; senders that do not wrap at 24 go up to 31.
    return code.hours >= 0 && code.hours < 32 && code.minutes >= 0 && code.minutes < 60 &&
           code.seconds >= 0 && code.seconds < 60 && code.frames >= 0 &&
           code.frames < nominalFrameRate(code.rateCode);
}

}  // namespace

int64_t frameNanoseconds(int32_t rateCode) {
    if ((rateCode & 3) == kRate2997) return kNsPerSecond * 1001 / 30000;
    return kNsPerSecond / nominalFrameRate(rateCode);
}

int64_t timeCodeNanoseconds(const TimeCode& code) {
    const int64_t wholeSeconds =
        (static_cast<int64_t>(code.hours) * 60 + code.minutes) * 60 + code.seconds;
    if ((code.rateCode & 3) != kRate2997) {
        const int64_t rate = nominalFrameRate(code.rateCode);
        return wholeSeconds * kNsPerSecond + code.frames * kNsPerSecond / rate;
    }
    // Drop-frame: 30 frame numbers per second, minus the 2 skipped in each
    // minute that is not a multiple of ten; each real frame lasts 1001/30 ms.
    const int64_t totalMinutes = static_cast<int64_t>(code.hours) * 60 + code.minutes;
    const int64_t frameCount =
        wholeSeconds * 30 + code.frames - 2 * (totalMinutes - totalMinutes / 10);
    return frameCount * kNsPerSecond * 1001 / 30000;
}

std::array<uint8_t, 8> encodeQuarterFrames(const TimeCode& code) {
    return {
        static_cast<uint8_t>(0x00 + (code.frames & 0x0F)),
        static_cast<uint8_t>(0x10 + ((code.frames >> 4) & 0x0F)),
        static_cast<uint8_t>(0x20 + (code.seconds & 0x0F)),
        static_cast<uint8_t>(0x30 + ((code.seconds >> 4) & 0x0F)),
        static_cast<uint8_t>(0x40 + (code.minutes & 0x0F)),
        static_cast<uint8_t>(0x50 + ((code.minutes >> 4) & 0x0F)),
        static_cast<uint8_t>(0x60 + (code.hours & 0x0F)),
        static_cast<uint8_t>(0x70 + (code.rateCode << 1) + ((code.hours >> 4) & 0x01)),
    };
}

std::array<uint8_t, 10> encodeFullFrame(const TimeCode& code) {
    return {kSystemExclusive,
            kUniversalRealTime,
            0x7F,
            kTimeCodeSubId,
            kFullFrameSubId,
            static_cast<uint8_t>(((code.rateCode & 3) << 5) | (code.hours & 0x1F)),
            static_cast<uint8_t>(code.minutes & 0x7F),
            static_cast<uint8_t>(code.seconds & 0x7F),
            static_cast<uint8_t>(code.frames & 0x7F),
            kEndOfExclusive};
}

bool decodeFullFrame(const uint8_t* message, int32_t length, TimeCode* code) {
    if (message == nullptr || length != 10) return false;
    // F0 7F <device> 01 01 hh mm ss ff F7; any device number is accepted.
    if (message[0] != kSystemExclusive || message[1] != kUniversalRealTime ||
        message[3] != kTimeCodeSubId || message[4] != kFullFrameSubId || message[9] != kEndOfExclusive) {
        return false;
    }
    TimeCode decoded;
    decoded.rateCode = (message[5] >> 5) & 3;
    decoded.hours = message[5] & 0x1F;
    decoded.minutes = message[6];
    decoded.seconds = message[7];
    decoded.frames = message[8];
    if (!isInRange(decoded)) return false;
    *code = decoded;
    return true;
}

bool QuarterFrameAssembler::put(uint8_t data, int64_t now, TimeCode* code, int64_t* pieceZeroTime) {
    const int32_t piece = (data >> 4) & 7;
    if (piece == 0) {
        pieceZeroTime_ = now;
    } else if (piece != nextPiece_) {
        // A lost or reversed piece: wait for the next piece 0.
        nextPiece_ = 0;
        return false;
    }
    nibbles_[piece] = data & 0x0F;
    nextPiece_ = piece + 1;
    if (piece != 7) return false;
    nextPiece_ = 0;

    TimeCode decoded;
    decoded.frames = nibbles_[0] | ((nibbles_[1] & 0x1) << 4);
    decoded.seconds = nibbles_[2] | ((nibbles_[3] & 0x3) << 4);
    decoded.minutes = nibbles_[4] | ((nibbles_[5] & 0x3) << 4);
    decoded.hours = nibbles_[6] | ((nibbles_[7] & 0x1) << 4);
    decoded.rateCode = (nibbles_[7] >> 1) & 3;
    if (!isInRange(decoded)) return false;
    *code = decoded;
    *pieceZeroTime = pieceZeroTime_;
    return true;
}
