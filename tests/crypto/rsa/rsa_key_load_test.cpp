// CryptoRsaKeyLoad on key texts made by the key-file writer and on damaged ones.
#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>

#include <functional>

#include "crypto/core/layer.h"
#include "crypto/rsa/rsa_key.h"
#include "crypto/rsa/rsa_test_support.h"

namespace vkt::crypto::test {
namespace {

using keygen::BuildKeyBlob;
using keygen::BuildKeyRecord;
using keygen::BuildKeyText;

std::int32_t LoadText(const SecretBytes& text, const std::string& password, Handle* out) {
    const std::string keyText(text.begin(), text.end());
    return CryptoRsaKeyLoad(out, keyText.c_str(), password.c_str(), kMaskHex);
}

TEST(RsaKeyLoadTest, LoadsWithTheRightPasswordOnly) {
    EVP_PKEY* openssl = TestKey(1024);
    const SecretBytes privateRecord = BuildKeyRecord(openssl, keygen::kKindPrivate);
    const SecretBytes publicRecord = BuildKeyRecord(openssl, keygen::kKindPublic);
    struct Row {
        const char* what;
        const SecretBytes* record;
        std::string writtenWith;
        std::string loadedWith;
        std::int32_t expected;
        std::uint32_t type;
    };
    const Row rows[] = {
        {"right password", &privateRecord, "CLAVE SECRETA", "CLAVE SECRETA", kOk, kTypeRsaPrivate},
        {"Latin-1 password", &privateRecord, "A\xD1O", "A\xD1O", kOk, kTypeRsaPrivate},
        {"wrong password", &privateRecord, "CLAVE SECRETA", "CLAVE SECRETO", kErrKeyRecord, 0},
        {"password differing in case", &privateRecord, "CLAVE", "clave", kErrKeyRecord, 0},
        {"empty password on a protected blob", &privateRecord, "CLAVE", "", kErrKeyRecord, 0},
        {"unprotected blob, empty password", &privateRecord, "", "", kOk, kTypeRsaPrivate},
        {"unprotected blob, a password", &privateRecord, "", "CLAVE", kErrKeyRecord, 0},
        {"kind 2 record", &publicRecord, "CLAVE", "CLAVE", kOk, kTypeRsaPublic},
        {"kind 2 record, unprotected", &publicRecord, "", "", kOk, kTypeRsaPublic},
    };
    for (const Row& row : rows) {
        const SecretBytes text = BuildKeyText(BuildKeyBlob(*row.record, Secret(row.writtenWith)));
        Handle key = 99;
        EXPECT_EQ(LoadText(text, row.loadedWith, &key), row.expected) << row.what;
        EXPECT_EQ(CryptoHandleType(key), row.type) << row.what;
        if (key != 0) {
            EXPECT_EQ(KeyObject(key)->bits, 1024) << row.what;
            EXPECT_EQ(CryptoRsaKeyFree(key), kOk);
        }
    }
}

bool SameKey(const RsaKey& a, const RsaKey& b) {
    const mp::MpConst left[] = {a.n, a.e, a.d, a.p, a.q, a.dp, a.dq, a.u};
    const mp::MpConst right[] = {b.n, b.e, b.d, b.p, b.q, b.dp, b.dq, b.u};
    for (int i = 0; i < 8; ++i) {
        if (mp::compare(left[i], right[i]) != 0) return false;
    }
    return a.bits == b.bits && a.kind == b.kind;
}

TEST(RsaKeyLoadTest, LeadingZeroBytesGiveTheSameKey) {
    const RecordFields plain = FieldsOf(TestKey(1024));
    RecordFields padded = plain;
    padded.integers[0].insert(padded.integers[0].begin(), 0);  // n in 129 bytes
    padded.integers[3].insert(padded.integers[3].begin(), 3, 0);
    padded.integers[7].insert(padded.integers[7].begin(), 0);
    Handle a = 0, b = 0;
    ASSERT_EQ(LoadRecord(plain.Build(), "CLAVE", &a), kOk);
    ASSERT_EQ(LoadRecord(padded.Build(), "CLAVE", &b), kOk);
    EXPECT_TRUE(SameKey(*KeyObject(a), *KeyObject(b)));
    CryptoRsaKeyFree(a);
    CryptoRsaKeyFree(b);
}

TEST(RsaKeyLoadTest, RefusesMalformedRecordsWithoutDying) {
    const RecordFields good = FieldsOf(TestKey(512));
    using Change = std::function<void(RecordFields&)>;
    struct Row {
        const char* what;
        Change change;
    };
    const Row rows[] = {
        {"n = 0", [](RecordFields& f) { f.integers[0] = {0}; }},
        {"n empty", [](RecordFields& f) { f.integers[0] = {}; }},
        {"n = 1",
         [](RecordFields& f) {
             f.integers[0] = {0, 1};
         }},
        {"p = 1", [](RecordFields& f) { f.integers[3] = {1}; }},
        {"p = 0", [](RecordFields& f) { f.integers[3] = {}; }},
        {"q = 0",
         [](RecordFields& f) {
             f.integers[4] = {0, 0};
         }},
        {"q = 1", [](RecordFields& f) { f.integers[4] = {1}; }},
        {"size two bits more than n", [](RecordFields& f) { f.bits = 514; }},
        {"size one bit less than n", [](RecordFields& f) { f.bits = 511; }},
        {"size 0", [](RecordFields& f) { f.bits = 0; }},
        {"size above 8192", [](RecordFields& f) { f.bits = 8200; }},
        {"u missing", [](RecordFields& f) { f.integers.pop_back(); }},
        {"only n", [](RecordFields& f) { f.integers.resize(1); }},
        {"no fields", [](RecordFields& f) { f.integers.clear(); }},
        {"integer above 8192 bits", [](RecordFields& f) { f.integers[2] = Bytes(1025, 0x7F); }},
    };
    // A handle leaked by a failure would run the table (256 entries) dry over the rounds.
    for (int round = 0; round < 20; ++round) {
        for (const Row& row : rows) {
            RecordFields fields = good;
            row.change(fields);
            Handle key = 99;
            EXPECT_EQ(LoadRecord(fields.Build(), round % 2 ? "" : "CLAVE", &key), kErrKeyRecord)
                << row.what;
            EXPECT_EQ(key, 0u);
        }
    }

    // Fields that run past the record, and records too short for their header.
    const SecretBytes record = good.Build();
    SecretBytes overrun = record;
    overrun[5] = 0xFF;  // n announces 255 + 256 bytes more than the record has
    SecretBytes truncated(record.begin(), record.end() - 10);
    for (const SecretBytes& bad :
         {overrun, truncated, SecretBytes{0x02, 0x00, 0x00}, SecretBytes{}}) {
        Handle key = 99;
        EXPECT_EQ(LoadRecord(bad, "CLAVE", &key), kErrKeyRecord);
        EXPECT_EQ(LoadRecord(bad, "", &key), kErrKeyRecord);
        EXPECT_EQ(key, 0u);
    }
    Handle key = 0;
    ASSERT_EQ(CryptoHashCreate(&key, kAlgMd5), kOk);  // the table still has room
    CryptoHashFree(key);
}

// Blob texts with their length field, size or contents damaged.
TEST(RsaKeyLoadTest, RefusesDamagedBlobs) {
    const SecretBytes record = BuildKeyRecord(TestKey(512), keygen::kKindPrivate);
    const SecretBytes protectedBlob = BuildKeyBlob(record, Secret("CLAVE"));
    const SecretBytes openBlob = BuildKeyBlob(record, Secret(""));
    auto withLength = [](SecretBytes blob, std::size_t length) {
        blob.resize(length, 0);
        blob[0] = static_cast<std::uint8_t>(length >> 8);
        blob[1] = static_cast<std::uint8_t>(length);
        return blob;
    };
    auto textOf = [](const SecretBytes& blob) {
        const SecretBytes text = BuildKeyText(blob);
        return std::string(text.begin(), text.end());
    };
    // The plain length R beyond L - 26 is capped: the record and its zero filler are digested
    // and parsed; bytes after the last field are ignored.
    SecretBytes bigR = openBlob;
    bigR[2] = 0xFF;
    bigR[3] = 0xFF;
    const std::size_t area = openBlob.size() - 26;
    SecretBytes capped(openBlob.begin() + 10, openBlob.begin() + 10 + static_cast<long>(area));
    EVP_Digest(capped.data(), capped.size(), bigR.data() + bigR.size() - 16, nullptr, EVP_md5(),
               nullptr);

    SecretBytes flippedRecordByte = protectedBlob;
    flippedRecordByte[20] ^= 0x01;
    SecretBytes flippedDigest = openBlob;
    flippedDigest.back() ^= 0x80;

    struct Row {
        const char* what;
        std::string text;
        std::string password;
        std::int32_t expected;
    };
    const std::string good = textOf(protectedBlob);
    const Row rows[] = {
        {"good", good, "CLAVE", kOk},
        {"upper-case digits",
         [&] {
             std::string upper = good;
             for (char& c : upper) c = static_cast<char>(std::toupper(c));
             return upper;
         }(),
         "CLAVE", kOk},
        {"R above L - 26", textOf(bigR), "", kOk},
        {"L below 34, protected", textOf(withLength(protectedBlob, 33)), "CLAVE", kErrKeyRecord},
        {"L of 26, unprotected: no room for a record", textOf(withLength(openBlob, 26)), "",
         kErrKeyRecord},
        {"L below 26, unprotected", textOf(withLength(openBlob, 25)), "", kErrKeyRecord},
        {"L - 26 not a multiple of 8", textOf(withLength(protectedBlob, protectedBlob.size() + 4)),
         "CLAVE", kErrKeyRecord},
        {"L of 0", "0000", "", kErrKeyRecord},
        {"flipped byte in the enciphered record", textOf(flippedRecordByte), "CLAVE",
         kErrKeyRecord},
        {"flipped byte in the record digest", textOf(flippedDigest), "", kErrKeyRecord},
        {"text shorter than L", good.substr(0, good.size() - 2), "CLAVE", kErrInput},
        {"non-hexadecimal digit", good.substr(0, 40) + "x" + good.substr(41), "CLAVE", kErrInput},
        {"length not decodable", "0", "CLAVE", kErrInput},
        {"empty text", "", "CLAVE", kErrInput},
    };
    for (const Row& row : rows) {
        Handle key = 99;
        EXPECT_EQ(CryptoRsaKeyLoad(&key, row.text.c_str(), row.password.c_str(), kMaskHex),
                  row.expected)
            << row.what;
        if (key != 0) CryptoRsaKeyFree(key);
    }
    Handle key = 0;
    EXPECT_EQ(CryptoRsaKeyLoad(&key, nullptr, "", kMaskHex), kErrPointer);
    EXPECT_EQ(CryptoRsaKeyLoad(&key, good.c_str(), nullptr, kMaskHex), kErrPointer);
    EXPECT_EQ(CryptoRsaKeyLoad(&key, good.c_str(), "CLAVE", 0x40), kErrMask);
    EXPECT_EQ(CryptoRsaKeyLoad(nullptr, good.c_str(), "CLAVE", kMaskHex), kErrPointer);
}

// An unprotected blob is read at any length L from 26 on: its record area needs no whole cipher
// blocks, so a record followed by no filler, or by filler of any length, loads.
TEST(RsaKeyLoadTest, UnprotectedBlobOfAnyLength) {
    const SecretBytes record = BuildKeyRecord(TestKey(512), keygen::kKindPrivate);
    // L, R, six unused bytes, the record, the filler, the record's MD5.
    auto blobWith = [&](std::size_t filler, std::size_t announced) {
        SecretBytes blob(10 + record.size() + filler + 16, 0);
        blob[0] = static_cast<std::uint8_t>(blob.size() >> 8);
        blob[1] = static_cast<std::uint8_t>(blob.size());
        blob[2] = static_cast<std::uint8_t>(announced >> 8);
        blob[3] = static_cast<std::uint8_t>(announced);
        std::copy(record.begin(), record.end(), blob.begin() + 10);
        EVP_Digest(record.data(), record.size(), blob.data() + blob.size() - 16, nullptr, EVP_md5(),
                   nullptr);
        return blob;
    };
    // Of these, at most one makes L - 26 a multiple of 8, whatever the record's length.
    for (std::size_t filler : {0, 1, 3, 8, 13}) {
        const SecretBytes text = BuildKeyText(blobWith(filler, record.size()));
        Handle key = 99;
        EXPECT_EQ(LoadText(text, "", &key), kOk) << filler << " filler bytes";
        EXPECT_EQ(CryptoHandleType(key), kTypeRsaPrivate) << filler << " filler bytes";
        if (key != 0) CryptoRsaKeyFree(key);
        // The same blob under a password: the cipher's rule refuses it whatever the password.
        EXPECT_EQ(LoadText(text, "CLAVE", &key), kErrKeyRecord) << filler << " filler bytes";
    }
    // R beyond the record, into the filler: the digest covers more than the record, -604.
    Handle key = 99;
    EXPECT_EQ(LoadText(BuildKeyText(blobWith(5, record.size() + 5)), "", &key), kErrKeyRecord);
    EXPECT_EQ(key, 0u);
}

// A final padding byte of 0 or above 8 in the deciphered record is refused like a wrong
// password, whatever the rest holds.
TEST(RsaKeyLoadTest, RefusesBadPaddingAsAWrongPassword) {
    const SecretBytes record = BuildKeyRecord(TestKey(512), keygen::kKindPrivate);
    for (std::uint8_t last : {std::uint8_t{0}, std::uint8_t{9}, std::uint8_t{0xFF}}) {
        // Encipher record || filler || last without padding of OpenSSL's own.
        SecretBytes plain = record;
        plain.resize((record.size() / 8 + 1) * 8, 0);
        plain.back() = last;
        std::uint8_t derived[16];
        EVP_Digest("CLAVE", 5, derived, nullptr, EVP_md5(), nullptr);
        const std::uint8_t vector[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
        SecretBytes blob(10 + plain.size() + 16);
        int written = 0;
        EVP_EncryptInit_ex(ctx, EVP_des_ede_cbc(), nullptr, derived, vector);
        EVP_CIPHER_CTX_set_padding(ctx, 0);
        EVP_EncryptUpdate(ctx, blob.data() + 10, &written, plain.data(),
                          static_cast<int>(plain.size()));
        EVP_CIPHER_CTX_free(ctx);
        std::copy(vector, vector + 8, blob.begin() + 2);
        blob[0] = static_cast<std::uint8_t>(blob.size() >> 8);
        blob[1] = static_cast<std::uint8_t>(blob.size());
        EVP_Digest(record.data(), record.size(), blob.data() + blob.size() - 16, nullptr, EVP_md5(),
                   nullptr);
        Handle key = 99;
        EXPECT_EQ(LoadText(BuildKeyText(blob), "CLAVE", &key), kErrKeyRecord) << int{last};
        EXPECT_EQ(key, 0u);
    }
}

}  // namespace
}  // namespace vkt::crypto::test
