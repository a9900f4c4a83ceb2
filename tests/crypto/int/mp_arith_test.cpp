// The integer package's representation and its arithmetic, checked against OpenSSL's BIGNUM on
// random signed operands of up to 8192 bits.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
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

void Set(const char* dec, MpInt* c) {
    FromBn(FromDec(dec).get(), c);
}

int RandomBits(int maxBits) {
    return RandomBelow(maxBits + 1);
}

TEST(MpStorage, FirstAllocationHas140LimbsAndGrowthIsExactAndKeepsContents) {
    Int a;
    setlength(a.out(), 3);
    EXPECT_EQ(a.get()[-1], kMinLimbs);
    EXPECT_TRUE(iszero(a));
    EXPECT_TRUE(Normalised(a));

    Bn value = RandomBn(140 * NBITS, true);
    FromBn(value.get(), a.out());
    setlength(a.out(), 500);
    EXPECT_EQ(a.get()[-1], 500);
    EXPECT_EQ(Hex(a), Hex(value.get()));
    setlength(a.out(), 200);  // never shrinks
    EXPECT_EQ(a.get()[-1], 500);

    Int big;
    setlength(big.out(), 1000);
    EXPECT_EQ(big.get()[-1], 1000);
    mp::free(big.out());
    EXPECT_EQ(big.get(), nullptr);
}

TEST(MpStorage, OutputsGrowFromTheMinimumAsNeeded) {
    Int a, b, c;
    FromBn(RandomBn(8192).get(), a.out());
    FromBn(RandomBn(8192).get(), b.out());
    mul(a, b, c.out());  // 547 limbs
    EXPECT_GE(c.get()[-1], 547);
    EXPECT_TRUE(Normalised(c));
}

TEST(MpStorage, NullInputsReadAsZero) {
    Int x, c;
    Set("-123456789012345678901234567890", x.out());
    add(nullptr, nullptr, c.out());
    EXPECT_TRUE(iszero(c));
    sub(nullptr, x, c.out());
    EXPECT_EQ(Hex(c), Hex(FromDec("123456789012345678901234567890").get()));
    mul(x, nullptr, c.out());
    EXPECT_TRUE(iszero(c));
    copy(nullptr, c.out());
    EXPECT_TRUE(iszero(c));
    EXPECT_EQ(compare(nullptr, nullptr), 0);
    EXPECT_EQ(compare(x, nullptr), -1);
    EXPECT_EQ(sign(nullptr), 0);
    EXPECT_TRUE(iszero(nullptr));
    EXPECT_EQ(bitlength(nullptr), 0);
    Int m;
    intoz(7, m.out());
    mod(nullptr, m, c.out());
    EXPECT_TRUE(iszero(c));
    expmod(nullptr, nullptr, m, c.out());
    EXPECT_EQ(Hex(c), "01");
}

TEST(MpStorage, ZeroResultsAreNeverNegative) {
    Int a, neg, c;
    Bn value = RandomBn(1000);
    BN_set_negative(value.get(), 1);
    FromBn(value.get(), neg.out());
    std::vector<std::function<void()>> makeZero = {
        [&] { sub(neg, neg, c.out()); },      [&] { add(neg, a, c.out()); },  // a = -neg below
        [&] { mul(neg, nullptr, c.out()); },  [&] { rshift(neg, 1000, c.out()); },
        [&] { lshift(neg, -2000, c.out()); }, [&] { div(neg, a, nullptr, c.out()); },
        [&] { mod(neg, a, c.out()); },
    };
    sub(nullptr, neg, a.out());
    for (std::size_t i = 0; i < makeZero.size(); ++i) {
        intoz(5, c.out());
        makeZero[i]();
        EXPECT_EQ(c.get()[0], 1) << "case " << i;
        EXPECT_EQ(c.get()[1], 0) << "case " << i;
    }
}

TEST(MpRepresentation, SmallValues) {
    struct Case {
        std::int32_t value;
        const char* hex;
    };
    for (const Case& k : std::vector<Case>{{0, "0"},
                                           {1, "01"},
                                           {-1, "-01"},
                                           {RADIXM, "3FFFFFFF"},
                                           {RADIXM + 1, "40000000"},
                                           {INT32_MAX, "7FFFFFFF"},
                                           {INT32_MIN, "-80000000"}}) {
        Int c;
        intoz(k.value, c.out());
        EXPECT_TRUE(Normalised(c)) << k.value;
        EXPECT_EQ(Hex(c), k.hex) << k.value;
        EXPECT_EQ(sign(c), (k.value > 0) - (k.value < 0));
    }
    Int one1;
    one(one1.out());
    EXPECT_EQ(Hex(one1), "01");

    // 2^30 + 5 is limbs [5, 1].
    Int x;
    Set("1073741829", x.out());
    EXPECT_EQ(bitlength(x), 31);
    Set("-1073741829", x.out());
    EXPECT_EQ(bitlength(x), 31);
    abs(x.out());
    EXPECT_EQ(sign(x), 1);

    Int c;
    intoz(1, x.out());
    rshift(x, 1, c.out());
    EXPECT_TRUE(iszero(c));
    rshift(x, -1, c.out());
    EXPECT_EQ(Hex(c), "02");
    lshift(x, -1, c.out());
    EXPECT_TRUE(iszero(c));
    lshift(x, 59, c.out());
    EXPECT_EQ(bitlength(c), 60);
}

