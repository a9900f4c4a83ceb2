// The file-level checks of a private-key file (digest, key-text location) on files made by the
// key-file writer, and the resolution of the key directory.
#include "crypto/keyfile/key_file.h"

#include <gtest/gtest.h>
#include <openssl/sha.h>

#include <cctype>
#include <cstring>

#include "crypto/rsa/rsa_test_support.h"

namespace vkt::crypto::test {
namespace {

SecretBytes GoodFile() {
    static const SecretBytes file = keygen::BuildPrivateKeyFile(TestKey(512), Secret("CLAVE"));
    return file;
}

// Rewrites the 40 digest digits after a change, so that only the change itself is tested.
void Redigest(SecretBytes& file) {
    std::uint8_t digest[SHA_DIGEST_LENGTH];
    SHA1(file.data(), file.size() - 41, digest);
    const std::string digits = Hex(digest, sizeof digest);
    std::copy(digits.begin(), digits.end(), file.end() - 41);
}

TEST(KeyFileTest, WriterLayout) {
    const SecretBytes file = GoodFile();
    EXPECT_EQ(std::string(file.begin(), file.begin() + 18), "VKT PRIVATE KEY 1\n");
    const std::size_t n = std::stoul(std::string(file.begin() + 18, file.begin() + 22));
    EXPECT_EQ(file.size(), 22 + n + 1 + 40 + 1);
    EXPECT_EQ(file.back(), '\n');
}

TEST(KeyFileTest, VerifyDigest) {
    const SecretBytes good = GoodFile();
    const std::size_t s = good.size();
    struct Row {
        const char* what;
        std::size_t offset;  // byte changed; s means none
        std::uint8_t value;  // xor mask, or the new byte when set is true
        bool set;
        std::int32_t expected;
    };
    const Row rows[] = {
        {"untouched", s, 0, false, kOk},
        {"header byte flipped", 0, 0x01, false, kErrHashMismatch},
        {"length digit changed", 21, 0x01, false, kErrHashMismatch},
        {"key text byte flipped", 40, 0x01, false, kErrHashMismatch},
        {"last digested byte flipped", s - 42, 0x01, false, kErrHashMismatch},
        {"digest digit changed", s - 41, '0', true, kErrHashMismatch},
        {"digest digit not hexadecimal", s - 30, 'g', true, kErrInput},
        {"last byte changed (not read)", s - 1, 'X', true, kOk},
    };
    for (const Row& row : rows) {
        SecretBytes file = good;
        if (row.offset < s) {
            if (row.set) {
                // A digit that differs from the one in place.
                file[row.offset] = file[row.offset] == row.value ? '1' : row.value;
            } else {
                file[row.offset] ^= row.value;
            }
        }
        EXPECT_EQ(KeyFileVerifyDigest(file.data(), file.size()), row.expected) << row.what;
    }

    SecretBytes upper = good;
    for (auto it = upper.end() - 41; it != upper.end() - 1; ++it) {
        *it = static_cast<std::uint8_t>(std::toupper(*it));
    }
    EXPECT_EQ(KeyFileVerifyDigest(upper.data(), upper.size()), kOk) << "upper-case digits";

    // A digest field with spaces in it must not make the decoder read past the file.
    SecretBytes spaced = good;
    std::fill(spaced.end() - 41, spaced.end(), ' ');
    EXPECT_EQ(KeyFileVerifyDigest(spaced.data(), spaced.size()), kErrInput);
    EXPECT_EQ(KeyFileVerifyDigest(good.data(), 62), kErrInput);  // too short for a key file
    EXPECT_EQ(KeyFileVerifyDigest(good.data(), 0), kErrInput);
}

TEST(KeyFileTest, LocateKeyText) {
    const SecretBytes good = GoodFile();
    std::size_t offset = 0;
    std::size_t length = 0;
    ASSERT_EQ(KeyFileLocateKeyText(good.data(), good.size(), &offset, &length), kOk);
    EXPECT_EQ(offset, 22u);
    EXPECT_EQ(length, good.size() - 22 - 42);
    // The located text loads.
    const std::string text(good.begin() + 22, good.begin() + 22 + static_cast<long>(length));
    Handle key = 0;
    EXPECT_EQ(CryptoRsaKeyLoad(&key, text.c_str(), "CLAVE", kMaskHex), kOk);
    CryptoRsaKeyFree(key);

    const std::size_t fits = good.size() - 22 - 41;  // the text may run up to the digest
    char fitsDigits[5];
    std::snprintf(fitsDigits, sizeof fitsDigits, "%04zu", fits);
    char overrunDigits[5];
    std::snprintf(overrunDigits, sizeof overrunDigits, "%04zu", fits + 1);
    struct Row {
        const char* digits;
        std::int32_t expected;
        std::size_t length;  // when expected is kOk
    };
    // Leading blanks count as zeros; anything else that is no digit is refused.
    for (const Row& row :
         {Row{"0000", kErrLength, 0}, Row{fitsDigits, kOk, fits},
          Row{overrunDigits, kErrTooLong, 0}, Row{"9999", kErrTooLong, 0}, Row{" 123", kOk, 123},
          Row{"  64", kOk, 64}, Row{"   7", kOk, 7}, Row{"\t 99", kOk, 99},
          Row{"    ", kErrLength, 0}, Row{"   0", kErrLength, 0}, Row{"12a4", kErrInput, 0},
          Row{"-123", kErrInput, 0}, Row{"+123", kErrInput, 0}, Row{"12 3", kErrInput, 0},
          Row{"123 ", kErrInput, 0}}) {
        SecretBytes file = good;
        std::memcpy(file.data() + 18, row.digits, 4);
        Redigest(file);
        // The length digits are covered by the file digest only: a re-digested file passes.
        EXPECT_EQ(KeyFileVerifyDigest(file.data(), file.size()), kOk) << row.digits;
        offset = length = 1234;
        EXPECT_EQ(KeyFileLocateKeyText(file.data(), file.size(), &offset, &length), row.expected)
            << row.digits;
        if (row.expected != kOk) {
            EXPECT_EQ(offset + length, 2468u) << row.digits;
        } else {
            EXPECT_EQ(offset, 22u) << row.digits;
            EXPECT_EQ(length, row.length) << row.digits;
        }
    }
    EXPECT_EQ(KeyFileLocateKeyText(good.data(), 21, &offset, &length), kErrInput);
    EXPECT_EQ(KeyFileLocateKeyText(good.data(), 30, &offset, &length), kErrTooLong);
}

}  // namespace
}  // namespace vkt::crypto::test
