// Signatures made by the library, checked by OpenSSL's PKCS #1 v1.5 signature recovery.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "crypto/core/layer.h"
#include "crypto/rsa/rsa_test_support.h"

namespace vkt::crypto::test {
namespace {

struct SignCase {
    int bits;
    std::int32_t algorithm;
};

class SignatureTest : public ::testing::TestWithParam<SignCase> {};

TEST_P(SignatureTest, OpenSslRecoversThePayload) {
    const SignCase c = GetParam();
    EVP_PKEY* openssl = TestKey(c.bits);
    const Handle key = LoadTestKey(openssl);
    const std::string message = "archivo de prueba " + std::to_string(c.bits);

    Handle digest = 0;
    ASSERT_EQ(CryptoHashCreate(&digest, c.algorithm), kOk);
    ASSERT_EQ(CryptoHashUpdate(digest, message.data(), static_cast<std::uint32_t>(message.size())),
              kOk);
    Handle signature = 0;
    ASSERT_EQ(CryptoSign(&signature, digest, key), kOk);
    EXPECT_EQ(CryptoHashUpdate(digest, "x", 1), kErrHashClosed);  // signing closed the digest

    const std::size_t k = ModulusBytes(openssl);
    std::uint32_t size = 0;
    ASSERT_EQ(CryptoSignatureSize(signature, &size), kOk);
    EXPECT_EQ(size, k + 2);
    std::string text(2 * size + 1, '?');
    ASSERT_EQ(CryptoSignatureExport(signature, text.data(), kMaskHex), kOk);
    EXPECT_EQ(text.back(), '\0');
    text.pop_back();
    EXPECT_EQ(text.find_first_not_of("0123456789abcdef"), std::string::npos) << text;
    char size_digits[5];
    std::snprintf(size_digits, sizeof size_digits, "%04x", c.bits);
    EXPECT_EQ(text.substr(0, 4), size_digits);

    // Expected payload: identifier, digest length, 0x0000, digest (computed by OpenSSL).
    std::uint8_t value[EVP_MAX_MD_SIZE];
    unsigned int valueLength = 0;
    ASSERT_EQ(EVP_Digest(message.data(), message.size(), value, &valueLength,
                         c.algorithm == kAlgMd5 ? EVP_md5() : EVP_sha1(), nullptr),
              1);
    Bytes expected = {static_cast<std::uint8_t>(c.algorithm >> 8),
                      static_cast<std::uint8_t>(c.algorithm),
                      0,
                      static_cast<std::uint8_t>(valueLength),
                      0,
                      0};
    for (unsigned int i = 0; i < valueLength; ++i) expected.push_back(value[i]);
    EXPECT_EQ(Pkcs1Recover(openssl, FromHex(text.substr(4))), expected);

    EXPECT_EQ(CryptoSignatureFree(signature), kOk);
    EXPECT_EQ(CryptoHashFree(digest), kOk);
    EXPECT_EQ(CryptoRsaKeyFree(key), kOk);
}

// 1004 bits: k = 126 is not bits / 8, so the modulus size and the block length part ways.
INSTANTIATE_TEST_SUITE_P(KeySizes, SignatureTest,
                         ::testing::Values(SignCase{512, kAlgMd5}, SignCase{512, kAlgSha1},
                                           SignCase{1004, kAlgSha1}, SignCase{1024, kAlgMd5},
                                           SignCase{2048, kAlgMd5}, SignCase{2048, kAlgSha1},
                                           SignCase{4096, kAlgMd5}));

TEST(SignatureTest, ExportedTextOfA1024BitKeyStartsWith0400) {
    const Handle key = LoadTestKey(TestKey(1024));
    Handle digest = 0;
    ASSERT_EQ(CryptoHashCreate(&digest, kAlgMd5), kOk);
    Handle signature = 0;
    ASSERT_EQ(CryptoSign(&signature, digest, key), kOk);
    char text[2 * 130 + 1];
    ASSERT_EQ(CryptoSignatureExport(signature, text, kMaskHex), kOk);
    EXPECT_EQ(std::strlen(text), 4u + 256u);
    EXPECT_EQ(std::string(text, 4), "0400");
    CryptoSignatureFree(signature);
    CryptoHashFree(digest);
    CryptoRsaKeyFree(key);
}

TEST(SignatureTest, RefusesWrongHandlesAndArguments) {
    const Handle privateKey = LoadTestKey(TestKey(512));
    const Handle publicKey = LoadTestKey(TestKey(512), keygen::kKindPublic);
    Handle digest = 0;
    ASSERT_EQ(CryptoHashCreate(&digest, kAlgSha1), kOk);
    Handle signature = 0;
    ASSERT_EQ(CryptoSign(&signature, digest, privateKey), kOk);
    Handle envelope = 0;
    ASSERT_EQ(CryptoEnvelopeImport(&envelope, (BlockText(512, Bytes(64, 0))).c_str(), kMaskHex),
              kOk);

    struct SignRow {
        const char* what;
        Handle digest;
        Handle key;
    };
    for (const SignRow& row :
         {SignRow{"public key of a kind-2 record", digest, publicKey},
          SignRow{"key given as digest", privateKey, privateKey},
          SignRow{"digest given as key", digest, digest}, SignRow{"no key", digest, 0}}) {
        Handle out = 12345;
        EXPECT_EQ(CryptoSign(&out, row.digest, row.key), kErrHandle) << row.what;
        EXPECT_EQ(out, 0u) << row.what;
    }

    std::uint32_t size = 0;
    char text[2 * 66 + 1];
    EXPECT_EQ(CryptoSignatureSize(envelope, &size), kErrHandle);
    EXPECT_EQ(CryptoSignatureExport(envelope, text, kMaskHex), kErrHandle);
    EXPECT_EQ(CryptoSignatureExport(signature, nullptr, kMaskHex), kErrPointer);
    EXPECT_EQ(CryptoSignatureExport(signature, text, 0x20), kErrMask);
    EXPECT_EQ(CryptoSignatureFree(envelope), kErrHandle);
    EXPECT_EQ(CryptoEnvelopeFree(signature), kErrHandle);
    EXPECT_EQ(CryptoRsaKeyFree(signature), kErrHandle);

    EXPECT_EQ(CryptoSignatureFree(signature), kOk);
    EXPECT_EQ(CryptoSignatureFree(signature), kErrHandle);  // stale
    EXPECT_EQ(CryptoEnvelopeFree(envelope), kOk);
    CryptoHashFree(digest);
    CryptoRsaKeyFree(privateKey);
    CryptoRsaKeyFree(publicKey);
}

}  // namespace
}  // namespace vkt::crypto::test
