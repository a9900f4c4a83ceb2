// Paddings 3 and 4, residual-block termination, and the refusal of a final block whose last
// byte names no padding. Output buffers have exactly the sizes the operations promise to stay
// within, so the sanitizer build catches any write past them.
#include <gtest/gtest.h>

#include "crypto/symcipher/sym_engine.h"
#include "sym_test_support.h"

namespace vkt::crypto::testing {
namespace {

const Bytes kDesKey = FromHex("0123456789abcdef");

std::uint32_t VectorBytes(std::int32_t mode) {
    return mode == kModeEcb ? 0 : 8;
}

// Enciphers with the padding, then deciphers with padding 1, which leaves the padding bytes
// in place; returns the deciphered bytes.
Bytes PaddedPlaintext(std::int32_t mode, std::int32_t padding, const Bytes& data,
                      std::uint32_t expectedCiphertext) {
    ScopedKey key(kAlgDes, kDesKey);
    Bytes sealed((data.size() & ~std::size_t{7}) + 8 + VectorBytes(mode));
    std::uint32_t length = 0;
    EXPECT_EQ(CryptoEncrypt(key.handle(), sealed.data(), &length, data.data(),
                            static_cast<std::uint32_t>(data.size()), mode, padding),
              kOk);
    EXPECT_EQ(length, expectedCiphertext + VectorBytes(mode));
    Bytes plain(length);
    EXPECT_EQ(
        CryptoDecrypt(key.handle(), plain.data(), &length, sealed.data(), length, mode, kPadNone),
        kOk);
    plain.resize(length);
    return plain;
}

TEST(Padding, FinalBlockLayoutInEveryMode) {
    const Bytes sixteen = FromText("sixteen bytes!!!");
    const Bytes thirteen = FromText("thirteen byte");
    for (std::int32_t mode : kModes) {
        SCOPED_TRACE("mode " + std::to_string(mode));
        // A length that is a multiple of 8 gets a whole block of eight 0x08.
        EXPECT_EQ(ToHex(PaddedPlaintext(mode, kPadPkcs, sixteen, 24)),
                  ToHex(sixteen) + "0808080808080808");
        // 13 bytes with padding 4 end in the block: 5 data bytes, FF FF 03.
        EXPECT_EQ(ToHex(PaddedPlaintext(mode, kPadFfCount, thirteen, 16)),
                  ToHex(thirteen) + "ffff03");
        EXPECT_EQ(ToHex(PaddedPlaintext(mode, kPadPkcs, thirteen, 16)), ToHex(thirteen) + "030303");
    }
}

// Modes 1 and 2 without padding end a partial final block by XOR with E(X), X the last
// complete ciphertext block, or the register for a message shorter than a block.
TEST(Padding, ResidualBlockTermination) {
    const Bytes thirteen = FromText("thirteen byte");
    ScopedKey key(kAlgDes, kDesKey);
    key.SetVector(FromHex("1234567890abcdef"));
    Bytes sealed(13);
    std::uint32_t length = 0;
    ASSERT_EQ(
        SymEncipher(key.context(), sealed.data(), &length, thirteen.data(), 13, kModeCbc, kPadNone),
        kOk);
    EXPECT_EQ(length, 13u);
    EXPECT_EQ(key.context().state, kSymStateResidual);

    // The tail is the data XOR the encipherment of the first ciphertext block.
    Bytes keystream(8);
    ASSERT_EQ(CryptoEncrypt(key.handle(), keystream.data(), &length, sealed.data(), 8, kModeEcb,
                            kPadNone),
              kOk);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(sealed[8 + i], thirteen[8 + i] ^ keystream[i]) << i;
    }

    // Deciphering a message shorter than a block in mode 1 works against the register: zero in
    // a new key object, the vector once one is set.
    ScopedKey fresh(kAlgDes, kDesKey);
    const Bytes zero(8, 0);
    ASSERT_EQ(CryptoEncrypt(fresh.handle(), keystream.data(), &length, zero.data(), 8, kModeEcb,
                            kPadNone),
              kOk);
    const Bytes five = FromHex("0102030405");
    Bytes out(5);
    ASSERT_EQ(
        CryptoDecrypt(fresh.handle(), out.data(), &length, five.data(), 5, kModeEcb, kPadNone),
        kOk);
    EXPECT_EQ(length, 5u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(out[i], five[i] ^ keystream[i]) << i;
    EXPECT_EQ(fresh.context().state, kSymStateResidual);
}

// A final block whose last byte is 0 or above 8 is refused with -204 and reports no length;
// 1 to 8 remove that many bytes. Built for each value by enciphering a chosen final block
// without padding.
TEST(Padding, FinalByteOutsideOneToEightIsRefused) {
    for (std::int32_t mode : {kModeEcb, kModeCbc, kModeOfb8}) {
        for (int last = 0; last < 256; ++last) {
            SCOPED_TRACE("mode " + std::to_string(mode) + " last byte " + std::to_string(last));
            ScopedKey key(kAlgDes, kDesKey);
            Bytes data = FromText("first block!two.");
            data[15] = static_cast<std::uint8_t>(last);
            Bytes sealed(16 + VectorBytes(mode));
            std::uint32_t length = 0;
            ASSERT_EQ(CryptoEncrypt(key.handle(), sealed.data(), &length, data.data(), 16, mode,
                                    kPadNone),
                      kOk);
            Bytes out(sealed.size());
            length = 99;
            const std::int32_t result =
                CryptoDecrypt(key.handle(), out.data(), &length, sealed.data(),
                              static_cast<std::uint32_t>(sealed.size()), mode, kPadPkcs);
            if (last >= 1 && last <= 8) {
                ASSERT_EQ(result, kOk);
                EXPECT_EQ(length, 16u - static_cast<std::uint32_t>(last));
                EXPECT_EQ(ToHex(out.data(), length), ToHex(data.data(), length));
            } else {
                ASSERT_EQ(result, kErrInput);
                EXPECT_EQ(length, 0u);
                EXPECT_EQ(ToHex(out), std::string(2 * out.size(), '0'))
                    << "no plaintext is left behind";
            }
        }
    }
}

}  // namespace
}  // namespace vkt::crypto::testing
