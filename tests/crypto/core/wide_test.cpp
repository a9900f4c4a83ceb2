// The portable 128-bit integers against the compiler's own: every operator over a table of edge
// values and a few thousand random pairs, unsigned and signed, plus the constant expressions
// the generator builds from them.
#include "crypto/core/wide.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace vkt::crypto::wide {
namespace {

__extension__ typedef unsigned __int128 NativeU;
__extension__ typedef __int128 NativeI;

template <bool kSigned>
Wide128<kSigned> ToPortable(NativeU x) {
    return Wide128<kSigned>::FromHalves(static_cast<std::uint64_t>(x >> 64),
                                        static_cast<std::uint64_t>(x));
}

template <bool kSigned>
NativeU ToNative(Wide128<kSigned> x) {
    return (static_cast<NativeU>(x.High()) << 64) | x.Low();
}

std::vector<NativeU> EdgeValues() {
    const NativeU one = 1;
    std::vector<NativeU> values = {0,
                                   1,
                                   2,
                                   3,
                                   0xFFFFFFFFu,
                                   one << 32,
                                   0xFFFFFFFFFFFFFFFFu,
                                   one << 64,
                                   (one << 64) + 1,
                                   (one << 107) - 1,
                                   one << 107,
                                   (one << 127) - 1,
                                   one << 127,
                                   (one << 127) + 1,
                                   ~NativeU{0},
                                   ~NativeU{0} - 1,
                                   (one << 96) | 0xFFFFFFFFu};
    for (int s = 0; s < 128; s += 31) values.push_back(~NativeU{0} >> s);
    return values;
}

std::vector<std::pair<NativeU, NativeU>> Pairs() {
    const std::vector<NativeU> edges = EdgeValues();
    std::vector<std::pair<NativeU, NativeU>> pairs;
    for (NativeU a : edges) {
        for (NativeU b : edges) pairs.emplace_back(a, b);
    }
    std::mt19937_64 random(20261211);
    auto draw = [&random] {
        NativeU x = (static_cast<NativeU>(random()) << 64) | random();
        // Short operands too: a random width from 1 to 128 bits.
        return x >> (random() % 128);
    };
    for (int i = 0; i < 4000; ++i) pairs.emplace_back(draw(), draw());
    return pairs;
}

TEST(Wide, UnsignedOperatorsMatchTheNativeType) {
    using P = PortableU128;
    for (const auto& [a, b] : Pairs()) {
        const P pa = ToPortable<false>(a), pb = ToPortable<false>(b);
        SCOPED_TRACE(testing::Message() << std::hex << "a=" << static_cast<std::uint64_t>(a >> 64)
                                        << ':' << static_cast<std::uint64_t>(a)
                                        << " b=" << static_cast<std::uint64_t>(b >> 64) << ':'
                                        << static_cast<std::uint64_t>(b));
        ASSERT_EQ(ToNative(pa + pb), a + b);
        ASSERT_EQ(ToNative(pa - pb), a - b);
        ASSERT_EQ(ToNative(pa * pb), a * b);
        ASSERT_EQ(ToNative(pa & pb), a & b);
        ASSERT_EQ(ToNative(pa | pb), a | b);
        ASSERT_EQ(ToNative(pa ^ pb), a ^ b);
        ASSERT_EQ(ToNative(~pa), ~a);
        ASSERT_EQ(ToNative(-pa), -a);
        if (b != 0) {
            ASSERT_EQ(ToNative(pa % pb), a % b);
        }
        ASSERT_EQ(pa == pb, a == b);
        ASSERT_EQ(pa < pb, a < b);
        ASSERT_EQ(pa > pb, a > b);
        ASSERT_EQ(pa <= pb, a <= b);
        ASSERT_EQ(pa >= pb, a >= b);
        const int s = static_cast<int>(b % 128);
        ASSERT_EQ(ToNative(pa << s), a << s);
        ASSERT_EQ(ToNative(pa >> s), a >> s);
        ASSERT_EQ(static_cast<std::uint64_t>(pa), static_cast<std::uint64_t>(a));
        ASSERT_EQ(static_cast<std::uint32_t>(pa), static_cast<std::uint32_t>(a));
        P acc = pa;
        acc += pb;
        acc *= pa;
        acc -= pb;
        acc ^= pa;
        acc |= pb;
        acc &= pa;
        acc <<= 3;
        acc >>= 5;
        ASSERT_EQ(ToNative(acc), (((((((a + b) * a) - b) ^ a) | b) & a) << 3) >> 5);
    }
}

TEST(Wide, SignedOperatorsMatchTheNativeType) {
    using P = PortableI128;
    for (const auto& [ua, ub] : Pairs()) {
        const NativeI a = static_cast<NativeI>(ua), b = static_cast<NativeI>(ub);
        const P pa = ToPortable<true>(ua), pb = ToPortable<true>(ub);
        ASSERT_EQ(ToNative(pa + pb), ua + ub);
        ASSERT_EQ(ToNative(pa - pb), ua - ub);
        ASSERT_EQ(ToNative(pa * pb), ua * ub);
        ASSERT_EQ(pa < pb, a < b);
        ASSERT_EQ(pa > pb, a > b);
        ASSERT_EQ(pa <= pb, a <= b);
        ASSERT_EQ(pa >= pb, a >= b);
        ASSERT_EQ(pa == pb, a == b);
        const int s = static_cast<int>(ub % 128);
        ASSERT_EQ(ToNative(pa >> s), static_cast<NativeU>(a >> s));
        ASSERT_EQ(ToNative(pa << s), ua << s);
        ASSERT_EQ(static_cast<std::int64_t>(pa), static_cast<std::int64_t>(a));
        // The kernels' column sums: products of 64-bit words, sign-extended first.
        const auto a64 = static_cast<std::int64_t>(ua), b64 = static_cast<std::int64_t>(ub >> 64);
        ASSERT_EQ(ToNative(P(a64) * b64 + P(b64)),
                  static_cast<NativeU>(static_cast<NativeI>(a64) * b64 + b64));
    }
}

TEST(Wide, ConversionsFromBuiltInIntegersWidenAsTheNativeOnesDo) {
    const std::int64_t signedValues[] = {0, 1, -1, INT64_MIN, INT64_MAX, -62};
    for (std::int64_t v : signedValues) {
        EXPECT_EQ(ToNative(PortableI128(v)), static_cast<NativeU>(static_cast<NativeI>(v)));
        EXPECT_EQ(ToNative(PortableU128(v)), static_cast<NativeU>(v));
        EXPECT_EQ(ToNative(PortableI128(static_cast<std::int32_t>(v))),
                  static_cast<NativeU>(static_cast<NativeI>(static_cast<std::int32_t>(v))));
    }
    EXPECT_EQ(ToNative(PortableU128(UINT64_MAX)), static_cast<NativeU>(UINT64_MAX));
    EXPECT_EQ(ToNative(PortableU128(PortableI128(-1))), ~NativeU{0});
}

TEST(Wide, ConstantExpressionsAreEvaluatedAtCompileTime) {
    constexpr PortableU128 p = (PortableU128(1) << 107) - 1;
    static_assert(p.High() == (std::uint64_t{1} << 43) - 1 && p.Low() == UINT64_MAX);
    static_assert(p % 0x7FFFFFFFu == PortableU128(static_cast<std::uint64_t>(
                                         ((static_cast<NativeU>(1) << 107) - 1) % 0x7FFFFFFFu)));
    static_assert(sizeof(PortableU128) == 16 && sizeof(PortableI128) == 16);
    SUCCEED();
}

}  // namespace
}  // namespace vkt::crypto::wide