TEST(MpRepresentation, CompareIsSigned) {
    const char* ordered[] = {
        "-1000000000000000000000", "-1073741824", "-5", "0", "3", "1073741823", "1073741824",
        "1000000000000000000000"};
    for (const char* x : ordered) {
        for (const char* y : ordered) {
            Int a, b;
            Set(x, a.out());
            Set(y, b.out());
            int expected = BN_cmp(FromDec(x).get(), FromDec(y).get());
            EXPECT_EQ(compare(a, b), (expected > 0) - (expected < 0)) << x << " vs " << y;
        }
    }
}

using MpBinary = std::function<void(MpConst, MpConst, MpInt*)>;
using BnBinary = std::function<void(BIGNUM*, const BIGNUM*, const BIGNUM*, BN_CTX*)>;

TEST(MpArithmetic, SignedAddSubMulAgreeWithOracle) {
    struct Op {
        const char* name;
        MpBinary mine;
        BnBinary oracle;
    };
    const Op ops[] = {
        {"add", add, [](BIGNUM* r, const BIGNUM* a, const BIGNUM* b, BN_CTX*) { BN_add(r, a, b); }},
        {"sub", sub, [](BIGNUM* r, const BIGNUM* a, const BIGNUM* b, BN_CTX*) { BN_sub(r, a, b); }},
        {"mul", mul,
         [](BIGNUM* r, const BIGNUM* a, const BIGNUM* b, BN_CTX* ctx) { BN_mul(r, a, b, ctx); }}};
    BnCtx ctx;
    for (const Op& op : ops) {
        for (int i = 0; i < 150; ++i) {
            // Mostly wide operands; now and then a tiny one or an equal-length pair.
            Bn x = RandomBn(RandomBits(8192), true);
            Bn y = RandomBn(i % 5 == 0 ? BN_num_bits(x.get()) : RandomBits(i % 7 == 0 ? 40 : 8192),
                            true);
            Int a, b, c;
            FromBn(x.get(), a.out());
            FromBn(y.get(), b.out());
            op.mine(a, b, c.out());
            Bn expected = NewBn();
            op.oracle(expected.get(), x.get(), y.get(), ctx);
            ASSERT_TRUE(Normalised(c)) << op.name;
            ASSERT_EQ(Hex(c), Hex(expected.get()))
                << op.name << " " << Hex(x.get()) << " " << Hex(y.get());
        }
    }
}

TEST(MpMul, AroundTheKaratsubaThresholdAndUnbalanced) {
    // Limb counts of the two operands, all limbs in use.
    const std::pair<int, int> shapes[] = {{17, 17},  {18, 18},  {17, 18},   {18, 17},   {19, 36},
                                          {35, 36},  {36, 36},  {37, 37},   {1, 274},   {17, 274},
                                          {18, 274}, {40, 274}, {137, 274}, {138, 275}, {274, 274}};
    BnCtx ctx;
    for (auto [la, lb] : shapes) {
        for (int round = 0; round < 3; ++round) {
            Bn x = RandomBn(la * NBITS, true);
            Bn y = RandomBn(lb * NBITS, true);
            if (round == 2) {  // all-ones limbs: every carry chain at its longest
                BN_set_word(x.get(), 1);
                BN_lshift(x.get(), x.get(), la * NBITS);
                BN_sub_word(x.get(), 1);
                BN_copy(y.get(), x.get());
                BN_mask_bits(y.get(), lb * NBITS);
                if (lb > la) {
                    BN_lshift(y.get(), x.get(), (lb - la) * NBITS);
                    BN_add(y.get(), y.get(), x.get());
                }
            }
            Int a, b, c;
            FromBn(x.get(), a.out());
            FromBn(y.get(), b.out());
            mul(a, b, c.out());
            Bn expected = NewBn();
            BN_mul(expected.get(), x.get(), y.get(), ctx);
            EXPECT_TRUE(Normalised(c));
            EXPECT_EQ(Hex(c), Hex(expected.get())) << la << "x" << lb << " round " << round;
        }
    }
}

