// The random generator: its arithmetic (checked against OpenSSL's big numbers), repeatability
// under rstarts, the rejection bound, and the byte filler.
#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <vector>

#include "crypto/crypto.h"

namespace vkt::crypto {
namespace {

TEST(Random, FollowsTheMultiplicativeSequenceModuloTwoPow107Minus1) {
    BN_CTX* ctx = BN_CTX_new();
    BIGNUM *p = BN_new(), *a = BN_new(), *x = BN_new(), *three = BN_new(), *e = BN_new(),
           *limit = BN_new(), *b = BN_new(), *rem = BN_new();
    BN_set_bit(p, 107);
    BN_sub_word(p, 1);
    BN_set_word(three, 3);
    BN_set_word(e, 121);
    BN_mod_exp(a, three, e, p, ctx);
    BN_set_word(b, 0x7FFFFFFF);
    BN_mod(rem, p, b, ctx);
    BN_sub(limit, p, rem);

    for (std::int32_t seed : {1, 12345, 7157891, 0x7FFFFFFF}) {
        rstarts(seed);
        BN_set_word(x, static_cast<BN_ULONG>(seed));
        for (int i = 0; i < 200; ++i) {
            do {
                BN_mod_mul(x, x, a, p, ctx);
            } while (BN_cmp(x, limit) >= 0);
            const BN_ULONG expected = BN_mod_word(x, 0x7FFFFFFF);
            ASSERT_EQ(CryptoRandom(0x7FFFFFFF), expected) << "seed " << seed << " draw " << i;
        }
    }
    for (BIGNUM* n : {p, a, x, three, e, limit, b, rem}) BN_free(n);
    BN_CTX_free(ctx);
}

TEST(Random, SmallBoundsAndStateThatIsNeverZero) {
    rstarts(99);
    const std::uint32_t first = CryptoRandom(1000);
    rstarts(99);
    EXPECT_EQ(CryptoRandom(0), 0u);  // does not advance the state
    EXPECT_EQ(CryptoRandom(1), 0u);
    rstarts(99);
    EXPECT_EQ(CryptoRandom(1000), first);

    for (std::int32_t seed : {0, -1, -7157891}) {
        rstarts(seed);
        std::set<std::uint32_t> seen;
        for (int i = 0; i < 20; ++i) seen.insert(CryptoRandom(0x7FFFFFFF));
        EXPECT_GT(seen.size(), 15u) << "seed " << seed;
    }
    EXPECT_EQ(CryptoRandomBelow(0), 0u);
    for (int i = 0; i < 100; ++i) EXPECT_LT(CryptoRandomBelow(7), 7u);
}

TEST(Random, BytesFillEveryPositionAndSkipZeroWhenAsked) {
    rstarts(4242);
    for (std::uint32_t n : {1u, 3u, 8u, 13u, 256u}) {
        std::vector<std::uint8_t> buffer(n + 2, 0xEE);
        for (int round = 0; round < 50; ++round) {
            std::fill(buffer.begin(), buffer.end() - 2, 0);
            CryptoRandomBytes(buffer.data(), n, true);
            for (std::uint32_t i = 0; i < n; ++i) ASSERT_NE(buffer[i], 0) << n << "/" << i;
            EXPECT_EQ(buffer[n], 0xEE);
        }
    }
    // With zero bytes allowed the first draw fills the last four positions, least significant
    // byte of 3 * r last.
    rstarts(77);
    const std::uint32_t v = 3u * CryptoRandom(0x7FFFFFFF);
    rstarts(77);
    std::uint8_t four[4];
    CryptoRandomBytes(four, 4, false);
    EXPECT_EQ(four[3], v & 0xFF);
    EXPECT_EQ(four[0], v >> 24);
}

TEST(Random, SystemSeedDiffersBetweenProcesses) {
    // Two children that start the layer fresh must not produce the same vector.
    auto draw = []() {
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        pid_t pid = fork();
        if (pid == 0) {
            std::uint8_t bytes[16];
            CryptoRandomBytes(bytes, sizeof bytes, false);
            _exit(write(fds[1], bytes, sizeof bytes) == sizeof bytes ? 0 : 1);
        }
        close(fds[1]);
        std::vector<std::uint8_t> bytes(16);
        EXPECT_EQ(read(fds[0], bytes.data(), bytes.size()), 16);
        close(fds[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        return bytes;
    };
    EXPECT_NE(draw(), draw());
}

}  // namespace
}  // namespace vkt::crypto
