// The key check at connect: integrity digest, key-text location and password, each failure
// recorded in the error list.
#include "protocol/key_check.h"

#include <gtest/gtest.h>

#include <cstring>

#include "key_context_support.h"
#include "protocol/key_context.h"
#include "runtime/status/error_list.h"

namespace vkt::protocol::test {
namespace {

class KeyCheckTest : public KeyDirectoryTest {
  protected:
    void SetUp() override {
        KeyDirectoryTest::SetUp();
        good_ = FileBytes(TestKey(1024), "CLAVE");
        ASSERT_TRUE(ResolveKeyDirectory(dir_.c_str(), &location_));
    }
    std::int32_t Check(const Bytes& file, const char* password = "CLAVE") {
        Write("usuario.pri", file);
        return CheckKeyAtConnect("usuario", password, &location_, &errors_);
    }

    Bytes good_;
    runtime::KeyLocation location_{};
    runtime::ErrorList errors_;
};

TEST_F(KeyCheckTest, GoodFileGivesTheKeyLocation) {
    ASSERT_EQ(Check(good_), 0);
    EXPECT_EQ(location_.keyOffset, 22u);
    EXPECT_EQ(location_.keyLength, std::stoul(std::string(good_.begin() + 18, good_.begin() + 22)));
    EXPECT_EQ(errors_.Count(), 0u);
    // The last byte is not covered by the digest.
    Bytes lastChanged = good_;
    lastChanged.back() = 'X';
    EXPECT_EQ(Check(lastChanged), 0);
}

TEST_F(KeyCheckTest, EveryFailureIsRecorded) {
    const std::size_t s = good_.size();
    auto changed = [&](std::size_t offset, std::uint8_t value, bool redigest) {
        Bytes file = good_;
        file[offset] = value;
        if (redigest) Redigest(file);
        return file;
    };
    auto withLength = [&](const char* digits) {
        Bytes file = good_;
        std::memcpy(file.data() + 18, digits, 4);
        Redigest(file);
        return file;
    };
    struct Row {
        const char* what;
        Bytes file;
        const char* password;
        std::int32_t expected;
    };
    const Row rows[] = {
        {"header byte altered", changed(0, 'X', false), "CLAVE", 2403},
        {"key text altered", changed(40, good_[40] ^ 1, false), "CLAVE", 2403},
        {"last digested byte altered", changed(s - 42, 'X', false), "CLAVE", 2403},
        {"digest digit not hexadecimal", changed(s - 30, 'g', false), "CLAVE", 2204},
        {"length digits 0000", withLength("0000"), "CLAVE", 40052},
        {"length digits not digits", withLength("12a4"), "CLAVE", 40052},
        {"key text into the digest", withLength("9999"), "CLAVE", 40032},
        {"wrong password", good_, "clave", 2604},
        {"empty file", Bytes{}, "CLAVE", 40032},
        {"shorter than the digest tail", Bytes(40, '0'), "CLAVE", 40032},
    };
    for (const Row& row : rows) {
        errors_.Clear();
        EXPECT_EQ(Check(row.file, row.password), row.expected) << row.what;
        ErrorRecord records[runtime::ErrorList::kCapacity];
        ASSERT_EQ(errors_.CopyOut(records), 1u) << row.what;
        EXPECT_EQ(records[0].code, row.expected) << row.what;
    }
}

// The check makes a trial signature: a record that opens with its password but cannot sign is
// refused with the code the signature would end in, protected or not; one that signs passes.
TEST_F(KeyCheckTest, RecordsThatCannotSignAreRefused) {
    EVP_PKEY* key = TestKey(1024);
    const keygen::SecretBytes privateRecord = keygen::BuildKeyRecord(key, keygen::kKindPrivate);
    const keygen::SecretBytes publicRecord = keygen::BuildKeyRecord(key, keygen::kKindPublic);
    keygen::SecretBytes uDamaged = privateRecord;
    uDamaged.at(uDamaged.size() - 1) ^= 0x01;  // u is the last field
    // e = 65537 in 3 bytes after the size, the kind and n: e = 3, d, dp and dq untouched.
    keygen::SecretBytes exponentOf3 = privateRecord;
    const std::size_t e = 4 + 2 + (std::size_t{exponentOf3[4]} << 8 | exponentOf3[5]) + 2;
    ASSERT_EQ(exponentOf3[e - 1], 3u);
    exponentOf3[e] = exponentOf3[e + 1] = 0;
    exponentOf3[e + 2] = 3;
    struct Row {
        const char* what;
        const keygen::SecretBytes* record;
        const char* writtenWith;
        const char* password;
        std::int32_t expected;
    };
    const Row rows[] = {
        {"private record", &privateRecord, "CLAVE", "CLAVE", 0},
        {"private record, unprotected", &privateRecord, "", "", 0},
        {"public record", &publicRecord, "CLAVE", "CLAVE", 2205},
        {"public record, unprotected", &publicRecord, "", "", 2205},
        {"public record, wrong password", &publicRecord, "CLAVE", "clave", 2604},
        {"u damaged", &uDamaged, "CLAVE", "CLAVE", 2608},
        {"e that does not belong to d", &exponentOf3, "CLAVE", "CLAVE", 0},
    };
    for (const Row& row : rows) {
        errors_.Clear();
        EXPECT_EQ(Check(RecordFileBytes(*row.record, row.writtenWith), row.password), row.expected)
            << row.what;
        EXPECT_EQ(errors_.Count(), row.expected == 0 ? 0u : 1u) << row.what;
    }
}

// The length at offset 18 written with leading blanks instead of zeros: the same key text.
TEST_F(KeyCheckTest, LengthDigitsWithLeadingBlanks) {
    Bytes file = FileBytes(TestKey(512), "CLAVE");
    ASSERT_EQ(file[18], '0');  // a 512-bit key's text is below 1,000 characters
    const std::uint32_t length = std::stoul(std::string(file.begin() + 18, file.begin() + 22));
    file[18] = ' ';
    Redigest(file);
    ASSERT_EQ(Check(file), 0);
    EXPECT_EQ(location_.keyLength, length);
    KeyContext context("usuario", "CLAVE", location_.keyDirectory, location_.keyOffset,
                       location_.keyLength);
    crypto::Handle key = 0;
    EXPECT_EQ(context.LoadPrivateKey(&key), 0);
    crypto::CryptoRsaKeyFree(key);
}

TEST_F(KeyCheckTest, MissingFileOrDirectory) {
    errors_.Clear();
    EXPECT_EQ(CheckKeyAtConnect("nadie", "CLAVE", &location_, &errors_), 40032);
    runtime::KeyLocation elsewhere{};
    ASSERT_TRUE(ResolveKeyDirectory((dir_ + "no-existe").c_str(), &elsewhere));
    EXPECT_EQ(CheckKeyAtConnect("usuario", "CLAVE", &elsewhere, &errors_), 40032);
    EXPECT_EQ(errors_.Count(), 2u);
    EXPECT_EQ(CheckKeyAtConnect("usuario", "CLAVE", &elsewhere, nullptr), 40032);
}

TEST_F(KeyCheckTest, DirectoryWithAndWithoutSeparator) {
    Write("usuario.pri", good_);
    runtime::KeyLocation bare{};
    ASSERT_TRUE(ResolveKeyDirectory(dir_.substr(0, dir_.size() - 1).c_str(), &bare));
    EXPECT_STREQ(bare.keyDirectory, location_.keyDirectory);
    EXPECT_EQ(CheckKeyAtConnect("usuario", "CLAVE", &bare, &errors_), 0);

    runtime::KeyLocation limits{};
    EXPECT_TRUE(ResolveKeyDirectory(std::string(253, 'd').c_str(), &limits));  // 253 + "/"
    EXPECT_EQ(std::strlen(limits.keyDirectory), 254u);
    EXPECT_TRUE(ResolveKeyDirectory((std::string(253, 'd') + "/").c_str(), &limits));
    EXPECT_FALSE(ResolveKeyDirectory(std::string(254, 'd').c_str(), &limits));
    EXPECT_STREQ(limits.keyDirectory, "");
    EXPECT_FALSE(ResolveKeyDirectory(nullptr, &limits));
}

}  // namespace
}  // namespace vkt::protocol::test
