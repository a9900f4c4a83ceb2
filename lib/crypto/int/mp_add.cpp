// Signed addition and subtraction, and the magnitude routines under them.
#include <utility>

#include "crypto/int/mp_internal.h"

namespace vkt::crypto::mp {
namespace detail {

std::int32_t TrimmedSize(const Limb* a, std::int32_t n) {
    while (n > 1 && a[n - 1] == 0) --n;
    return n;
}

int CompareLimbs(const Limb* a, std::int32_t na, const Limb* b, std::int32_t nb) {
    na = TrimmedSize(a, na);
    nb = TrimmedSize(b, nb);
    if (na != nb) return na < nb ? -1 : 1;
    for (std::int32_t i = na - 1; i >= 0; --i) {
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    }
    return 0;
}

Limb AddLimbs(Limb* r, const Limb* a, std::int32_t na, const Limb* b, std::int32_t nb) {
    Limb carry = 0;
    std::int32_t i = 0;
    for (; i < nb; ++i) {
        Limb t = a[i] + b[i] + carry;  // < 2^31
        r[i] = t & kMask;
        carry = t >> NBITS;
    }
    for (; i < na; ++i) {
        Limb t = a[i] + carry;
        r[i] = t & kMask;
        carry = t >> NBITS;
    }
    return carry;
}

void SubLimbs(Limb* r, const Limb* a, std::int32_t na, const Limb* b, std::int32_t nb) {
    Limb borrow = 0;
    std::int32_t i = 0;
    for (; i < nb; ++i) {
        Limb t = a[i] - b[i] - borrow;  // wraps below zero: bit 31 set
        r[i] = t & kMask;
        borrow = t >> 31;
    }
    for (; i < na; ++i) {
        Limb t = a[i] - borrow;
        r[i] = t & kMask;
        borrow = t >> 31;
    }
}

}  // namespace detail

using namespace detail;

namespace {

// c = (-1)^negA |a| + (-1)^negB |b|.
void AddSigned(MpConst a, bool negA, MpConst b, bool negB, MpInt* c) {
    std::int32_t na = Size(a);
    std::int32_t nb = Size(b);
    if (negA == negB) {
        if (na < nb) {
            std::swap(a, b);
            std::swap(na, nb);
        }
        Reserve(c, na + 1, &a, &b);
        Limb* r = Digits(*c);
        r[na] = AddLimbs(r, Digits(a), na, Digits(b), nb);
        SetSize(*c, na + 1, negA);
        return;
    }
    int order = CompareLimbs(Digits(a), na, Digits(b), nb);
    if (order == 0) {
        zero(c);
        return;
    }
    if (order < 0) {
        std::swap(a, b);
        std::swap(na, nb);
        std::swap(negA, negB);
    }
    Reserve(c, na, &a, &b);
    SubLimbs(Digits(*c), Digits(a), na, Digits(b), nb);
    SetSize(*c, na, negA);
}

}  // namespace

void add(MpConst a, MpConst b, MpInt* c) {
    a = OrZero(a);
    b = OrZero(b);
    AddSigned(a, IsNegative(a), b, IsNegative(b), c);
}

void sub(MpConst a, MpConst b, MpInt* c) {
    a = OrZero(a);
    b = OrZero(b);
    AddSigned(a, IsNegative(a), b, !IsNegative(b), c);
}

}  // namespace vkt::crypto::mp
