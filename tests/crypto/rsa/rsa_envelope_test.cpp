// Digital envelopes sealed by OpenSSL (PKCS #1 v1.5, block type 2) and opened by the library,
// and every way an envelope can be refused.
#include <gtest/gtest.h>
#include <openssl/provider.h>

#include <cstring>
#include <string>

#include "crypto/core/layer.h"
#include "crypto/rsa/rsa_test_support.h"
#include "crypto/symcipher/sym_key.h"

namespace vkt::crypto::test {
namespace {

Bytes Payload(std::uint16_t algorithm, std::uint16_t keyLength, std::uint16_t vectorLength,
              const Bytes& key, const Bytes& vector) {
    Bytes d = {
        static_cast<std::uint8_t>(algorithm >> 8),    static_cast<std::uint8_t>(algorithm),
        static_cast<std::uint8_t>(keyLength >> 8),    static_cast<std::uint8_t>(keyLength),
        static_cast<std::uint8_t>(vectorLength >> 8), static_cast<std::uint8_t>(vectorLength)};
    for (std::uint8_t byte : key) d.push_back(byte);
    for (std::uint8_t byte : vector) d.push_back(byte);
    return d;
}

Bytes KeyBytes(std::size_t length) {
    Bytes key(length);
    for (std::size_t i = 0; i < length; ++i) key[i] = static_cast<std::uint8_t>(0x31 + 7 * i);
    return key;
}

const Bytes kVector = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7};

// Imports the text form of a block and opens it with the key; the result code, *out the key.
std::int32_t ImportAndOpen(int bits, const Bytes& block, Handle rsaKey, Handle* out) {
    Handle envelope = 0;
    const std::int32_t imported =
        CryptoEnvelopeImport(&envelope, BlockText(bits, block).c_str(), kMaskHex);
    if (imported != kOk) return imported;
    *out = 777;
    const std::int32_t result = CryptoEnvelopeOpen(out, envelope, rsaKey);
    EXPECT_EQ(CryptoEnvelopeFree(envelope), kOk);
    if (result != kOk) {
        EXPECT_EQ(*out, 0u);
    }
    return result;
}

// ECB with padding 3 under a key handle.
Bytes EncipherEcb(Handle key, const Bytes& plain) {
    Bytes out(plain.size() + 8);
    std::uint32_t length = 0;
    EXPECT_EQ(CryptoEncrypt(key, out.data(), &length, plain.data(),
                            static_cast<std::uint32_t>(plain.size()), kModeEcb, kPadPkcs),
              kOk);
    out.resize(length);
    return out;
}

// OpenSSL's ECB with PKCS padding; empty when OpenSSL lacks the cipher (IDEA).
Bytes OpenSslEcb(std::int32_t algorithm, const Bytes& key, const Bytes& plain) {
    // Single DES lives in OpenSSL's legacy provider; both are unloaded at the end of the run.
    static struct Providers {
        OSSL_PROVIDER* legacy = OSSL_PROVIDER_load(nullptr, "legacy");
        OSSL_PROVIDER* standard = OSSL_PROVIDER_load(nullptr, "default");
        ~Providers() {
            if (legacy != nullptr) OSSL_PROVIDER_unload(legacy);
            if (standard != nullptr) OSSL_PROVIDER_unload(standard);
        }
    } providers;
    const char* name = algorithm == kAlgDes          ? "DES-ECB"
                       : algorithm == kAlgTripleDes2 ? "DES-EDE-ECB"
                       : algorithm == kAlgTripleDes3 ? "DES-EDE3-ECB"
                                                     : "IDEA-ECB";
    EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, name, nullptr);
    if (cipher == nullptr) return {};
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    Bytes out(plain.size() + 8);
    int n = 0;
    int last = 0;
    EVP_EncryptInit_ex(ctx, cipher, nullptr, key.data(), nullptr);
    EVP_EncryptUpdate(ctx, out.data(), &n, plain.data(), static_cast<int>(plain.size()));
    EVP_EncryptFinal_ex(ctx, out.data() + n, &last);
    out.resize(static_cast<std::size_t>(n + last));
    EVP_CIPHER_CTX_free(ctx);
    EVP_CIPHER_free(cipher);
    return out;
}

