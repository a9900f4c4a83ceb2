// Sealing and unsealing under a session key, checked against OpenSSL's triple DES in CBC with
// the same key bytes.
#include <gtest/gtest.h>

#include "key_context_support.h"
#include "protocol/key_context.h"

namespace vkt::protocol::test {
namespace {

using crypto::Handle;

class SessionKey {
  public:
    explicit SessionKey(std::size_t length) : bytes(length) {
        for (std::size_t i = 0; i < length; ++i)
            bytes[i] = static_cast<std::uint8_t>(0x13 + 11 * i);
        const std::int32_t algorithm =
            length == 16 ? crypto::kAlgTripleDes2 : crypto::kAlgTripleDes3;
        EXPECT_EQ(crypto::CryptoKeyCreate(&handle, algorithm, bytes.data(), crypto::kMaskRaw),
                  crypto::kOk);
    }
    ~SessionKey() { KeyContext::DestroySessionKey(handle); }
    Bytes bytes;
    Handle handle = 0;
};

Bytes Payload(std::uint32_t length) {
    Bytes payload(length);
    for (std::uint32_t i = 0; i < length; ++i) payload[i] = static_cast<std::uint8_t>(i * 7 + 1);
    return payload;
}

Bytes Work(const KeyContext& context) {
    return Bytes(context.WorkBuffer(), context.WorkBuffer() + context.WorkLength());
}

TEST(SealTest, SealedSizeIsVectorPlusPaddedBlocks) {
    SessionKey key(16);
    KeyContext context;
    for (std::uint32_t p : {1u, 7u, 8u, 9u, 15u, 16u, 255u, 8192u, 8202u}) {
        const Bytes plain = Payload(p);
        ASSERT_EQ(context.Seal(key.handle, plain.data(), p), 0) << p;
        EXPECT_EQ(context.WorkLength(), 8 + 8 * (p / 8 + 1)) << p;
    }
    const Bytes block = Payload(8202);  // a first file block: 10 digits and 8,192 bytes
    ASSERT_EQ(context.Seal(key.handle, block.data(), 8202), 0);
    EXPECT_EQ(context.WorkLength(), 8216u);
}

TEST(SealTest, RoundTripsWithOpenSsl) {
    for (std::size_t keyLength : {16u, 24u}) {
        SessionKey key(keyLength);
        KeyContext context;
        for (std::uint32_t p : {1u, 8u, 100u, 8202u}) {
            const Bytes plain = Payload(p);
            ASSERT_EQ(context.Seal(key.handle, plain.data(), p), 0);
            const Bytes sealed = Work(context);
            const Bytes vector(sealed.begin(), sealed.begin() + 8);
            EXPECT_EQ(OpenSslCbc(false, key.bytes, vector, Bytes(sealed.begin() + 8, sealed.end())),
                      plain)
                << keyLength << "/" << p;

            // The other way: OpenSSL seals, the context unseals.
            const Bytes theirs = OpenSslCbc(true, key.bytes, vector, plain);
            Bytes form = vector;
            form.insert(form.end(), theirs.begin(), theirs.end());
            ASSERT_EQ(
                context.Unseal(key.handle, form.data(), static_cast<std::uint32_t>(form.size())),
                0);
            EXPECT_EQ(Work(context), plain) << keyLength << "/" << p;
        }
    }
}

TEST(SealTest, EachSealDrawsAFreshVector) {
    SessionKey key(16);
    KeyContext context;
    const Bytes plain = Payload(24);
    ASSERT_EQ(context.Seal(key.handle, plain.data(), 24), 0);
    const Bytes first = Work(context);
    ASSERT_EQ(context.Seal(key.handle, plain.data(), 24), 0);
    EXPECT_NE(Work(context), first);
}

TEST(SealTest, RefusedInputsLeaveNoBuffer) {
    SessionKey key(16);
    KeyContext context;
    const Bytes plain = Payload(32);
    ASSERT_EQ(context.Seal(key.handle, plain.data(), 32), 0);
    const Bytes sealed = Work(context);
    // A sealed form whose last plaintext byte is 0: no valid padding count.
    Bytes badPadding(8 + 48);
    std::uint32_t written = 0;
    const Bytes zeroEnded(48, 0);
    ASSERT_EQ(crypto::CryptoEncrypt(key.handle, badPadding.data(), &written, zeroEnded.data(), 48,
                                    crypto::kModeCbc, crypto::kPadNone),
              crypto::kOk);
    ASSERT_EQ(written, 56u);

    struct Row {
        const char* what;
        bool seal;
        Handle handle;
        const std::uint8_t* data;
        std::uint32_t length;
        std::int32_t expected;
    };
    const Row rows[] = {
        {"seal of nothing", true, key.handle, plain.data(), 0, 2202},
        {"seal without data", true, key.handle, nullptr, 8, 2201},
        {"seal with no key", true, 0, plain.data(), 8, 2205},
        {"unseal of the vector alone", false, key.handle, sealed.data(), 8, 2202},
        {"unseal of nothing", false, key.handle, sealed.data(), 0, 2202},
        {"unseal not a multiple of 8", false, key.handle, sealed.data(), 45, 2202},
        {"unseal with no key", false, 0, sealed.data(), 48, 2205},
        {"unseal of a bad padding count", false, key.handle, badPadding.data(), 56, 2204},
    };
    for (const Row& row : rows) {
        ASSERT_EQ(context.Seal(key.handle, plain.data(), 32), 0);
        const std::int32_t result = row.seal ? context.Seal(row.handle, row.data, row.length)
                                             : context.Unseal(row.handle, row.data, row.length);
        EXPECT_EQ(result, row.expected) << row.what;
        EXPECT_EQ(context.WorkBuffer(), nullptr) << row.what;
        EXPECT_EQ(context.WorkLength(), 0u) << row.what;
    }
}

}  // namespace
}  // namespace vkt::protocol::test
