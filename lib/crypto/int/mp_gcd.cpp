// Greatest common divisor with Bezout coefficients (extended Euclid), and the modular inverse.
//
// An odd modulus (the RSA case) takes the division-step inverse of mp_inv_odd.cpp, whose time
// does not depend on the number inverted. Euclid's long divisions remain for even moduli and
// for a gcd other than 1.
#include <utility>

#include "crypto/int/mp_internal.h"
#include "crypto/int/mp_inv.h"

namespace vkt::crypto::mp {

using namespace detail;

namespace {

// Remainder sequence r, and coefficients s, t with r = s |a| + t |b| for every pair.
MpInt gR0 = nullptr, gR1 = nullptr;
MpInt gS0 = nullptr, gS1 = nullptr;
MpInt gT0 = nullptr, gT1 = nullptr;
MpInt gQuotient = nullptr, gTemp = nullptr;
// Operands and results of the inverse.
MpInt gReduced = nullptr, gModulus = nullptr, gHalf = nullptr;
MpInt gGcd = nullptr, gCoefficient = nullptr, gOther = nullptr;

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

void WipeInverse() {
    for (MpInt x : {gReduced, gModulus, gHalf, gGcd, gCoefficient, gOther}) WipeInt(x);
}

bool IsOdd(MpConst a) {
    return (Digits(a)[0] & 1) != 0;
}

void Euclid(MpConst a, MpConst b, MpInt* g, MpInt* x, MpInt* y) {
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

// Euclid's result for a != 0 and odd b when gcd(a, b) = 1, from v = |a|^-1 mod |b|; returns
// false, writing nothing, when the gcd is not 1. Euclid's coefficient s of |a| is the one with
// |s| < |b| / 2: with remainders r_0 = |a|, r_1 = |b|, ..., r_k = 1, r_{k+1} = 0 and
// coefficients s_i, every i has r_i |s_{i+1}| + r_{i+1} |s_i| = |b|; for k >= 2, r_{k-1} is a
// multiple of r_k = 1 above it, so |s_k| <= |b| / r_{k-1} <= |b| / 2 (k = 1 means |b| = 1 and
// s = 0). With |b| odd that leaves s = v when v <= (|b| - 1) / 2, else s = v - |b|.
bool CoprimeBezout(MpConst a, MpConst b, MpInt* g, MpInt* x, MpInt* y) {
    copy(a, &gReduced);
    abs(&gReduced);
    copy(b, &gModulus);
    abs(&gModulus);
    if (compare(gReduced, gModulus) >= 0) mod(gReduced, gModulus, &gReduced);
    if (!InvOddModulus(gReduced, gModulus, &gCoefficient)) return false;
    rshift(gModulus, 1, &gHalf);
    if (compare(gCoefficient, gHalf) > 0) sub(gCoefficient, gModulus, &gCoefficient);
    if (IsNegative(a)) sub(nullptr, gCoefficient, &gCoefficient);
    if (y != nullptr) {  // y = (1 - a x) / b, an exact division
        mul(a, gCoefficient, &gOther);
        one(&gGcd);
        sub(gGcd, gOther, &gOther);
        div(gOther, b, &gOther, nullptr);
    }
    // a and b may be outputs: they are not read from here on.
    if (x != nullptr) copy(gCoefficient, x);
    if (y != nullptr) copy(gOther, y);
    if (g != nullptr) one(g);
    return true;
}

}  // namespace

void xxeucl(MpConst a, MpConst b, MpInt* g, MpInt* x, MpInt* y) {
    a = OrZero(a);
    b = OrZero(b);
    if (!iszero(a) && IsOdd(b)) {
        bool done = CoprimeBezout(a, b, g, x, y);
        WipeInverse();
        if (done) return;
    }
    Euclid(a, b, g, x, y);
}

// No inverse exists when gcd(a, m) != 1; the result is then 0, which is never an inverse
// modulo m > 1.
void inv(MpConst a, MpConst m, MpInt* c) {
    if (sign(a) <= 0 || sign(m) <= 0) Fatal("zero or neg args in inv");
    if (compare(a, m) >= 0) {
        mod(a, m, &gReduced);
        a = gReduced;
    }
    if (!IsOdd(m) || !InvOddModulus(a, m, c)) {
        Euclid(a, m, &gGcd, &gCoefficient, nullptr);
        if (bitlength(gGcd) != 1) {
            zero(c);
        } else {
            mod(gCoefficient, m, c);
        }
    }
    WipeInverse();
}

}  // namespace vkt::crypto::mp
