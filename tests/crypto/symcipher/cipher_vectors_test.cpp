// Published single-block vectors of DES, triple DES and IDEA, through the public operations in
// mode 1 (which draws no vector), and the relations between the DES-family algorithms.
#include <gtest/gtest.h>

#include "sym_test_support.h"

namespace vkt::crypto::testing {
namespace {

struct EcbVector {
    std::int32_t algorithm;
    const char* key;
    Bytes plaintext;
    const char* ciphertext;
};

const EcbVector kEcbVectors[] = {
    {kAlgDes, "0123456789abcdef", FromText("Now is the time for all "),
     "3fa40e8a984d4815 6a271787ab8883f9 893d51ec4b563b53"},
    {kAlgDes, "133457799bbcdff1", FromHex("0123456789abcdef"), "85e813540f0ab405"},
    {kAlgTripleDes3, "0123456789abcdef 23456789abcdef01 456789abcdef0123",
     FromText("The qufck brown fox jump"), "a826fd8ce53b855f cce21c8112256fe6 68d5c05dd9b6b900"},
    {kAlgIdea, "0001000200030004 0005000600070008", FromHex("0000000100020003"),
     "11fbed2b01986de5"},
    {kAlgIdea, "0001000200030004 0005000600070008", FromHex("0102030405060708"),
     "540e5fea18c2f8b1"},
    {kAlgIdea, "0001000200030004 0005000600070008", FromHex("0019324b647d96af"),
     "9f0a0ab6e10ced78"},
    {kAlgIdea, "0001000200030004 0005000600070008", FromHex("f5202d5b9c671b08"),
     "cf18fd7355e2c5c5"},
    {kAlgIdea, "0005000a000f00140019001e00230028", FromHex("0102030405060708"), "3ec04780beff6e20"},
    {kAlgIdea, "3a984e2000195db32ee501c8c47cea60", FromHex("0102030405060708"), "97bcd8200780da86"},
    {kAlgIdea, "80000000000000000000000000000000", FromHex("0000000000000000"), "b1f5f7f87901370f"},
};

Bytes EcbEncrypt(std::int32_t algorithm, const Bytes& key, const Bytes& plaintext) {
    ScopedKey k(algorithm, key);
    Bytes out(plaintext.size());
    std::uint32_t length = 0;
    EXPECT_EQ(CryptoEncrypt(k.handle(), out.data(), &length, plaintext.data(),
                            static_cast<std::uint32_t>(plaintext.size()), kModeEcb, kPadNone),
              kOk);
    EXPECT_EQ(length, plaintext.size());
    return out;
}

TEST(CipherVectors, PublishedBlocksBothDirections) {
    for (const EcbVector& v : kEcbVectors) {
        SCOPED_TRACE(std::to_string(v.algorithm) + " key " + v.key);
        const Bytes key = FromHex(v.key);
        const Bytes expected = FromHex(v.ciphertext);
        EXPECT_EQ(ToHex(EcbEncrypt(v.algorithm, key, v.plaintext)), ToHex(expected));

        ScopedKey k(v.algorithm, key);
        Bytes plain(expected.size());
        std::uint32_t length = 0;
        ASSERT_EQ(CryptoDecrypt(k.handle(), plain.data(), &length, expected.data(),
                                static_cast<std::uint32_t>(expected.size()), kModeEcb, kPadNone),
                  kOk);
        EXPECT_EQ(length, expected.size());
        EXPECT_EQ(ToHex(plain), ToHex(v.plaintext));
    }
}

TEST(CipherVectors, TripleDesReducesToItsParts) {
    const Bytes k1 = FromHex("0123456789abcdef");
    const Bytes k2 = FromHex("23456789abcdef01");
    const Bytes data = FromText("Now is the time for all ");

    // Two keys with K1 = K2 is single DES with K1.
    Bytes twice = k1;
    twice.insert(twice.end(), k1.begin(), k1.end());
    EXPECT_EQ(ToHex(EcbEncrypt(kAlgTripleDes2, twice, data)), ToHex(EcbEncrypt(kAlgDes, k1, data)));

    // Two keys K1, K2 is three keys K1, K2, K1.
    Bytes two = k1;
    two.insert(two.end(), k2.begin(), k2.end());
    Bytes three = two;
    three.insert(three.end(), k1.begin(), k1.end());
    EXPECT_EQ(ToHex(EcbEncrypt(kAlgTripleDes2, two, data)),
              ToHex(EcbEncrypt(kAlgTripleDes3, three, data)));
}

TEST(CipherVectors, ParityIsForcedOnDesKeysOnly) {
    // 0x00 and 0x03 have an even number of one bits and get bit 0 flipped; 0x02 and 0x80 not.
    const Bytes raw = FromHex("00 03 02 80 fe ff 10 11");
    ScopedKey des(kAlgDes, raw);
    EXPECT_EQ(ToHex(des.context().key, 8), "01020280fefe1010");

    // Parity bits do not take part in DES: the key with parity forced enciphers alike.
    const Bytes block = FromHex("0123456789abcdef");
    EXPECT_EQ(ToHex(EcbEncrypt(kAlgDes, raw, block)),
              ToHex(EcbEncrypt(kAlgDes, FromHex("01020280fefe1010"), block)));

    const Bytes ideaKey = FromHex("00030002008000fe00ff001000110000");
    ScopedKey idea(kAlgIdea, ideaKey);
    EXPECT_EQ(ToHex(idea.context().key, 16), ToHex(ideaKey));
    EXPECT_EQ(idea.context().state, kSymStateKey);
}

TEST(CipherVectors, KeyLengthOfEachIdentifier) {
    EXPECT_EQ(SymKeyLength(kAlgDes), 8);
    EXPECT_EQ(SymKeyLength(kAlgTripleDes2), 16);
    EXPECT_EQ(SymKeyLength(kAlgTripleDes3), 24);
    EXPECT_EQ(SymKeyLength(kAlgIdea), 16);
    for (std::int32_t other : {0, 100, 105, 303, -101}) EXPECT_EQ(SymKeyLength(other), 0) << other;
}

}  // namespace
}  // namespace vkt::crypto::testing
