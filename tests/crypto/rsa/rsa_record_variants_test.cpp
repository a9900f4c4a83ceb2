// Key records whose fields stretch what a sound key holds: a modulus one bit short of its
// declared size, a public exponent that does not match the private exponents, fields that do
// not agree. Every signature and every envelope opening either is valid (checked by OpenSSL
// with the key the record came from) or ends in an error; never a wrong result with success.
#include <gtest/gtest.h>
#include <openssl/core_names.h>

#include <functional>

#include "crypto/rsa/rsa_key.h"
#include "crypto/rsa/rsa_test_support.h"

namespace vkt::crypto::test {
namespace {

using Change = std::function<void(RecordFields&)>;

// Signs and opens an envelope with the record twice (two blinding factors each): either both
// results are right, or both operations fail with -608.
void SignAndOpen(EVP_PKEY* openssl, const RecordFields& fields, bool valid, const char* what) {
    Handle key = 0;
    ASSERT_EQ(LoadRecord(fields.Build(), "CLAVE", &key), kOk) << what;
    const RsaKey& object = *KeyObject(key);
    const std::size_t k = RsaModulusBytes(object.bits);
    const std::string message = std::string("archivo firmado: ") + what;
    const Bytes sessionKey = {0x00, 0x66, 0x00, 0x10, 0x00, 0x08, 1,  2,  3,  4,
                              5,    6,    7,    8,    9,    10,   11, 12, 13, 14,
                              15,   16,   17,   18,   19,   20,   21, 22, 23, 24};
    for (int run = 0; run < 2; ++run) {
        Bytes block;
        const std::int32_t signed_ = SignMd5(key, message, &block);
        // OpenSSL's own exponentiation with the key's true e and n on k-byte blocks (its PKCS #1
        // calls take blocks of its modulus's byte length only, which a size field one bit
        // above a multiple of 8 exceeds).
        if (valid) {
            ASSERT_EQ(signed_, kOk) << what;
            EXPECT_EQ(OpenSslPower(openssl, OSSL_PKEY_PARAM_RSA_E, block, k),
                      EncryptionBlock(k, kBlockType1, Md5Payload(message)))
                << what << ": the signature does not verify";
        } else {
            EXPECT_EQ(signed_, kErrBadBlock) << what;
        }

        const Bytes envelope = OpenSslPower(openssl, OSSL_PKEY_PARAM_RSA_E,
                                            EncryptionBlock(k, kBlockType2, sessionKey), k);
        Bytes opened(k);
        std::uint32_t length = 0;
        const std::int32_t result = RsaBlockOpen(opened.data(), &length, envelope.data(), object);
        if (valid) {
            ASSERT_EQ(result, kOk) << what;
            opened.resize(length);
            EXPECT_EQ(opened, sessionKey) << what;
        } else {
            EXPECT_EQ(result, kErrBadBlock) << what;
            EXPECT_EQ(length, 0u) << what;
        }
    }
    EXPECT_EQ(CryptoRsaKeyFree(key), kOk);
}

// A modulus of bits - 1 bits under a size field of bits: loads, signs and opens validly. Two
// bits short, or longer than declared, it is refused.
TEST(RsaRecordVariantsTest, ModulusOneBitShortOfItsSize) {
    struct Row {
        int modulusBits;
        int declared;
        bool loads;
    };
    for (const Row& row : {Row{1023, 1024, true}, Row{1000, 1001, true}, Row{1024, 1024, true},
                           Row{1022, 1024, false}, Row{1024, 1023, false}}) {
        const std::string what =
            std::to_string(row.modulusBits) + "-bit n declared " + std::to_string(row.declared);
        EVP_PKEY* openssl = TestKey(row.modulusBits);
        ASSERT_EQ(EVP_PKEY_get_bits(openssl), row.modulusBits);
        RecordFields fields = FieldsOf(openssl);
        fields.bits = static_cast<std::uint16_t>(row.declared);
        if (!row.loads) {
            for (const char* password : {"CLAVE", ""}) {
                Handle key = 99;
                EXPECT_EQ(LoadRecord(fields.Build(), password, &key), kErrKeyRecord) << what;
                EXPECT_EQ(key, 0u) << what;
            }
            continue;
        }
        Handle key = 0;
        ASSERT_EQ(LoadRecord(fields.Build(), "", &key), kOk) << what << ", unprotected";
        EXPECT_EQ(KeyObject(key)->bits, row.declared);
        CryptoRsaKeyFree(key);
        SignAndOpen(openssl, fields, true, what.c_str());
    }
}

// The private operation reads dp, dq, p, q and u; e (or, when e does not belong to dp and dq,
// the exponent of d) serves the blinding and the check. A record whose e alone is wrong still
// gives the signature its dp and dq compute; a record whose fields do not agree gives none.
TEST(RsaRecordVariantsTest, SignatureIsValidOrRefused) {
    auto replace = [](RecordField field, Bytes value) {
        return Change([field, value](RecordFields& f) { f.integers[field] = value; });
    };
    auto flip = [](RecordField field, std::uint8_t mask) {
        return Change([field, mask](RecordFields& f) { f.integers[field].back() ^= mask; });
    };
    struct Row {
        const char* what;
        Change change;
        bool valid;
    };
    const Row rows[] = {
        {"sound record", [](RecordFields&) {}, true},
        {"e of 3", replace(kFieldE, {3}), true},
        {"e of 65539", replace(kFieldE, {0x01, 0x00, 0x03}), true},
        {"e of 1", replace(kFieldE, {1}), true},
        {"e of 0", replace(kFieldE, {}), true},
        {"e as long as n", [](RecordFields& f) { f.integers[kFieldE] = f.integers[kFieldN]; },
         true},
        {"d damaged (not read)", flip(kFieldD, 0x04), true},
        {"e of 3 and d damaged: no field states the public exponent",
         [](RecordFields& f) {
             f.integers[kFieldE] = {3};
             f.integers[kFieldD].back() ^= 0x04;
         },
         false},
        {"u damaged", flip(kFieldU, 0x01), false},
        {"dp damaged", flip(kFieldDp, 0x02), false},
        {"dq damaged, e of 3",
         [](RecordFields& f) {
             f.integers[kFieldDq].back() ^= 0x02;
             f.integers[kFieldE] = {3};
         },
         false},
        {"p and q swapped (u then belongs to neither)",
         [](RecordFields& f) { std::swap(f.integers[kFieldP], f.integers[kFieldQ]); }, false},
        {"n not p q", flip(kFieldN, 0x02), false},
    };
    for (int bits : {512, 1024}) {
        EVP_PKEY* openssl = TestKey(bits);
        for (const Row& row : rows) {
            RecordFields fields = FieldsOf(openssl);
            row.change(fields);
            SignAndOpen(openssl, fields, row.valid,
                        (std::to_string(bits) + " bits, " + row.what).c_str());
        }
    }
}

}  // namespace
}  // namespace vkt::crypto::test