TEST(MpMul, SquaresAgreeWithOracleAndWithProductsOfCopies) {
    BnCtx ctx;
    for (int limbs : {1, 2, 16, 17, 18, 19, 35, 36, 37, 70, 137, 274, 300}) {
        Bn x = RandomBn(limbs * NBITS, true);
        Int a, copyA, c, viaMul, viaCopies;
        FromBn(x.get(), a.out());
        FromBn(x.get(), copyA.out());
        sq(a, c.out());
        mul(a, a, viaMul.out());
        mul(a, copyA, viaCopies.out());
        Bn expected = NewBn();
        BN_sqr(expected.get(), x.get(), ctx);
        EXPECT_TRUE(Normalised(c));
        EXPECT_EQ(Hex(c), Hex(expected.get())) << limbs;
        EXPECT_EQ(Hex(viaMul), Hex(expected.get())) << limbs;
        EXPECT_EQ(Hex(viaCopies), Hex(expected.get())) << limbs;
    }
}

TEST(MpShift, ShiftsActOnTheMagnitudeInBothDirections) {
    for (int i = 0; i < 200; ++i) {
        Bn x = RandomBn(RandomBits(3000), true);
        int k = RandomBelow(601) - 300;
        Int a, left, right;
        FromBn(x.get(), a.out());
        lshift(a, k, left.out());
        rshift(a, -k, right.out());
        Bn expected = NewBn();
        if (k >= 0) {
            BN_lshift(expected.get(), x.get(), k);
        } else {
            BN_rshift(expected.get(), x.get(), -k);  // magnitude shift, sign kept
        }
        ASSERT_TRUE(Normalised(left));
        ASSERT_EQ(Hex(left), Hex(expected.get())) << Hex(x.get()) << " by " << k;
        ASSERT_EQ(Hex(right), Hex(expected.get())) << Hex(x.get()) << " by " << k;
    }
}

// Divisors that stress the quotient estimate: powers of two, a leading limb of 1, all-ones
// limbs, and dividends just below a multiple of the divisor.
std::vector<std::pair<Bn, Bn>> HardDivisions() {
    std::vector<std::pair<Bn, Bn>> cases;
    BnCtx ctx;
    for (int limbs : {2, 3, 4, 20, 70}) {
        Bn pow2 = NewBn(), ones = NewBn(), lowTop = NewBn();
        BN_set_word(pow2.get(), 1);
        BN_lshift(pow2.get(), pow2.get(), (limbs - 1) * NBITS);
        BN_lshift(ones.get(), pow2.get(), NBITS);
        BN_sub_word(ones.get(), 1);
        BN_add(lowTop.get(), pow2.get(), RandomBn((limbs - 1) * NBITS).get());
        for (BIGNUM* d : {pow2.get(), ones.get(), lowTop.get()}) {
            for (int extra : {1, 2, 5, 40}) {
                Bn q = RandomBn(extra * NBITS);
                Bn a = NewBn();
                BN_mul(a.get(), q.get(), d, ctx);
                BN_sub_word(a.get(), 1);  // remainder d - 1
                cases.emplace_back(std::move(a), Bn(BN_dup(d)));
                Bn b = NewBn();
                BN_mul(b.get(), q.get(), d, ctx);  // remainder 0
                cases.emplace_back(std::move(b), Bn(BN_dup(d)));
            }
        }
    }
    return cases;
}

TEST(MpDiv, TruncatedQuotientAndRemainderAgreeWithOracle) {
    BnCtx ctx;
    std::vector<std::pair<Bn, Bn>> cases = HardDivisions();
    for (int i = 0; i < 200; ++i) {
        Bn x = RandomBn(RandomBits(8192), true);
        Bn y = RandomBn(1 + RandomBits(i % 4 == 0 ? 60 : 8191), true);
        cases.emplace_back(std::move(x), std::move(y));
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const BIGNUM* x = cases[i].first.get();
        const BIGNUM* y = cases[i].second.get();
        if (i % 2 == 1 && i < 120) BN_set_negative(cases[i].first.get(), 1);
        if (i % 3 == 1 && i < 120) BN_set_negative(cases[i].second.get(), 1);
        Int a, b, q, r, qOnly, rOnly;
        FromBn(x, a.out());
        FromBn(y, b.out());
        div(a, b, q.out(), r.out());
        div(a, b, qOnly.out(), nullptr);
        div(a, b, nullptr, rOnly.out());
        Bn eq = NewBn(), er = NewBn();
        BN_div(eq.get(), er.get(), x, y, ctx);
        ASSERT_TRUE(Normalised(q));
        ASSERT_TRUE(Normalised(r));
        ASSERT_EQ(Hex(q), Hex(eq.get())) << Hex(x) << " / " << Hex(y);
        ASSERT_EQ(Hex(r), Hex(er.get())) << Hex(x) << " / " << Hex(y);
        ASSERT_EQ(Hex(qOnly), Hex(eq.get()));
        ASSERT_EQ(Hex(rOnly), Hex(er.get()));
    }
}

