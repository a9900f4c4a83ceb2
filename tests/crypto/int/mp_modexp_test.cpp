// Modular arithmetic of the integer package against OpenSSL's BIGNUM: products, both
// exponentiations on odd moduli (Montgomery words, every kernel size) and even moduli, the
// RSA private-key operation by the Chinese remainder theorem, and the inverse.
#include <gtest/gtest.h>

#include <string>
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

Bn FromDec(const char* dec) {
    BIGNUM* bn = nullptr;
    BN_dec2bn(&bn, dec);
    return Bn(bn);
}

Bn EvenBn(int bits) {
    Bn bn = RandomBn(bits);
    BN_clear_bit(bn.get(), 0);
    BN_set_bit(bn.get(), 1);
    return bn;
}

TEST(MpMulmod, ProductsAndSquaresModuloAgreeWithOracle) {
    BnCtx ctx;
    for (int i = 0; i < 100; ++i) {
        int modBits = 2 + RandomBelow(4095);
        Bn m = i % 2 ? RandomOddBn(modBits) : EvenBn(modBits);
        Bn x = RandomBn(RandomBelow(2 * modBits + 40), true);
        Bn y = RandomBn(RandomBelow(modBits + 40), true);
        Int a, b, mm, product, square;
        FromBn(x.get(), a.out());
        FromBn(y.get(), b.out());
        FromBn(m.get(), mm.out());
        mulmod(a, b, mm, product.out());
        sqmod(a, mm, square.out());
        Bn ep = NewBn(), es = NewBn();
        BN_mod_mul(ep.get(), x.get(), y.get(), m.get(), ctx);
        BN_mod_sqr(es.get(), x.get(), m.get(), ctx);
        ASSERT_TRUE(Normalised(product));
        ASSERT_EQ(Hex(product), Hex(ep.get()));
        ASSERT_EQ(Hex(square), Hex(es.get()));
    }
}

// Both exponentiations, and the windowed one at a few explicit widths, against BN_mod_exp.
void ExpectPowersAgree(const BIGNUM* x, const BIGNUM* e, const BIGNUM* m, BN_CTX* ctx,
                       const std::vector<int>& widths) {
    Int a, ee, mm, binary;
    FromBn(x, a.out());
    FromBn(e, ee.out());
    FromBn(m, mm.out());
    Bn expected = NewBn();
    BN_mod_exp(expected.get(), x, e, m, ctx);  // in [0, m) for a positive m
    std::string want = Hex(expected.get());
    std::string what = "modulus " + std::to_string(BN_num_bits(m)) + " bits, exponent " +
                       std::to_string(BN_num_bits(e)) + " bits";
    expmod(a, ee, mm, binary.out());
    EXPECT_TRUE(Normalised(binary));
    EXPECT_EQ(Hex(binary), want) << "expmod, " << what;
    for (int k : widths) {
        Int windowed;
        expmod_m_ary(a, ee, mm, windowed.out(), k);
        EXPECT_TRUE(Normalised(windowed));
        EXPECT_EQ(Hex(windowed), want) << "expmod_m_ary k=" << k << ", " << what;
    }
}

TEST(MpExpmod, BinaryAndWindowedAgreeWithOracle) {
    struct Shape {
        int modBits;
        bool odd;
        std::vector<int> exponentLimbs;
    };
    // Odd moduli cover the fixed-size kernels (8, 16, 24, 32, 48, 64 words) and the generic
    // one (1, 3, 11 words); even moduli take the long-division path.
    const Shape shapes[] = {
        {61, true, {1, 2, 17}},
        {130, true, {1, 2, 17, 100}},
        {512, true, {1, 2, 17, 100, 300}},
        {700, true, {1, 2, 17}},
        {1024, true, {1, 2, 17, 100}},
        {1536, true, {2, 17}},
        {2048, true, {1, 2, 17}},
        {3072, true, {2}},
        {4096, true, {1, 2}},
        {8192, true, {1, 2}},
        {64, false, {1, 2, 17}},
        {512, false, {1, 2, 17, 100, 300}},
        {1024, false, {1, 2}},
    };
    BnCtx ctx;
    for (const Shape& s : shapes) {
        Bn m = s.odd ? RandomOddBn(s.modBits) : EvenBn(s.modBits);
        for (int limbs : s.exponentLimbs) {
            Bn e = RandomBn(limbs * NBITS - RandomBelow(NBITS));
            Bn x = RandomBn(s.modBits - 1 + RandomBelow(3));  // sometimes above m
            ExpectPowersAgree(x.get(), e.get(), m.get(), ctx, {1});
        }
    }
}

