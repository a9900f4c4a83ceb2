// The random generator: a multiplicative sequence x <- x * a mod P with the prime P = 2^107 - 1
// and a = 3^121 mod P. It supplies handle values, initialisation vectors and the random padding
// of RSA blocks.
//
// The state is kept below P in one 128-bit word; the product of two such numbers is reduced
// with the Mersenne identity 2^107 = 1 (mod P). A state of 0 would stay 0 for ever, so every
// way of setting the state maps 0 to a non-zero value. At start-up the state is drawn from
// the system's generator mixed with the clocks; rstarts() gives tests a repeatable sequence.
#include "crypto/core/random.h"

#include <cstdint>
#include <cstring>
#include <ctime>

#include "crypto/core/alloc.h"
#include "crypto/core/layer.h"
#include "crypto/core/wide.h"
#include "crypto/crypto.h"
#include "platform/clock_sample.h"
#include "platform/system_random.h"

namespace vkt::crypto {
namespace {

constexpr u128 kP = (static_cast<u128>(1) << 107) - 1;
constexpr std::int32_t kDefaultSeed = 7157891;

u128 MulModP(u128 x, u128 y) {
    const std::uint64_t x0 = static_cast<std::uint64_t>(x),
                        x1 = static_cast<std::uint64_t>(x >> 64);
    const std::uint64_t y0 = static_cast<std::uint64_t>(y),
                        y1 = static_cast<std::uint64_t>(y >> 64);
    // x1, y1 < 2^43, so the cross products are below 2^107 and their sum below 2^108.
    const u128 p00 = static_cast<u128>(x0) * y0;
    const u128 mid = static_cast<u128>(x0) * y1 + static_cast<u128>(x1) * y0;
    const u128 p11 = static_cast<u128>(x1) * y1;
    const u128 lo = p00 + (mid << 64);
    const u128 carry = lo < p00 ? 1 : 0;
    const u128 hi = p11 + (mid >> 64) + carry;  // product = hi * 2^128 + lo, hi < 2^86
    // 2^128 = 2^21 * 2^107 = 2^21 (mod P).
    u128 r = (lo & kP) + (lo >> 107) + (hi << 21);
    r = (r & kP) + (r >> 107);
    if (r >= kP) r -= kP;
    return r;
}

struct Generator {
    u128 x = 0;
    u128 a = 0;
    bool seeded = false;
};
Generator g;

u128 Multiplier() {
    u128 result = 1, base = 3;
    for (unsigned e = 121; e != 0; e >>= 1) {
        if (e & 1) result = MulModP(result, base);
        base = MulModP(base, base);
    }
    return result;
}

void SetState(u128 value) {
    g.a = Multiplier();
    g.x = value % kP;
    if (g.x == 0) g.x = kDefaultSeed;
    g.seeded = true;
}

void SeedFromSignedInt(std::int32_t seed) {
    // A negative seed is taken modulo P, as the remainder with the sign of the modulus.
    u128 value = seed >= 0 ? static_cast<u128>(seed)
                           : kP - static_cast<u128>(-static_cast<std::int64_t>(seed));
    SetState(value);
}

std::uint32_t Draw(std::uint32_t bound) {
    if (bound < 1) return 0;
    if (!g.seeded) SeedFromSignedInt(kDefaultSeed);
    const u128 limit = kP - (kP % bound);
    do {
        g.x = MulModP(g.x, g.a);
    } while (g.x >= limit);
    return static_cast<std::uint32_t>(g.x % bound);
}

}  // namespace

void RandomSeedFromSystem() {
    unsigned char entropy[16] = {};
    // Without an entropy source the clocks below still give a seed.
    platform::FillSystemRandom(entropy, sizeof entropy);
    u128 value = 0;
    std::memcpy(&value, entropy, sizeof value);
    const platform::ClockSample now = platform::SampleClocks();
    const u128 clocks =
        (static_cast<u128>(static_cast<std::uint64_t>(now.realSeconds) ^ 17u) << 64) ^
        static_cast<std::uint64_t>(now.realNanoseconds) ^
        (static_cast<std::uint64_t>(now.monotonicNanoseconds) << 32) ^
        static_cast<std::uint64_t>(now.monotonicSeconds) ^ static_cast<std::uint64_t>(std::clock());
    value ^= clocks;
    SetState(value);
    CryptoWipe(entropy, sizeof entropy);
    CryptoWipe(&value, sizeof value);
}

void rstarts(std::int32_t seed) {
    LayerGuard guard;
    SeedFromSignedInt(seed);
}

std::uint32_t CryptoRandom(std::uint32_t bound) {
    LayerGuard guard;
    return Draw(bound);
}

std::uint32_t CryptoRandomBelow(std::uint32_t n) {
    LayerGuard guard;
    if (n == 0) return 0;
    return Draw(0x7FFFFFFFu) % n;
}

void CryptoRandomBytes(std::uint8_t* buffer, std::uint32_t count, bool skipZero) {
    LayerGuard guard;
    // Positions are filled from the last towards the first, four bytes of 3 * r per draw,
    // least significant first; zero bytes are left out when skipZero is set.
    std::uint32_t next = count;
    while (next > 0) {
        std::uint32_t v = 3u * Draw(0x7FFFFFFFu);
        for (int i = 0; i < 4 && next > 0; ++i, v >>= 8) {
            const auto byte = static_cast<std::uint8_t>(v & 0xFF);
            if (skipZero && byte == 0) continue;
            buffer[--next] = byte;
        }
    }
}

}  // namespace vkt::crypto