TEST(MpMod, RemainderTakesTheSignOfTheDivisor) {
    struct Case {
        const char *a, *m, *expected;
    };
    for (const Case& k :
         std::vector<Case>{{"-7", "5", "3"},
                           {"7", "5", "2"},
                           {"7", "-5", "-3"},
                           {"-7", "-5", "-2"},
                           {"-10", "5", "0"},
                           {"3", "5", "3"},
                           {"-3", "5", "2"},
                           {"-3", "-5", "-3"},
                           {"-1237940039285380274899124224", "1073741824", "0"},
                           {"-1237940039285380274899124225", "1073741824", "1073741823"}}) {
        Int a, m, c;
        Set(k.a, a.out());
        Set(k.m, m.out());
        mod(a, m, c.out());
        EXPECT_TRUE(Normalised(c));
        EXPECT_EQ(Hex(c), Hex(FromDec(k.expected).get())) << k.a << " mod " << k.m;
    }
    BnCtx ctx;
    for (int i = 0; i < 150; ++i) {
        Bn x = RandomBn(RandomBits(8192), true);
        Bn y = RandomBn(1 + RandomBits(4095), true);
        Int a, m, c;
        FromBn(x.get(), a.out());
        FromBn(y.get(), m.out());
        mod(a, m, c.out());
        Bn absM(BN_dup(y.get()));
        BN_set_negative(absM.get(), 0);
        Bn expected = NewBn();
        BN_nnmod(expected.get(), x.get(), absM.get(), ctx);
        if (BN_is_negative(y.get()) && !BN_is_zero(expected.get())) {
            BN_sub(expected.get(), expected.get(), absM.get());
        }
        ASSERT_EQ(Hex(c), Hex(expected.get())) << Hex(x.get()) << " mod " << Hex(y.get());
    }
}

TEST(MpAliasing, TheOutputMayBeAnInput) {
    // Every case computes f(a, b) once into a fresh output and once into a or b itself.
    struct Case {
        const char* name;
        std::function<void(MpConst, MpConst, MpInt*)> f;
    };
    Int m;
    FromBn(RandomOddBn(1000).get(), m.out());
    Int even;
    FromBn(RandomBn(700).get(), even.out());
    (even.out())[0][1] &= ~1;
    MpConst modulus = m;
    MpConst evenModulus = even;
    const Case cases[] = {
        {"add", add},
        {"sub", sub},
        {"mul", mul},
        {"sq", [](MpConst a, MpConst, MpInt* c) { sq(a, c); }},
        {"lshift", [](MpConst a, MpConst, MpInt* c) { lshift(a, 77, c); }},
        {"rshift", [](MpConst a, MpConst, MpInt* c) { rshift(a, 77, c); }},
        {"div q", [](MpConst a, MpConst b, MpInt* c) { div(a, b, c, nullptr); }},
        {"div r", [](MpConst a, MpConst b, MpInt* c) { div(a, b, nullptr, c); }},
        {"mod", [](MpConst a, MpConst b, MpInt* c) { mod(a, b, c); }},
        {"mulmod", [&](MpConst a, MpConst b, MpInt* c) { mulmod(a, b, modulus, c); }},
        {"sqmod", [&](MpConst a, MpConst, MpInt* c) { sqmod(a, modulus, c); }},
        {"expmod", [&](MpConst a, MpConst b, MpInt* c) { expmod(a, b, modulus, c); }},
        {"expmod even", [&](MpConst a, MpConst b, MpInt* c) { expmod(a, b, evenModulus, c); }},
        {"expmod_m_ary",
         [&](MpConst a, MpConst b, MpInt* c) { expmod_m_ary(a, b, modulus, c, 1); }},
        {"expmod_m_ary even",
         [&](MpConst a, MpConst b, MpInt* c) { expmod_m_ary(a, b, evenModulus, c, 1); }},
        {"xxeucl", [](MpConst a, MpConst b, MpInt* c) { xxeucl(a, b, nullptr, c, nullptr); }},
    };
    Bn x = RandomBn(2500, true);
    Bn y = RandomBn(200, false);
    for (const Case& k : cases) {
        Int a, b, fresh;
        FromBn(x.get(), a.out());
        FromBn(y.get(), b.out());
        k.f(a, b, fresh.out());
        std::string expected = Hex(fresh);

        k.f(a, b, a.out());  // c == a
        EXPECT_EQ(Hex(a), expected) << k.name << " into a";
        FromBn(x.get(), a.out());
        k.f(a, b, b.out());  // c == b
        EXPECT_EQ(Hex(b), expected) << k.name << " into b";
    }
}

}  // namespace
}  // namespace vkt::crypto::mp::test