struct OpenCase {
    int bits;
    std::int32_t algorithm;
    std::uint16_t vectorLength;
};

class EnvelopeOpenTest : public ::testing::TestWithParam<OpenCase> {};

TEST_P(EnvelopeOpenTest, OpensAnOpenSslEnvelope) {
    const OpenCase c = GetParam();
    EVP_PKEY* openssl = TestKey(c.bits);
    const Handle rsaKey = LoadTestKey(openssl);
    const auto keyLength = static_cast<std::uint16_t>(SymKeyLength(c.algorithm));
    const Bytes keyBytes = KeyBytes(keyLength);
    const Bytes vector = c.vectorLength == 8 ? kVector : Bytes{};
    const Bytes block = Pkcs1Encrypt(openssl, Payload(static_cast<std::uint16_t>(c.algorithm),
                                                      keyLength, c.vectorLength, keyBytes, vector));

    Handle key = 0;
    ASSERT_EQ(ImportAndOpen(c.bits, block, rsaKey, &key), kOk);
    {
        LayerGuard guard;
        const auto* context =
            static_cast<const SymKeyContext*>(CryptoHandleLookup(key, kTypeSymKey));
        ASSERT_NE(context, nullptr);
        EXPECT_EQ(context->algorithm, c.algorithm);
        if (c.vectorLength == 8) {
            EXPECT_EQ(context->state, kSymStateVector);
            EXPECT_EQ(Bytes(context->vector, context->vector + 8), kVector);
        } else {
            EXPECT_EQ(context->state, kSymStateKey);
        }
    }

    // The key deciphers and enciphers like the same key bytes elsewhere.
    const Bytes plain = {'d', 'a', 't', 'o', 's', ' ', 'd', 'e', ' ', 'p', 'r', 'u', 'e', 'b', 'a'};
    const Bytes ours = EncipherEcb(key, plain);
    const Bytes theirs = OpenSslEcb(c.algorithm, keyBytes, plain);
    if (c.algorithm != kAlgIdea) {  // OpenSSL here has no IDEA
        EXPECT_EQ(ours, theirs);
    }
    Handle direct = 0;
    ASSERT_EQ(CryptoKeyCreate(&direct, c.algorithm, keyBytes.data(), kMaskRaw), kOk);
    EXPECT_EQ(ours, EncipherEcb(direct, plain));

    CryptoKeyFree(direct);
    CryptoKeyFree(key);
    CryptoRsaKeyFree(rsaKey);
}

INSTANTIATE_TEST_SUITE_P(
    Algorithms, EnvelopeOpenTest,
    ::testing::Values(OpenCase{1024, kAlgDes, 8}, OpenCase{1024, kAlgTripleDes2, 8},
                      OpenCase{512, kAlgTripleDes2, 0}, OpenCase{2048, kAlgTripleDes3, 8},
                      OpenCase{1024, kAlgIdea, 8}, OpenCase{1024, kAlgIdea, 0}));

