// Published DES mode vectors (key 0123456789abcdef, vector 1234567890abcdef, plaintext
// "Now is the time for all "). Enciphering goes through the entry point below the
// random-vector layer with the vector set by CryptoKeySetIV; deciphering goes through
// CryptoDecrypt with the vector in front of the ciphertext, as a peer would send it.
#include <gtest/gtest.h>

#include "crypto/symcipher/sym_engine.h"
#include "sym_test_support.h"

namespace vkt::crypto::testing {
namespace {

const Bytes kKey = FromHex("0123456789abcdef");
const Bytes kVector = FromHex("1234567890abcdef");
const Bytes kPlaintext = FromText("Now is the time for all ");

struct ModeVector {
    std::int32_t mode;
    std::int32_t padding;
    std::size_t length;  // plaintext bytes used
    const char* ciphertext;
};

const ModeVector kModeVectors[] = {
    {kModeEcb, kPadNone, 24, "3fa40e8a984d4815 6a271787ab8883f9 893d51ec4b563b53"},
    {kModeCbc, kPadNone, 24, "e5c7cdde872bf27c 43e934008c389c0f 683788499a7c05f6"},
    {kModeCbc, kPadPkcs, 24, "e5c7cdde872bf27c 43e934008c389c0f 683788499a7c05f6 62c16a27e4fcf277"},
    {kModeCfb64, kPadNone, 24, "f3096249c7f46e51 a69e839b1a92f784 03467133898ea622"},
    {kModeOfb64, kPadNone, 24, "f3096249c7f46e51 35f24a242eeb3d3f 3d6d5be3255af8c3"},
    {kModeCfb8, kPadNone, 10, "f31fda07011462ee187f"},
};

std::string Trace(const ModeVector& v) {
    return "mode " + std::to_string(v.mode) + " padding " + std::to_string(v.padding);
}

TEST(ModeVectors, EncipherWithTheGivenVector) {
    for (const ModeVector& v : kModeVectors) {
        SCOPED_TRACE(Trace(v));
        ScopedKey key(kAlgDes, kKey);
        key.SetVector(kVector);
        const Bytes expected = FromHex(v.ciphertext);
        Bytes out(expected.size());
        std::uint32_t length = 0;
        ASSERT_EQ(SymEncipher(key.context(), out.data(), &length, kPlaintext.data(),
                              static_cast<std::uint32_t>(v.length), v.mode, v.padding),
                  kOk);
        EXPECT_EQ(length, expected.size());
        EXPECT_EQ(ToHex(out), ToHex(expected));
    }
}

TEST(ModeVectors, DecryptTheVectorPrefixedMessage) {
    for (const ModeVector& v : kModeVectors) {
        SCOPED_TRACE(Trace(v));
        ScopedKey key(kAlgDes, kKey);
        Bytes message = FromHex(v.ciphertext);
        if (v.mode != kModeEcb) message.insert(message.begin(), kVector.begin(), kVector.end());
        Bytes out(message.size());
        std::uint32_t length = 0;
        ASSERT_EQ(CryptoDecrypt(key.handle(), out.data(), &length, message.data(),
                                static_cast<std::uint32_t>(message.size()), v.mode, v.padding),
                  kOk);
        ASSERT_EQ(length, v.length);
        EXPECT_EQ(ToHex(out.data(), length), ToHex(kPlaintext.data(), v.length));
        if (v.mode != kModeEcb) {
            EXPECT_EQ(ToHex(key.context().vector, 8), ToHex(kVector));
        }
    }
}

// The byte-granular modes keep their place between calls: a message cut in two at any point
// gives the same bytes as the whole, in both directions.
TEST(ModeVectors, StreamModesContinueAcrossCalls) {
    for (const ModeVector& v : kModeVectors) {
        if (v.mode < kModeCfb64) continue;
        SCOPED_TRACE(Trace(v));
        const Bytes expected = FromHex(v.ciphertext);
        for (std::size_t cut = 1; cut < v.length; ++cut) {
            SCOPED_TRACE("cut " + std::to_string(cut));
            ScopedKey key(kAlgDes, kKey);
            key.SetVector(kVector);
            Bytes out(v.length);
            std::uint32_t first = 0;
            std::uint32_t second = 0;
            auto cutLength = static_cast<std::uint32_t>(cut);
            auto restLength = static_cast<std::uint32_t>(v.length - cut);
            ASSERT_EQ(SymEncipher(key.context(), out.data(), &first, kPlaintext.data(), cutLength,
                                  v.mode, kPadNone),
                      kOk);
            ASSERT_EQ(SymEncipher(key.context(), out.data() + cut, &second, kPlaintext.data() + cut,
                                  restLength, v.mode, kPadNone),
                      kOk);
            EXPECT_EQ(first + second, v.length);
            EXPECT_EQ(ToHex(out), ToHex(expected));

            key.SetVector(kVector);
            Bytes plain(v.length);
            ASSERT_EQ(SymDecipher(key.context(), plain.data(), &first, expected.data(), cutLength,
                                  v.mode, kPadNone),
                      kOk);
            ASSERT_EQ(SymDecipher(key.context(), plain.data() + cut, &second, expected.data() + cut,
                                  restLength, v.mode, kPadNone),
                      kOk);
            EXPECT_EQ(ToHex(plain), ToHex(kPlaintext.data(), v.length));
        }
    }
}

}  // namespace
}  // namespace vkt::crypto::testing
