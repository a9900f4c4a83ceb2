// Greatest common divisor with Bezout coefficients (extended Euclid), and the modular inverse.
#include <utility>

#include "crypto/int/mp_internal.h"

namespace vkt::crypto::mp {

using namespace detail;

namespace {

// Remainder sequence r, and coefficients s, t with r = s |a| + t |b| for every pair.
MpInt gR0 = nullptr, gR1 = nullptr;
MpInt gS0 = nullptr, gS1 = nullptr;
MpInt gT0 = nullptr, gT1 = nullptr;
MpInt gQuotient = nullptr, gTemp = nullptr;
MpInt gReduced = nullptr, gGcd = nullptr, gCoefficient = nullptr;

// (u0, u1) = (u1, u0 - q u1)
void Step(MpInt& u0, MpInt& u1) {
    mul(gQuotient, u1, &gTemp);
    sub(u0, gTemp, &gTemp);
    std::swap(u0, u1);
    std::swap(u1, gTemp);
}

void WipeEuclid() {
    for (MpInt x : {gR0, gR1, gS0, gS1, gT0, gT1, gQuotient, gTemp}) WipeInt(x);
}

}  // namespace

void xxeucl(MpConst a, MpConst b, MpInt* g, MpInt* x, MpInt* y) {
    a = OrZero(a);
    b = OrZero(b);
    bool negA = IsNegative(a);
    bool negB = IsNegative(b);
    copy(a, &gR0);
    abs(&gR0);
    copy(b, &gR1);
    abs(&gR1);
    one(&gS0);
    zero(&gS1);
    zero(&gT0);
    one(&gT1);
    while (!iszero(gR1)) {
        div(gR0, gR1, &gQuotient, &gTemp);
        std::swap(gR0, gR1);
        std::swap(gR1, gTemp);
        Step(gS0, gS1);
        Step(gT0, gT1);
    }
    // gcd = s |a| + t |b|; the signs of a and b move to the coefficients.
    if (x != nullptr) {
        if (negA) {
            sub(nullptr, gS0, x);
        } else {
            copy(gS0, x);
        }
    }
    if (y != nullptr) {
        if (negB) {
            sub(nullptr, gT0, y);
        } else {
            copy(gT0, y);
        }
    }
    if (g != nullptr) copy(gR0, g);
    WipeEuclid();
}

// No inverse exists when gcd(a, m) != 1; the result is then 0, which is never an inverse
// modulo m > 1.
void inv(MpConst a, MpConst m, MpInt* c) {
    if (sign(a) <= 0 || sign(m) <= 0) Fatal("zero or neg args in inv");
    mod(a, m, &gReduced);
    xxeucl(gReduced, m, &gGcd, &gCoefficient, nullptr);
    if (bitlength(gGcd) != 1) {
        zero(c);
    } else {
        mod(gCoefficient, m, c);
    }
    for (MpInt x : {gReduced, gGcd, gCoefficient}) WipeInt(x);
}

}  // namespace vkt::crypto::mp