TEST(EnvelopeImportTest, ChecksTheModulusSizeAndTheText) {
    struct Row {
        const char* what;
        std::string text;
        std::int32_t expected;
    };
    const Row rows[] = {
        {"512 bits", BlockText(512, Bytes(64, 0x11)), kOk},
        {"8192 bits", BlockText(8192, Bytes(1024, 0x11)), kOk},
        {"upper-case digits", "0200" + std::string(128, 'A'), kOk},
        {"520 bits: not a multiple of 64", BlockText(520, Bytes(65, 0x11)), kErrModulusRange},
        {"448 bits", BlockText(448, Bytes(56, 0x11)), kErrModulusRange},
        {"8256 bits", BlockText(8256, Bytes(1032, 0x11)), kErrModulusRange},
        {"0 bits", BlockText(0, Bytes(8, 0x11)), kErrModulusRange},
        {"size digits not hexadecimal", "02x0" + std::string(128, '1'), kErrInput},
        {"empty text", "", kErrInput},
        {"block one byte short", BlockText(512, Bytes(63, 0x11)), kErrInput},
        {"bad digit in the block", "0200" + std::string(127, '1') + "g", kErrInput},
    };
    for (const Row& row : rows) {
        Handle envelope = 99;
        EXPECT_EQ(CryptoEnvelopeImport(&envelope, row.text.c_str(), kMaskHex), row.expected)
            << row.what;
        EXPECT_EQ(envelope != 0, row.expected == kOk) << row.what;
        if (envelope != 0) {
            EXPECT_EQ(CryptoEnvelopeFree(envelope), kOk);
        }
    }
    Handle envelope = 0;
    EXPECT_EQ(CryptoEnvelopeImport(&envelope, nullptr, kMaskHex), kErrPointer);
    EXPECT_EQ(CryptoEnvelopeImport(&envelope, "0200", 0x20), kErrMask);
}

TEST(EnvelopeOpenErrorsTest, RefusesMalformedEnvelopes) {
    EVP_PKEY* openssl = TestKey(1024);
    const std::size_t k = ModulusBytes(openssl);
    const Handle privateKey = LoadTestKey(openssl);
    const Handle publicKey = LoadTestKey(openssl, keygen::kKindPublic);
    const Bytes good = Payload(kAlgTripleDes2, 16, 8, KeyBytes(16), kVector);
    const Bytes shortD(good.begin(), good.end() - 1);
    // Seven bytes of padding: D fills the rest of the block.
    Bytes longD = good;
    longD.resize(k - 3 - 7, 0x42);
    const Bytes weakDes = Payload(kAlgDes, 8, 0, Bytes(8, 0x01), {});
    Bytes noSeparator(k, 0x5A);
    noSeparator[0] = 0x00;
    noSeparator[1] = 0x02;

    struct Row {
        const char* what;
        int bits;
        Bytes block;
        Handle key;
        std::int32_t expected;
    };
    const Row rows[] = {
        {"good envelope", 1024, Pkcs1Encrypt(openssl, good), privateKey, kOk},
        {"seven bytes of padding", 1024, RawPublic(openssl, EncryptionBlock(k, 2, longD)),
         privateKey, kErrBadBlock},
        {"eight bytes of padding", 1024,
         RawPublic(openssl, EncryptionBlock(k, 2, Bytes(longD.begin(), longD.end() - 1))),
         privateKey, kOk},
        {"no separator", 1024, RawPublic(openssl, noSeparator), privateKey, kErrBadBlock},
        {"key length 8 for algorithm 102", 1024,
         Pkcs1Encrypt(openssl, Payload(kAlgTripleDes2, 8, 8, KeyBytes(8), kVector)), privateKey,
         kErrBadBlock},
        {"key length 0", 1024, Pkcs1Encrypt(openssl, Payload(kAlgTripleDes2, 0, 8, {}, kVector)),
         privateKey, kErrBadBlock},
        {"vector length 4", 1024,
         Pkcs1Encrypt(openssl, Payload(kAlgTripleDes2, 16, 4, KeyBytes(16), Bytes(4, 1))),
         privateKey, kErrBadBlock},
        {"D one byte short of 6 + L + V", 1024, Pkcs1Encrypt(openssl, shortD), privateKey,
         kErrBadBlock},
        {"D of 5 bytes", 1024, Pkcs1Encrypt(openssl, Bytes{0, 102, 0, 16, 0}), privateKey,
         kErrBadBlock},
        {"algorithm 105", 1024, Pkcs1Encrypt(openssl, Payload(105, 16, 8, KeyBytes(16), kVector)),
         privateKey, kErrAlgorithm},
        {"weak DES key", 1024, Pkcs1Encrypt(openssl, weakDes), privateKey, kErrWeakKey},
        {"x >= n", 1024, Bytes(k, 0xFF), privateKey, kErrBadBlock},
        {"sealed for another key", 1024, Pkcs1Encrypt(TestKey(1024 + 64), good), privateKey,
         kErrBadBlock},
        {"modulus size differs from the key's", 2048, Pkcs1Encrypt(TestKey(2048), good), privateKey,
         kErrBadBlock},
        {"block type 1 opened with a private key", 1024,
         RawPublic(openssl, EncryptionBlock(k, 1, good)), privateKey, kErrNeedPublic},
        {"block type 2 opened with a public key", 1024,
         RawPrivate(openssl, EncryptionBlock(k, 2, good)), publicKey, kErrNeedPrivate},
    };
    for (const Row& row : rows) {
        Handle key = 0;
        EXPECT_EQ(ImportAndOpen(row.bits, row.block, row.key, &key), row.expected) << row.what;
        if (key != 0) CryptoKeyFree(key);
    }

    Bytes typeThree = EncryptionBlock(k, 2, good);
    typeThree[1] = 3;
    Bytes leadingOne = EncryptionBlock(k, 2, good);
    leadingOne[0] = 1;
    for (const Bytes& eb : {typeThree, leadingOne}) {
        Handle key = 0;
        EXPECT_EQ(ImportAndOpen(1024, RawPublic(openssl, eb), privateKey, &key), kErrBadBlock);
    }
    CryptoRsaKeyFree(privateKey);
    CryptoRsaKeyFree(publicKey);
}

