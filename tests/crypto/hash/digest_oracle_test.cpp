// MD4, MD5, SHA-1 (both paths) and RIPEMD-160 against OpenSSL's low-level digests on random
// messages of every length from 0 to 1000 bytes (all padding branches: 55, 56, 63, 64, 65 ...)
// and some larger ones, fed whole and in random pieces.
#include <gtest/gtest.h>
#include <openssl/md4.h>
#include <openssl/md5.h>
#include <openssl/ripemd.h>
#include <openssl/sha.h>

#include <random>
#include <string>
#include <vector>

#include "crypto/crypto.h"
#include "digest_test_support.h"

namespace vkt::crypto::test {
namespace {

std::string Oracle(std::int32_t algorithm, const std::uint8_t* data, std::size_t length) {
    std::uint8_t out[20];
    switch (algorithm) {
        case kAlgMd4:
            MD4(data, length, out);
            return ToHex(out, 16);
        case kAlgMd5:
            MD5(data, length, out);
            return ToHex(out, 16);
        case kAlgSha1:
            SHA1(data, length, out);
            return ToHex(out, 20);
        case kAlgRipemd160:
            RIPEMD160(data, length, out);
            return ToHex(out, 20);
        default:
            return "";
    }
}

std::vector<std::size_t> Lengths() {
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n <= 1000; ++n) lengths.push_back(n);
    for (std::size_t n : {4095, 4096, 8191, 8192, 8193, 65536 + 7, 300000}) lengths.push_back(n);
    return lengths;
}

// Random pieces of 1 to 150 bytes, so that every buffer fill level meets every piece size.
std::vector<std::size_t> RandomPieces(std::mt19937& random, std::size_t length) {
    std::vector<std::size_t> pieces;
    std::uniform_int_distribution<std::size_t> size(1, 150);
    for (std::size_t done = 0;;) {
        const std::size_t piece = size(random);
        if (done + piece > length) break;
        pieces.push_back(piece);
        done += piece;
    }
    return pieces;
}

void CheckAgainstOracle(std::int32_t algorithm) {
    std::mt19937 random(static_cast<std::uint32_t>(algorithm));
    std::vector<std::uint8_t> data(300000);
    for (auto& byte : data) byte = static_cast<std::uint8_t>(random());
    const std::string message(data.begin(), data.end());
    const std::size_t digestLength = static_cast<std::size_t>(HashDigestLength(algorithm));
    for (std::size_t length : Lengths()) {
        const std::string expected = Oracle(algorithm, data.data(), length);
        std::uint8_t out[20];
        CryptoHashOneShot(out, algorithm, data.data(), length);
        ASSERT_EQ(ToHex(out, digestLength), expected) << algorithm << " length " << length;
        const std::string prefix = message.substr(0, length);
        ASSERT_EQ(DigestInPieces(algorithm, prefix, RandomPieces(random, length)), expected)
            << algorithm << " length " << length << " in pieces";
    }
}

TEST(HashOracle, Md4) {
    CheckAgainstOracle(kAlgMd4);
}
TEST(HashOracle, Md5) {
    CheckAgainstOracle(kAlgMd5);
}
TEST(HashOracle, Ripemd160) {
    CheckAgainstOracle(kAlgRipemd160);
}

class HashSha1Oracle : public Sha1PathTest {};

TEST_P(HashSha1Oracle, RandomMessages) {
    CheckAgainstOracle(kAlgSha1);
}

INSTANTIATE_TEST_SUITE_P(Paths, HashSha1Oracle,
                         testing::Values(Sha1Path::kHardware, Sha1Path::kPortable), PathName);

// The 64-bit bit count carries from the low word into the high one: both sides start from a
// context that has already taken 2^32 - 512 bits (a whole number of blocks, so nothing is
// buffered) and then take 200 more bytes.
TEST(HashOracle, BitCountCarriesIntoHighWord) {
    std::vector<std::uint8_t> data(200, 0x5A);

    MD5_CTX theirs;
    MD5_Init(&theirs);
    theirs.Nl = 0xFFFFFE00u;
    MD5_Update(&theirs, data.data(), data.size());
    std::uint8_t expected[16];
    MD5_Final(expected, &theirs);

    HashContext ours;
    HashContextInit(&ours, kAlgMd5);
    ours.bits[0] = 0xFFFFFE00u;
    HashContextUpdate(&ours, data.data(), data.size());
    EXPECT_EQ(ours.bits[1], 1u);
    HashContextFinal(&ours);
    EXPECT_EQ(ToHex(ours.digest, 16), ToHex(expected, 16));
}

}  // namespace
}  // namespace vkt::crypto::test
