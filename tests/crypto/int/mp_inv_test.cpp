// The inverse modulo odd moduli (division steps on 62-bit limbs) and the Bezout coefficients
// that xxeucl derives from it, against OpenSSL's BIGNUM and a plain Euclid: limb-size edges up
// to 8192 bits, operands at the ends of their ranges, no inverse, and outputs that overwrite
// the inputs.
#include "crypto/int/mp_inv.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "crypto/int/mp.h"
#include "crypto/int/mp_oracle.h"

namespace vkt::crypto::mp::test {
namespace {

struct BnCtx {
    BN_CTX* ctx = BN_CTX_new();
    ~BnCtx() { BN_CTX_free(ctx); }
    operator BN_CTX*() const { return ctx; }
};

Bn Word(BN_ULONG w) {
    Bn bn = NewBn();
    BN_set_word(bn.get(), w);
    return bn;
}

Bn Dup(const BIGNUM* bn) {
    return Bn(BN_dup(bn));
}

// base + delta (delta may be negative).
Bn Offset(const BIGNUM* base, long delta) {
    Bn bn = Dup(base);
    Bn d = Word(static_cast<BN_ULONG>(delta < 0 ? -delta : delta));
    if (delta < 0) {
        BN_sub(bn.get(), bn.get(), d.get());
    } else {
        BN_add(bn.get(), bn.get(), d.get());
    }
    return bn;
}

Bn PowerOfTwoPlus(int bits, long delta) {
    Bn power = NewBn();
    BN_set_bit(power.get(), bits);
    return Offset(power.get(), delta);
}

Bn Prime(int bits) {
    Bn p = NewBn();
    BN_generate_prime_ex(p.get(), bits, 0, nullptr, nullptr, nullptr);
    return p;
}

// inv(a, m) against the oracle: the inverse in 0 .. m-1, or 0 when gcd(a, m) != 1. For odd m
// and a < m the division-step inverse alone, without Euclid behind it, must also find exactly
// the inverses that exist (for m = 1 that is 0).
void CheckInverse(const BIGNUM* a, const BIGNUM* m, BN_CTX* ctx) {
    Bn gcd = NewBn(), expected = NewBn();
    BN_gcd(gcd.get(), a, m, ctx);
    const bool exists = BN_is_one(gcd.get());
    if (BN_mod_inverse(expected.get(), a, m, ctx) == nullptr) BN_zero(expected.get());
    const std::string context = Hex(a) + " mod " + Hex(m);

    Int ma, mm, c;
    FromBn(a, ma.out());
    FromBn(m, mm.out());
    inv(ma, mm, c.out());
    ASSERT_TRUE(Normalised(c)) << context;
    ASSERT_EQ(Hex(c), Hex(expected.get())) << context;

    if (BN_is_odd(m) && BN_cmp(a, m) < 0) {
        Int core;
        ASSERT_EQ(detail::InvOddModulus(ma, mm, core.out()), exists) << context;
        if (exists) {
            ASSERT_TRUE(Normalised(core)) << context;
            ASSERT_EQ(Hex(core), Hex(expected.get())) << context;
        }
    }
}

// Every modulus below 256 with every operand up to twice the modulus.
TEST(MpInvOdd, EverySmallModulusAndOperand) {
    BnCtx ctx;
    for (BN_ULONG m = 1; m < 256; ++m) {
        for (BN_ULONG x = 1; x <= 2 * m; ++x) {
            ASSERT_NO_FATAL_FAILURE(CheckInverse(Word(x).get(), Word(m).get(), ctx));
        }
    }
}

// Moduli at the edges of the 62-bit limbs (61..63, 123..125, 1984 = 32 * 62 bits) and at key
// sizes up to 8192 bits: random odd, 2^k - 1 (all ones), 2^(k-1) + 1, random even. Operands:
// 1, 2, m - 1, m - 2, (m - 1) / 2, (m + 1) / 2, a power of two, random below m, m + 1 and
// operands of many more bits than m.
TEST(MpInvOdd, AgreesWithOracleAtLimbEdgesAndKeySizes) {
    BnCtx ctx;
    for (int bits : {3, 30, 31, 61, 62, 63, 123, 124, 125, 1024, 1984, 2048, 3001, 4096, 8192}) {
        std::vector<Bn> moduli;
        moduli.push_back(RandomOddBn(bits));
        moduli.push_back(PowerOfTwoPlus(bits, -1));
        moduli.push_back(PowerOfTwoPlus(bits - 1, 1));
        Bn even = RandomBn(bits);
        BN_clear_bit(even.get(), 0);
        moduli.push_back(std::move(even));
        for (const Bn& m : moduli) {
            std::vector<Bn> operands;
            operands.push_back(Word(1));
            operands.push_back(Word(2));
            operands.push_back(Offset(m.get(), -1));
            operands.push_back(Offset(m.get(), -2));
            for (long delta : {-1, 1}) {  // (m - 1) / 2 and (m + 1) / 2
                Bn half = Offset(m.get(), delta);
                BN_rshift1(half.get(), half.get());
                operands.push_back(std::move(half));
            }
            operands.push_back(PowerOfTwoPlus(bits - 2, 0));
            Bn below = NewBn();
            BN_rand_range(below.get(), m.get());
            if (!BN_is_zero(below.get())) operands.push_back(std::move(below));
            operands.push_back(Offset(m.get(), 1));
            operands.push_back(RandomBn(bits + 1 + RandomBelow(200)));
            for (const Bn& x : operands) {
                ASSERT_NO_FATAL_FAILURE(CheckInverse(x.get(), m.get(), ctx));
            }
        }
    }
}

// m = p q: multiples of p or q, m itself among them, have no inverse.
TEST(MpInvOdd, SharedFactorGivesZero) {
    BnCtx ctx;
    for (int bits : {64, 1024, 2048}) {
        Bn p = Prime(bits / 2), q = Prime(bits / 2), m = NewBn();
        BN_mul(m.get(), p.get(), q.get(), ctx);
        std::vector<Bn> operands;
        operands.push_back(Dup(p.get()));
        operands.push_back(Dup(q.get()));
        operands.push_back(Dup(m.get()));
        for (int extra : {1, bits / 3, bits + 50}) {
            Bn x = RandomBn(extra);
            BN_mul(x.get(), x.get(), p.get(), ctx);
            operands.push_back(std::move(x));
        }
        operands.push_back(Offset(m.get(), 1));  // inverts to 1
        for (const Bn& x : operands) {
            ASSERT_NO_FATAL_FAILURE(CheckInverse(x.get(), m.get(), ctx));
        }
    }
}

TEST(MpInvOdd, ResultMayOverwriteEitherOperand) {
    BnCtx ctx;
    for (int bits : {100, 2048}) {
        Bn m, x = RandomBn(bits + 40), inverse = NewBn();
        do {
            m = RandomOddBn(bits);
        } while (BN_mod_inverse(inverse.get(), x.get(), m.get(), ctx) == nullptr);
        const std::string expected = Hex(inverse.get());
        Int a, mm;
        FromBn(x.get(), a.out());
        FromBn(m.get(), mm.out());
        inv(a, mm, a.out());
        EXPECT_EQ(Hex(a), expected);
        FromBn(x.get(), a.out());
        inv(a, mm, mm.out());
        EXPECT_EQ(Hex(mm), expected);
    }
}

// Euclid's remainder sequence on |x|, |y| with the coefficients of every remainder, the signs
// of x and y moved to the coefficients: what xxeucl returns, stated independently.
void ReferenceEuclid(const BIGNUM* x, const BIGNUM* y, BN_CTX* ctx, Bn* g, Bn* s, Bn* t) {
    Bn r0 = Dup(x), r1 = Dup(y), s0 = Word(1), s1 = Word(0), t0 = Word(0), t1 = Word(1);
    Bn q = NewBn(), next = NewBn();
    BN_set_negative(r0.get(), 0);
    BN_set_negative(r1.get(), 0);
    auto step = [&](Bn& u0, Bn& u1) {  // (u0, u1) = (u1, u0 - q u1)
        BN_mul(next.get(), q.get(), u1.get(), ctx);
        BN_sub(next.get(), u0.get(), next.get());
        std::swap(u0, u1);
        std::swap(u1, next);
    };
    while (!BN_is_zero(r1.get())) {
        BN_div(q.get(), next.get(), r0.get(), r1.get(), ctx);
        std::swap(r0, r1);
        std::swap(r1, next);
        step(s0, s1);
        step(t0, t1);
    }
    if (BN_is_negative(x)) BN_set_negative(s0.get(), !BN_is_negative(s0.get()));
    if (BN_is_negative(y)) BN_set_negative(t0.get(), !BN_is_negative(t0.get()));
    *g = std::move(r0);
    *s = std::move(s0);
    *t = std::move(t0);
}

// Odd b of either sign (the division-step path when the gcd is 1, Euclid's otherwise). The
// operands 2 and b - 2 put the inverse on either side of |b| / 2, where the coefficient turns
// negative. Each output alone, all three together, and x or y written over a or b.
TEST(MpXxeuclOdd, CoefficientsAreEuclids) {
    BnCtx ctx;
    std::vector<std::pair<Bn, Bn>> pairs;
    for (int bits : {1, 2, 62, 63, 125, 1024, 2048, 4096}) {
        Bn b = bits == 1 ? Word(1) : RandomOddBn(bits);
        std::vector<Bn> as;
        as.push_back(Word(1));
        as.push_back(Word(2));
        as.push_back(Dup(b.get()));
        Bn below = Offset(b.get(), -2);
        if (!BN_is_zero(below.get()) && !BN_is_negative(below.get()))
            as.push_back(std::move(below));
        as.push_back(RandomBn(1 + RandomBelow(bits)));
        as.push_back(RandomBn(bits + 1 + RandomBelow(300)));
        Bn multiple = Dup(b.get());  // gcd |b|: Euclid's path with |a| > |b|
        BN_mul_word(multiple.get(), 3);
        as.push_back(std::move(multiple));
        for (Bn& a : as) {
            for (int signs = 0; signs < 4; ++signs) {
                Bn x = Dup(a.get()), y = Dup(b.get());
                BN_set_negative(x.get(), signs & 1);
                BN_set_negative(y.get(), (signs >> 1) & 1);
                pairs.emplace_back(std::move(x), std::move(y));
            }
        }
    }
    for (auto& [x, y] : pairs) {
        Bn eg, es, et;
        ReferenceEuclid(x.get(), y.get(), ctx, &eg, &es, &et);
        const std::string context = Hex(x.get()) + ", " + Hex(y.get());
        Int a, b, g, s, t;
        FromBn(x.get(), a.out());
        FromBn(y.get(), b.out());
        xxeucl(a, b, g.out(), s.out(), t.out());
        ASSERT_TRUE(Normalised(g) && Normalised(s) && Normalised(t)) << context;
        ASSERT_EQ(Hex(g), Hex(eg.get())) << context;
        ASSERT_EQ(Hex(s), Hex(es.get())) << context;
        ASSERT_EQ(Hex(t), Hex(et.get())) << context;

        Int only;
        xxeucl(a, b, nullptr, only.out(), nullptr);
        EXPECT_EQ(Hex(only), Hex(es.get())) << context;
        xxeucl(a, b, nullptr, nullptr, only.out());
        EXPECT_EQ(Hex(only), Hex(et.get())) << context;
        xxeucl(a, b, only.out(), nullptr, nullptr);
        EXPECT_EQ(Hex(only), Hex(eg.get())) << context;

        xxeucl(a, b, nullptr, a.out(), b.out());  // x over a, y over b
        EXPECT_EQ(Hex(a), Hex(es.get())) << context;
        EXPECT_EQ(Hex(b), Hex(et.get())) << context;
        FromBn(x.get(), a.out());
        FromBn(y.get(), b.out());
        xxeucl(a, b, nullptr, b.out(), a.out());  // x over b, y over a
        EXPECT_EQ(Hex(b), Hex(es.get())) << context;
        EXPECT_EQ(Hex(a), Hex(et.get())) << context;
    }
}

}  // namespace
}  // namespace vkt::crypto::mp::test
