// Encryption blocks of types 0, 1 and 2 through the block maker and opener, with OpenSSL's
// PKCS #1 v1.5 on the other side where it has the block type.
#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>

#include <algorithm>

#include "crypto/rsa/rsa_key.h"
#include "crypto/rsa/rsa_test_support.h"

namespace vkt::crypto::test {
namespace {

Bytes Pattern(std::size_t length) {
    Bytes data(length);
    for (std::size_t i = 0; i < length; ++i) data[i] = static_cast<std::uint8_t>(0x80 + 3 * i);
    return data;
}

TEST(RsaBlockTest, MakesAndOpensEveryBlockType) {
    for (int bits : {512, 1004}) {
        EVP_PKEY* openssl = TestKey(bits);
        const Handle privateHandle = LoadTestKey(openssl);
        const Handle publicHandle = LoadTestKey(openssl, keygen::kKindPublic);
        const RsaKey& privateKey = *KeyObject(privateHandle);
        const RsaKey& publicKey = *KeyObject(publicHandle);
        const std::size_t k = ModulusBytes(openssl);
        for (std::size_t length : {std::size_t{1}, std::size_t{26}, k - 11}) {
            const Bytes data = Pattern(length);
            for (int type : {kBlockType0, kBlockType1, kBlockType2}) {
                const RsaKey& maker = type == kBlockType2 ? publicKey : privateKey;
                const RsaKey& opener = type == kBlockType2 ? privateKey : publicKey;
                Bytes block(k);
                ASSERT_EQ(RsaBlockMake(block.data(), data.data(),
                                       static_cast<std::uint32_t>(length), type, maker),
                          kOk)
                    << bits << " bits, type " << type << ", " << length << " bytes";
                Bytes opened(k);
                std::uint32_t openedLength = 0;
                ASSERT_EQ(RsaBlockOpen(opened.data(), &openedLength, block.data(), opener), kOk);
                opened.resize(openedLength);
                EXPECT_EQ(opened, data) << bits << " bits, type " << type;
                if (type == kBlockType1) {
                    EXPECT_EQ(Pkcs1Recover(openssl, block), data);
                }
                if (type == kBlockType2) {
                    EXPECT_EQ(Pkcs1Decrypt(openssl, block), data);
                }
            }
        }
        CryptoRsaKeyFree(privateHandle);
        CryptoRsaKeyFree(publicHandle);
    }
}

TEST(RsaBlockTest, TypeTwoPaddingIsRandomAndNonZero) {
    EVP_PKEY* openssl = TestKey(512);
    const Handle publicHandle = LoadTestKey(openssl, keygen::kKindPublic);
    const Bytes data = Pattern(1);
    Bytes first(64), second(64);
    ASSERT_EQ(RsaBlockMake(first.data(), data.data(), 1, kBlockType2, *KeyObject(publicHandle)),
              kOk);
    ASSERT_EQ(RsaBlockMake(second.data(), data.data(), 1, kBlockType2, *KeyObject(publicHandle)),
              kOk);
    EXPECT_NE(first, second);
    const Bytes eb = RawPrivate(openssl, first);  // 00 02 PS(61 non-zero) 00 D
    ASSERT_EQ(eb.size(), 64u);
    EXPECT_EQ(std::count(eb.begin() + 2, eb.begin() + 63, 0), 1);  // only the separator
    EXPECT_EQ(eb[62], 0);
    CryptoRsaKeyFree(publicHandle);
}

TEST(RsaBlockTest, MakerRefusesBadArguments) {
    EVP_PKEY* openssl = TestKey(512);
    const Handle privateHandle = LoadTestKey(openssl);
    const Handle publicHandle = LoadTestKey(openssl, keygen::kKindPublic);
    const RsaKey& privateKey = *KeyObject(privateHandle);
    const RsaKey& publicKey = *KeyObject(publicHandle);
    // An 88-bit public key: k = 11, too short for any block.
    keygen::SecretBytes record = {0, 88, 0, 2};
    Bytes n(11, 0);
    n[0] = 0x80;
    n[10] = 0x01;
    keygen::AppendRecordInteger(record, n.data(), n.size());
    keygen::AppendRecordInteger(record, Bytes{3}.data(), 1);
    RsaKey* tiny = nullptr;
    ASSERT_EQ(RsaKeyParseRecord(record.data(), record.size(), &tiny), kOk);

    const Bytes data = Pattern(64);
    Bytes zeroFirst = Pattern(4);
    zeroFirst[0] = 0;
    struct Row {
        const char* what;
        const Bytes* data;
        std::uint32_t length;
        int type;
        const RsaKey* key;
        std::int32_t expected;
    };
    const Row rows[] = {
        {"k - 11 bytes", &data, 64 - 11, kBlockType1, &privateKey, kOk},
        {"k - 10 bytes", &data, 64 - 10, kBlockType1, &privateKey, kErrTooLong},
        {"k - 10 bytes, type 2", &data, 64 - 10, kBlockType2, &publicKey, kErrTooLong},
        {"no data", &data, 0, kBlockType1, &privateKey, kErrLength},
        {"type 3", &data, 4, 3, &privateKey, kErrInternal},
        {"type 0 with a leading zero", &zeroFirst, 4, kBlockType0, &privateKey, kErrInternal},
        {"type 0 with a public key", &data, 4, kBlockType0, &publicKey, kErrNeedPrivate},
        {"type 1 with a public key", &data, 4, kBlockType1, &publicKey, kErrNeedPrivate},
        {"type 2 with a private key", &data, 4, kBlockType2, &privateKey, kErrNeedPublic},
        {"k below 12", &data, 1, kBlockType2, tiny, kErrInternal},
    };
    for (const Row& row : rows) {
        Bytes block(64);
        EXPECT_EQ(RsaBlockMake(block.data(), row.data->data(), row.length, row.type, *row.key),
                  row.expected)
            << row.what;
    }
    Bytes opened(64);
    std::uint32_t length = 0;
    EXPECT_EQ(RsaBlockOpen(opened.data(), &length, Bytes(64, 1).data(), *tiny), kErrInternal);

    RsaKeyDestroy(tiny);
    CryptoRsaKeyFree(privateHandle);
    CryptoRsaKeyFree(publicHandle);
}

TEST(RsaIntBytesTest, ConvertsBothWays) {
    // 2^30 takes two limbs of the radix: 0 and 1.
    MpScoped value;
    const Bytes twoToThe30 = {0x00, 0x40, 0x00, 0x00, 0x00};
    RsaIntFromBytes(twoToThe30.data(), twoToThe30.size(), value.out());
    ASSERT_EQ(value.get()[0], 2);
    EXPECT_EQ(value.get()[1], 0);
    EXPECT_EQ(value.get()[2], 1);

    for (std::size_t length = 1; length <= 70; ++length) {
        Bytes bytes = Pattern(length);
        RsaIntFromBytes(bytes.data(), bytes.size(), value.out());
        Bytes back(length + 2, 0xEE);
        ASSERT_TRUE(RsaIntToBytes(value.get(), back.data(), back.size())) << length;
        bytes.insert(bytes.begin(), 2, 0);
        EXPECT_EQ(back, bytes) << length;
        EXPECT_FALSE(RsaIntToBytes(value.get(), back.data(), length - 1)) << length;
    }

    const Bytes zeros(5, 0);
    RsaIntFromBytes(zeros.data(), zeros.size(), value.out());
    EXPECT_TRUE(mp::iszero(value.get()));
    Bytes out(3, 0xEE);
    ASSERT_TRUE(RsaIntToBytes(value.get(), out.data(), out.size()));
    EXPECT_EQ(out, Bytes(3, 0));

    mp::intoz(-5, value.out());
    EXPECT_FALSE(RsaIntToBytes(value.get(), out.data(), out.size()));
}

// x^d mod n without the Chinese remainder theorem, by OpenSSL, as k bytes.
Bytes PlainPower(EVP_PKEY* key, const Bytes& x) {
    return OpenSslPower(key, OSSL_PKEY_PARAM_RSA_D, x, ModulusBytes(key));
}

TEST(RsaPrivateOpTest, CrtWithBlindingEqualsPlainExponentiation) {
    for (int bits : {512, 1004, 1024, 2048, 4096}) {
        EVP_PKEY* openssl = TestKey(bits);
        const Handle handle = LoadTestKey(openssl);
        const RsaKey& key = *KeyObject(handle);
        const std::size_t k = ModulusBytes(openssl);

        MpScoped one, nMinusOne;
        mp::one(one.out());
        mp::sub(key.n, one.get(), nMinusOne.out());
        Bytes top(k);
        RsaIntToBytes(nMinusOne.get(), top.data(), k);
        std::vector<Bytes> inputs = {Bytes(k, 0), Bytes(k, 0), Bytes(k, 0), top};
        inputs[1][k - 1] = 1;
        inputs[2][k - 1] = 2;
        for (int i = 0; i < 3; ++i) {
            Bytes random(k, 0);
            CryptoRandomBytes(random.data() + 1, static_cast<std::uint32_t>(k - 1), false);
            inputs.push_back(random);
        }
        // The 4096-bit key, slow in unoptimised builds, takes one random input and no plain
        // exponentiation by the integer package.
        const bool large = bits > 2048;
        for (std::size_t index = large ? inputs.size() - 1 : 0; index < inputs.size(); ++index) {
            const Bytes& input = inputs[index];
            MpScoped x, y;
            RsaIntFromBytes(input.data(), k, x.out());
            const Bytes expected = PlainPower(openssl, input);
            for (int run = 0; run < 2; ++run) {  // each run draws another blinding factor
                ASSERT_EQ(RsaPrivateOp(key, x.get(), y.out()), kOk);
                Bytes ours(k);
                ASSERT_TRUE(RsaIntToBytes(y.get(), ours.data(), k));
                EXPECT_EQ(ours, expected) << bits << " bits, input " << index << ", run " << run;
            }
        }
        if (!large) {  // the integer package's own plain exponentiation agrees too
            MpScoped x, crt, plain;
            RsaIntFromBytes(inputs.back().data(), k, x.out());
            ASSERT_EQ(RsaPrivateOp(key, x.get(), crt.out()), kOk);
            mp::expmod(x.get(), key.d, key.n, plain.out());
            EXPECT_EQ(mp::compare(crt.get(), plain.get()), 0) << bits << " bits";
        }
        CryptoRsaKeyFree(handle);
    }
}

}  // namespace
}  // namespace vkt::crypto::test
