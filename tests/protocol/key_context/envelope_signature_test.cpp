// The session key from an envelope sealed by OpenSSL, and signatures checked by OpenSSL.
#include <gtest/gtest.h>
#include <openssl/rsa.h>

#include "key_context_support.h"
#include "protocol/key_context.h"

namespace vkt::protocol::test {
namespace {

using crypto::Handle;

// Envelope payload: algorithm, key length, vector length (2 bytes each, big-endian), key,
// vector.
Bytes EnvelopePayload(std::uint16_t algorithm, const Bytes& key, const Bytes& vector) {
    Bytes d = {static_cast<std::uint8_t>(algorithm >> 8),
               static_cast<std::uint8_t>(algorithm),
               0,
               static_cast<std::uint8_t>(key.size()),
               0,
               static_cast<std::uint8_t>(vector.size())};
    d.insert(d.end(), key.begin(), key.end());
    d.insert(d.end(), vector.begin(), vector.end());
    return d;
}

// OpenSSL's PKCS #1 v1.5 with the raw RSA calls: public encryption (block type 2) and
// signature recovery (block type 1).
Bytes RsaCall(EVP_PKEY* key, const Bytes& in,
              int (*call)(int, const unsigned char*, unsigned char*, RSA*, int)) {
    RSA* rsa = EVP_PKEY_get1_RSA(key);
    Bytes out(static_cast<std::size_t>(RSA_size(rsa)));
    const int length =
        call(static_cast<int>(in.size()), in.data(), out.data(), rsa, RSA_PKCS1_PADDING);
    RSA_free(rsa);
    out.resize(length < 0 ? 0 : static_cast<std::size_t>(length));
    return out;
}

// The text form of an envelope: 4 digits of the modulus size in bits, then the block.
std::string EnvelopeText(EVP_PKEY* key, const Bytes& payload) {
    const int bits = EVP_PKEY_get_bits(key);
    return Hex({static_cast<std::uint8_t>(bits >> 8), static_cast<std::uint8_t>(bits)}) +
           Hex(RsaCall(key, payload, RSA_public_encrypt));
}

class EnvelopeTest : public KeyDirectoryTest {
  protected:
    void SetUp() override {
        KeyDirectoryTest::SetUp();
        WriteKeyFile("usuario", "CLAVE");
        const Bytes file = FileBytes(TestKey(1024), "CLAVE");
        textLength_ = static_cast<std::uint32_t>(
            std::stoul(std::string(file.begin() + 18, file.begin() + 22)));
    }
    KeyContext Context(const char* password = "CLAVE") const {
        return KeyContext("usuario", password, dir_.c_str(), 22, textLength_);
    }
    std::uint32_t textLength_ = 0;
};

TEST_F(EnvelopeTest, OpensAnOpenSslEnvelopeIntoASessionKey) {
    const Bytes keyBytes = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef,
                            0xfe, 0xdc, 0xba, 0x98, 0x76, 0x54, 0x32, 0x10};
    const std::string text = EnvelopeText(
        TestKey(1024), EnvelopePayload(crypto::kAlgTripleDes2, keyBytes, Bytes(8, 0xA5)));
    // The text is taken by its length: what follows it is not read.
    const std::string withTail = text + "ffff";
    KeyContext context = Context();
    Handle session = 0;
    ASSERT_EQ(
        context.OpenEnvelope(&session, withTail.data(), static_cast<std::uint32_t>(text.size())),
        0);
    ASSERT_NE(session, 0u);