TEST(MpExpmod, WindowedAgreesAtEveryWidth) {
    BnCtx ctx;
    Bn e = RandomBn(3 * NBITS);
    ExpectPowersAgree(RandomBn(1000).get(), e.get(), RandomOddBn(1024).get(), ctx,
                      {-5, 0, 1, 2, 3, 4, 5, 7, 10});
    // The widest tables on a small modulus; widths above the cap give the same result.
    ExpectPowersAgree(RandomBn(150).get(), e.get(), RandomOddBn(150).get(), ctx,
                      {11, 12, 13, 29, 30, 1000});
    ExpectPowersAgree(RandomBn(500).get(), e.get(), EvenBn(600).get(), ctx, {2, 5, 29});
}

TEST(MpExpmod, SignsAndDegenerateOperands) {
    struct Case {
        const char *base, *exponent, *modulus, *expected;
    };
    const char* twoLimbs = "1152921504606846977";  // 2^60 + 1
    const Case cases[] = {
        {"0", "0", "7", "1"},  // e = 0 gives 1, also for base 0
        {"5", "0", "7", "1"},
        {"0", "5", "7", "0"},  // base 0 gives 0
        {"0", twoLimbs, "7", "0"},
        {"5", "0", "1", "0"},  // everything is 0 modulo 1
        {"5", twoLimbs, "1", "0"},
        {"-2", "3", "7", "6"},  // -8 mod 7
        {"-2", twoLimbs, "1000000007", nullptr},
        {"3", "5", "-7", "-2"},  // 243 mod -7, sign of the modulus
        {"3", twoLimbs, "-1000", nullptr},
        {"14", "3", "7", "0"},
        {"2", "10", "1000", "24"},
        {"1000000000000", "2", "999999999999", "1"},
    };
    BnCtx ctx;
    for (const Case& k : cases) {
        Int a, e, m, binary, windowed;
        FromBn(FromDec(k.base).get(), a.out());
        FromBn(FromDec(k.exponent).get(), e.out());
        FromBn(FromDec(k.modulus).get(), m.out());
        expmod(a, e, m, binary.out());
        expmod_m_ary(a, e, m, windowed.out(), 1);
        std::string want;
        if (k.expected != nullptr) {
            want = Hex(FromDec(k.expected).get());
        } else {  // from the oracle, moved into the convention of mod
            Bn absM = FromDec(k.modulus);
            BN_set_negative(absM.get(), 0);
            Bn r = NewBn();
            BN_mod_exp(r.get(), FromDec(k.base).get(), FromDec(k.exponent).get(), absM.get(), ctx);
            BN_nnmod(r.get(), r.get(), absM.get(), ctx);
            if (k.modulus[0] == '-' && !BN_is_zero(r.get())) BN_sub(r.get(), r.get(), absM.get());
            want = Hex(r.get());
        }
        EXPECT_TRUE(Normalised(binary));
        EXPECT_EQ(Hex(binary), want) << k.base << "^" << k.exponent << " mod " << k.modulus;
        EXPECT_EQ(Hex(windowed), want) << k.base << "^" << k.exponent << " mod " << k.modulus;
    }
}