TEST(EnvelopeOpenErrorsTest, RefusesWrongHandles) {
    EVP_PKEY* openssl = TestKey(512);
    const Handle privateKey = LoadTestKey(openssl);
    const Handle publicKey = LoadTestKey(openssl, keygen::kKindPublic);
    Handle envelope = 0;
    ASSERT_EQ(
        CryptoEnvelopeImport(
            &envelope,
            BlockText(512, Pkcs1Encrypt(openssl, Payload(kAlgDes, 8, 0, KeyBytes(8), {}))).c_str(),
            kMaskHex),
        kOk);
    Handle digest = 0;
    ASSERT_EQ(CryptoHashCreate(&digest, kAlgMd5), kOk);
    Handle signature = 0;
    ASSERT_EQ(CryptoSign(&signature, digest, privateKey), kOk);

    struct Row {
        const char* what;
        Handle envelope;
        Handle key;
        std::int32_t expected;
    };
    for (const Row& row : {
             Row{"digest as envelope", digest, privateKey, kErrHandle},
             Row{"envelope as key", envelope, envelope, kErrHandle},
             Row{"stale key", envelope, 0x100u | (privateKey & 0xFF), kErrHandle},
             // A signature block is a block too. The private key turns it into noise; the
             // public key recovers its type 1 EB, whose payload names no cipher.
             Row{"signature opened with the private key", signature, privateKey, kErrBadBlock},
             Row{"signature opened with the public key", signature, publicKey, kErrAlgorithm},
         }) {
        Handle key = 5;
        EXPECT_EQ(CryptoEnvelopeOpen(&key, row.envelope, row.key), row.expected) << row.what;
        EXPECT_EQ(key, 0u) << row.what;
    }
    EXPECT_EQ(CryptoEnvelopeOpen(nullptr, envelope, privateKey), kErrPointer);

    CryptoSignatureFree(signature);
    CryptoHashFree(digest);
    CryptoEnvelopeFree(envelope);
    CryptoRsaKeyFree(privateKey);
    CryptoRsaKeyFree(publicKey);
}

}  // namespace
}  // namespace vkt::crypto::test