    // What the session key seals, OpenSSL opens with the key bytes the server chose.
    const Bytes plain = {'a', 'r', 'c', 'h', 'i', 'v', 'o', '.', 't', 'x', 't'};
    ASSERT_EQ(context.Seal(session, plain.data(), static_cast<std::uint32_t>(plain.size())), 0);
    const Bytes sealed(context.WorkBuffer(), context.WorkBuffer() + context.WorkLength());
    EXPECT_EQ(OpenSslCbc(false, keyBytes, Bytes(sealed.begin(), sealed.begin() + 8),
                         Bytes(sealed.begin() + 8, sealed.end())),
              plain);
    EXPECT_EQ(KeyContext::DestroySessionKey(session), 0);
    EXPECT_EQ(KeyContext::DestroySessionKey(session), 2205);
}

TEST_F(EnvelopeTest, FailuresLeaveNoHandleBehind) {
    const std::string good = EnvelopeText(
        TestKey(1024), EnvelopePayload(crypto::kAlgTripleDes2, Bytes(16, 0x5C), Bytes(8, 0)));
    const std::string otherKey = EnvelopeText(
        TestKey(512), EnvelopePayload(crypto::kAlgTripleDes2, Bytes(16, 0x5C), Bytes(8, 0)));
    const std::string badAlgorithm =
        EnvelopeText(TestKey(1024), EnvelopePayload(999, Bytes(16, 0x5C), Bytes(8, 0)));
    struct Row {
        const char* what;
        const char* password;
        std::string text;
        std::int32_t expected;
    };
    const Row rows[] = {
        {"not hexadecimal", "CLAVE", "04zz" + good.substr(4), 2204},
        {"truncated", "CLAVE", good.substr(0, good.size() - 2), 2204},
        {"wrong password", "mala", good, 2604},
        {"sealed for another key", "CLAVE", otherKey, 2608},
        {"unknown cipher", "CLAVE", badAlgorithm, 2103},
    };
    // Repeated past the layer's 256 handles: a handle left behind would end in 2105.
    for (int round = 0; round < 60; ++round) {
        for (const Row& row : rows) {
            KeyContext context = Context(row.password);
            Handle session = 77;
            ASSERT_EQ(context.OpenEnvelope(&session, row.text.data(),
                                           static_cast<std::uint32_t>(row.text.size())),
                      row.expected)
                << row.what;
            ASSERT_EQ(session, 0u) << row.what;
        }
    }
    KeyContext context = Context();
    Handle session = 77;
    EXPECT_EQ(context.OpenEnvelope(&session, nullptr, 0), 2201);
    EXPECT_EQ(session, 0u);
}

TEST_F(EnvelopeTest, SignatureVerifiesWithOpenSsl) {
    const std::string message = "contenido del archivo enviado";
    Handle digest = 0;
    ASSERT_EQ(KeyContext::DigestUpdate(message.data(), static_cast<std::uint32_t>(message.size()),
                                       crypto::kAlgMd5, &digest),
              0);
    KeyContext context = Context();
    Handle signature = 0;
    std::uint32_t size = 0;
    ASSERT_EQ(context.SignDigest(digest, &signature, &size), 0);
    EXPECT_EQ(size, 2u + 128u);

    std::string text(2 * size + 1, '?');
    EXPECT_EQ(KeyContext::SignatureToHex(signature, text.data(), text.size() - 1), 2202);
    ASSERT_EQ(KeyContext::SignatureToHex(signature, text.data(), text.size()), 0);
    EXPECT_EQ(text.back(), '\0');
    text.pop_back();
    EXPECT_EQ(text.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_EQ(text.substr(0, 4), "0400");

    // Payload: identifier 303, length 16, 0x0000, then the MD5 value.
    Bytes expected = {0x01, 0x2f, 0x00, 0x10, 0x00, 0x00};
    std::uint8_t md5[16];
    EVP_Digest(message.data(), message.size(), md5, nullptr, EVP_md5(), nullptr);
    expected.insert(expected.end(), md5, md5 + 16);
    EXPECT_EQ(RsaCall(TestKey(1024), FromHex(text.substr(4)), RSA_public_decrypt), expected);

    EXPECT_EQ(KeyContext::FreeSignature(signature), 0);
    EXPECT_EQ(KeyContext::FreeSignature(signature), 2205);
    EXPECT_EQ(KeyContext::FreeDigest(digest), 0);
}

TEST_F(EnvelopeTest, SigningFailuresLeaveNoSignature) {
    Handle digest = 0;
    ASSERT_EQ(KeyContext::DigestUpdate("x", 1, crypto::kAlgMd5, &digest), 0);
    Handle signature = 77;
    std::uint32_t size = 77;
    EXPECT_EQ(Context("mala").SignDigest(digest, &signature, &size), 2604);
    EXPECT_EQ(signature, 0u);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(Context().SignDigest(0, &signature, &size), 2205);
    EXPECT_EQ(signature, 0u);
    KeyContext located("usuario", "CLAVE", dir_.c_str(), 0, textLength_);
    EXPECT_EQ(located.SignDigest(digest, &signature, &size), 40052);
    KeyContext::FreeDigest(digest);
}

}  // namespace
}  // namespace vkt::protocol::test