// The private-key operation as the RSA code runs it: x^d mod n by two half-size windowed
// exponentiations and recombination with u = p^-1 mod q.
TEST(MpExpmod, ChineseRemainderMatchesThePlainPower) {
    BnCtx ctx;
    for (int bits : {1024, 2048}) {
        Bn p = NewBn(), q = NewBn(), e = NewBn(), n = NewBn(), phi = NewBn(), d = NewBn();
        Bn p1 = NewBn(), q1 = NewBn(), dp = NewBn(), dq = NewBn();
        BN_set_word(e.get(), 65537);
        do {
            BN_generate_prime_ex(p.get(), bits / 2, 0, nullptr, nullptr, nullptr);
            BN_generate_prime_ex(q.get(), bits / 2, 0, nullptr, nullptr, nullptr);
            BN_sub(p1.get(), p.get(), BN_value_one());
            BN_sub(q1.get(), q.get(), BN_value_one());
            BN_mul(phi.get(), p1.get(), q1.get(), ctx);
        } while (BN_cmp(p.get(), q.get()) == 0 ||
                 BN_mod_inverse(d.get(), e.get(), phi.get(), ctx) == nullptr);
        BN_mul(n.get(), p.get(), q.get(), ctx);
        BN_mod(dp.get(), d.get(), p1.get(), ctx);
        BN_mod(dq.get(), d.get(), q1.get(), ctx);
        Bn x = NewBn();
        BN_rand_range(x.get(), n.get());

        Int mp_, mq, mdp, mdq, mx, me, mn, u, xp, xq, m1, m2, h, result, back;
        FromBn(p.get(), mp_.out());
        FromBn(q.get(), mq.out());
        FromBn(dp.get(), mdp.out());
        FromBn(dq.get(), mdq.out());
        FromBn(x.get(), mx.out());
        FromBn(e.get(), me.out());
        FromBn(n.get(), mn.out());
        inv(mp_, mq, u.out());
        mod(mx, mp_, xp.out());
        mod(mx, mq, xq.out());
        expmod_m_ary(xp, mdp, mp_, m1.out(), 1);
        expmod_m_ary(xq, mdq, mq, m2.out(), 1);
        sub(m2, m1, h.out());
        mulmod(h, u, mq, h.out());
        mul(mp_, h, result.out());
        add(result, m1, result.out());

        Bn expected = NewBn();
        BN_mod_exp(expected.get(), x.get(), d.get(), n.get(), ctx);
        EXPECT_EQ(Hex(result), Hex(expected.get())) << bits;
        expmod(result, me, mn, back.out());  // the public operation undoes it
        EXPECT_EQ(Hex(back), Hex(x.get())) << bits;
    }
}

TEST(MpInv, InverseAgreesWithOracleAndIsZeroWithoutOne) {
    BnCtx ctx;
    for (int i = 0; i < 80; ++i) {
        int modBits = 2 + RandomBelow(4095);
        Bn m = i % 3 == 0 ? EvenBn(modBits) : RandomOddBn(modBits);
        Bn x = RandomBn(1 + RandomBelow(modBits + 30));
        Int a, mm, c;
        FromBn(x.get(), a.out());
        FromBn(m.get(), mm.out());
        inv(a, mm, c.out());
        Bn expected = NewBn();
        if (BN_mod_inverse(expected.get(), x.get(), m.get(), ctx) == nullptr) {
            BN_zero(expected.get());
        }
        ASSERT_TRUE(Normalised(c));
        ASSERT_EQ(Hex(c), Hex(expected.get())) << Hex(x.get()) << " mod " << Hex(m.get());
    }
    Int a, m, c;
    intoz(6, a.out());
    intoz(9, m.out());
    inv(a, m, c.out());
    EXPECT_TRUE(iszero(c));
    intoz(1, m.out());
    inv(a, m, c.out());
    EXPECT_TRUE(iszero(c));
}

TEST(MpXxeucl, GcdAndBezoutCoefficientsWithSigns) {
    BnCtx ctx;
    std::vector<std::pair<Bn, Bn>> pairs;
    for (int i = 0; i < 60; ++i) {
        Bn common = RandomBn(RandomBelow(200));
        Bn x = RandomBn(RandomBelow(2000), true), y = RandomBn(RandomBelow(2000), true);
        if (!BN_is_zero(common.get())) {
            BN_mul(x.get(), x.get(), common.get(), ctx);
            BN_mul(y.get(), y.get(), common.get(), ctx);
        }
        pairs.emplace_back(std::move(x), std::move(y));
    }
    pairs.emplace_back(FromDec("0"), FromDec("0"));
    pairs.emplace_back(FromDec("0"), FromDec("-12"));
    pairs.emplace_back(FromDec("-12"), FromDec("0"));
    for (auto& [x, y] : pairs) {
        Int a, b, g, s, t;
        FromBn(x.get(), a.out());
        FromBn(y.get(), b.out());
        xxeucl(a, b, g.out(), s.out(), t.out());
        Bn expected = NewBn();
        BN_gcd(expected.get(), x.get(), y.get(), ctx);
        ASSERT_EQ(Hex(g), Hex(expected.get())) << Hex(x.get()) << ", " << Hex(y.get());
        Bn ax = NewBn(), by = NewBn(), sum = NewBn();
        BN_mul(ax.get(), x.get(), ToBn(s).get(), ctx);
        BN_mul(by.get(), y.get(), ToBn(t).get(), ctx);
        BN_add(sum.get(), ax.get(), by.get());
        ASSERT_EQ(Hex(sum.get()), Hex(expected.get())) << Hex(x.get()) << ", " << Hex(y.get());
    }
}

}  // namespace
}  // namespace vkt::crypto::mp::test
