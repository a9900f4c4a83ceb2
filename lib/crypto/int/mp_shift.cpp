// Shifts by any number of bits. Shifts act on the magnitude and keep the sign, so a right shift
// of a negative number rounds toward zero.
#include <climits>

#include "crypto/int/mp_internal.h"

namespace vkt::crypto::mp {

using namespace detail;

namespace {

void ShiftLeft(MpConst a, std::int32_t k, MpInt* c) {
    std::int32_t na = Size(a);
    bool negative = IsNegative(a);
    std::int32_t limbs = k / NBITS;
    int bits = k % NBITS;
    Reserve(c, na + limbs + 1, &a);
    Limb* r = Digits(*c);
    const Limb* s = Digits(a);
    // From the top down, so that the output may be the input.
    if (bits == 0) {
        r[na + limbs] = 0;
        for (std::int32_t i = na - 1; i >= 0; --i) r[i + limbs] = s[i];
    } else {
        r[na + limbs] = s[na - 1] >> (NBITS - bits);
        for (std::int32_t i = na - 1; i >= 1; --i) {
            r[i + limbs] = ((s[i] << bits) & kMask) | (s[i - 1] >> (NBITS - bits));
        }
        r[limbs] = (s[0] << bits) & kMask;
    }
    for (std::int32_t i = 0; i < limbs; ++i) r[i] = 0;
    SetSize(*c, na + limbs + 1, negative);
}

void ShiftRight(MpConst a, std::int32_t k, MpInt* c) {
    std::int32_t na = Size(a);
    bool negative = IsNegative(a);
    std::int32_t limbs = k / NBITS;
    int bits = k % NBITS;
    if (limbs >= na) {
        zero(c);
        return;
    }
    std::int32_t n = na - limbs;
    Reserve(c, n, &a);
    Limb* r = Digits(*c);
    const Limb* s = Digits(a) + limbs;
    // From the bottom up, so that the output may be the input.
    if (bits == 0) {
        for (std::int32_t i = 0; i < n; ++i) r[i] = s[i];
    } else {
        for (std::int32_t i = 0; i + 1 < n; ++i) {
            r[i] = (s[i] >> bits) | ((s[i + 1] << (NBITS - bits)) & kMask);
        }
        r[n - 1] = s[n - 1] >> bits;
    }
    SetSize(*c, n, negative);
}

}  // namespace

void lshift(MpConst a, std::int32_t k, MpInt* c) {
    a = OrZero(a);
    if (k < 0) {
        ShiftRight(a, k == INT_MIN ? INT_MAX : -k, c);
    } else {
        ShiftLeft(a, k, c);
    }
}

void rshift(MpConst a, std::int32_t k, MpInt* c) {
    a = OrZero(a);
    if (k < 0) {
        ShiftLeft(a, k == INT_MIN ? INT_MAX : -k, c);
    } else {
        ShiftRight(a, k, c);
    }
}

}  // namespace vkt::crypto::mp
