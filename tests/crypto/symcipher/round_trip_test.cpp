// Every algorithm, mode and padding through CryptoEncrypt and CryptoDecrypt for lengths 1 to
// 40, with output buffers of exactly the promised sizes, deciphering both into a separate
// buffer and in place.
#include <gtest/gtest.h>

#include <random>

#include "sym_test_support.h"

namespace vkt::crypto::testing {
namespace {

// Output size CryptoEncrypt needs: padding 1 keeps the length, 3 and 4 round down to a block
// and add one; the chaining modes add the vector.
std::size_t SealedSize(std::int32_t mode, std::int32_t padding, std::size_t length) {
    std::size_t body = padding == kPadNone ? length : (length & ~std::size_t{7}) + 8;
    return body + (mode == kModeEcb ? 0 : 8);
}

TEST(RoundTrip, EveryAlgorithmModePaddingAndLength) {
    std::mt19937 random(20240601);
    for (std::int32_t algorithm : kAlgorithms) {
        ScopedKey key(algorithm, RandomKey(random, algorithm));
        for (std::int32_t mode : kModes) {
            for (std::int32_t padding : kPaddings) {
                for (std::size_t length = 1; length <= 40; ++length) {
                    SCOPED_TRACE(std::to_string(algorithm) + " mode " + std::to_string(mode) +
                                 " padding " + std::to_string(padding) + " length " +
                                 std::to_string(length));
                    const Bytes data = RandomBytes(random, length);
                    Bytes sealed(SealedSize(mode, padding, length));
                    std::uint32_t sealedLength = 0;
                    const std::int32_t result =
                        CryptoEncrypt(key.handle(), sealed.data(), &sealedLength, data.data(),
                                      static_cast<std::uint32_t>(length), mode, padding);
                    if (mode == kModeEcb && padding == kPadNone && length < 8) {
                        EXPECT_EQ(result, kErrLength);
                        continue;
                    }
                    ASSERT_EQ(result, kOk);
                    ASSERT_EQ(sealedLength, sealed.size());
                    if (mode != kModeEcb) {
                        EXPECT_EQ(ToHex(key.context().vector, 8), ToHex(sealed.data(), 8))
                            << "the vector leads the output";
                    }

                    Bytes plain(sealed.size());
                    std::uint32_t plainLength = 0;
                    ASSERT_EQ(CryptoDecrypt(key.handle(), plain.data(), &plainLength, sealed.data(),
                                            sealedLength, mode, padding),
                              kOk);
                    ASSERT_EQ(plainLength, length);
                    EXPECT_EQ(ToHex(plain.data(), length), ToHex(data));

                    Bytes inPlace = sealed;
                    ASSERT_EQ(CryptoDecrypt(key.handle(), inPlace.data(), &plainLength,
                                            inPlace.data(), sealedLength, mode, padding),
                              kOk);
                    ASSERT_EQ(plainLength, length);
                    EXPECT_EQ(ToHex(inPlace.data(), length), ToHex(data));
                }
            }
        }
    }
}

// Each call draws its own vector, so the same message never seals to the same bytes.
TEST(RoundTrip, FreshVectorForEveryMessage) {
    ScopedKey key(kAlgTripleDes2, FromHex("0123456789abcdef 23456789abcdef01"));
    const Bytes data = FromText("the same message");
    Bytes first(32);
    Bytes second(32);
    std::uint32_t length = 0;
    ASSERT_EQ(
        CryptoEncrypt(key.handle(), first.data(), &length, data.data(), 16, kModeCbc, kPadPkcs),
        kOk);
    ASSERT_EQ(
        CryptoEncrypt(key.handle(), second.data(), &length, data.data(), 16, kModeCbc, kPadPkcs),
        kOk);
    EXPECT_NE(ToHex(first.data(), 8), ToHex(second.data(), 8));
    EXPECT_NE(ToHex(first.data() + 8, 24), ToHex(second.data() + 8, 24));
}

}  // namespace
}  // namespace vkt::crypto::testing
