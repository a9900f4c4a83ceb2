// Modular exponentiation by the left-to-right binary method (square, then multiply when the
// exponent bit is set). Meant for public exponents: it runs in time that depends on the
// exponent's bits. Odd moduli run in the Montgomery form on 64-bit words, and the set-up of the
// last modulus is kept, since the same public key usually comes back; even moduli use the
// product and the remainder of the package after every step.
#include "crypto/core/alloc.h"
#include "crypto/int/mp_mont.h"

namespace vkt::crypto::mp {

using namespace detail;

namespace {

MpInt gModulus = nullptr;  // |m|
MpInt gBase = nullptr;     // a mod |m| (even moduli)
MpInt gResult = nullptr;
StaticBuffer gBaseWords;
StaticBuffer gAccumWords;
MontContext gMont;

bool ExponentBit(MpConst e, std::int32_t i) {
    return (Digits(e)[i / NBITS] >> (i % NBITS)) & 1;
}

void PowerMontgomery(MpConst a, MpConst e, std::int32_t bits) {
    gMont.Init(gModulus);
    std::size_t n = static_cast<std::size_t>(gMont.Words());
    u64* base = gBaseWords.Get<u64>(n);
    u64* acc = gAccumWords.Get<u64>(n);
    gMont.Enter(a, base);
    for (std::size_t j = 0; j < n; ++j) acc[j] = base[j];
    for (std::int32_t i = bits - 2; i >= 0; --i) {
        gMont.Sqr(acc, acc);
        if (ExponentBit(e, i)) gMont.Mul(acc, acc, base);
    }
    gMont.Leave(acc, &gResult);
    gBaseWords.Wipe();
    gAccumWords.Wipe();
    gMont.Finish(true);  // moduli here are public: keep R^2 mod m for the next call
}

void PowerDivision(MpConst a, MpConst e, std::int32_t bits) {
    mod(a, gModulus, &gBase);
    copy(gBase, &gResult);
    for (std::int32_t i = bits - 2; i >= 0; --i) {
        sq(gResult, &gResult);
        mod(gResult, gModulus, &gResult);
        if (ExponentBit(e, i)) {
            mul(gResult, gBase, &gResult);
            mod(gResult, gModulus, &gResult);
        }
    }
    WipeInt(gBase);
}

}  // namespace

void expmod(MpConst a, MpConst e, MpConst m, MpInt* c) {
    a = OrZero(a);
    e = OrZero(e);
    m = OrZero(m);
    if (iszero(m)) Fatal("mod zero in expmod");
    if (IsNegative(e)) Fatal("undef quotient in expmod");
    bool negativeModulus = IsNegative(m);
    copy(m, &gModulus);
    abs(&gModulus);
    std::int32_t bits = bitlength(e);
    if (bits == 0 || bitlength(gModulus) == 1) {
        intoz(1, &gResult);  // a^0 = 1, also for a = 0; everything is 0 modulo 1
        mod(gResult, gModulus, &gResult);
    } else if (Digits(gModulus)[0] & 1) {
        PowerMontgomery(a, e, bits);
    } else {
        PowerDivision(a, e, bits);
    }
    StoreResidue(gResult, gModulus, negativeModulus, c);
    WipeInt(gResult);
    WipeInt(gModulus);
}

}  // namespace vkt::crypto::mp
