// Digest objects through the key context, and a whole file against the server's MD5 value.
#include <gtest/gtest.h>

#include "key_context_support.h"
#include "protocol/key_context.h"

namespace vkt::protocol::test {
namespace {

using crypto::Handle;

std::string Md5Hex(const Bytes& data) {
    Bytes value(16);
    EVP_Digest(data.data(), data.size(), value.data(), nullptr, EVP_md5(), nullptr);
    return Hex(value);
}

TEST(DigestTest, UpdateCreatesFeedsAndCompares) {
    const std::string a = "primera parte ";
    const std::string b = "segunda parte";
    Handle digest = 0;
    ASSERT_EQ(KeyContext::DigestUpdate(a.data(), static_cast<std::uint32_t>(a.size()),
                                       crypto::kAlgMd5, &digest),
              0);
    const Handle created = digest;
    ASSERT_EQ(KeyContext::DigestUpdate(b.data(), static_cast<std::uint32_t>(b.size()),
                                       crypto::kAlgMd5, &digest),
              0);
    EXPECT_EQ(digest, created);  // an existing object is fed, not replaced
    const std::string whole = a + b;
    Handle expected = 0;
    ASSERT_EQ(KeyContext::DigestFromHex(Md5Hex(Bytes(whole.begin(), whole.end())).c_str(),
                                        crypto::kAlgMd5, &expected),
              0);
    EXPECT_EQ(KeyContext::CompareDigests(digest, expected), 0);

    Handle other = 0;
    ASSERT_EQ(
        KeyContext::DigestFromHex("00112233445566778899aabbccddeeff", crypto::kAlgMd5, &other), 0);
    EXPECT_EQ(KeyContext::CompareDigests(digest, other), 2403);
    Handle sha = 0;
    ASSERT_EQ(KeyContext::DigestUpdate("x", 1, crypto::kAlgSha1, &sha), 0);
    EXPECT_EQ(KeyContext::CompareDigests(digest, sha), 2402);
    for (Handle h : {digest, expected, other, sha}) EXPECT_EQ(KeyContext::FreeDigest(h), 0);
    EXPECT_EQ(KeyContext::FreeDigest(digest), 2205);
}

TEST(DigestTest, FailuresAndTheObjectLeftBehind) {
    Handle digest = 0;
    EXPECT_EQ(KeyContext::DigestUpdate("x", 1, 999, &digest), 2103);
    EXPECT_EQ(digest, 0u);
    EXPECT_EQ(KeyContext::DigestUpdate("x", 1, crypto::kAlgMd5, nullptr), 2201);

    // A failed add frees the object and empties the handle.
    ASSERT_EQ(KeyContext::DigestUpdate("x", 1, crypto::kAlgMd5, &digest), 0);
    EXPECT_EQ(KeyContext::DigestUpdate(nullptr, 4, crypto::kAlgMd5, &digest), 2201);
    EXPECT_EQ(digest, 0u);
    // A closed (imported) digest cannot be fed: 2401, and it is freed too.
    ASSERT_EQ(
        KeyContext::DigestFromHex("00112233445566778899aabbccddeeff", crypto::kAlgMd5, &digest), 0);
    const Handle imported = digest;
    EXPECT_EQ(KeyContext::DigestUpdate("x", 1, crypto::kAlgMd5, &digest), 2401);
    EXPECT_EQ(digest, 0u);
    EXPECT_EQ(KeyContext::FreeDigest(imported), 2205);

    EXPECT_EQ(KeyContext::DigestFromHex("0011", crypto::kAlgMd5, &digest), 2204);
    EXPECT_EQ(KeyContext::DigestFromHex(nullptr, crypto::kAlgMd5, &digest), 2201);
    EXPECT_EQ(digest, 0u);
}

class FileDigestTest : public KeyDirectoryTest {};

TEST_F(FileDigestTest, WholeFileAgainstTheExpectedValue) {
    Bytes content(3 * kDigestPieceSize + 5);  // several pieces and a short last one
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<std::uint8_t>(i * 31);
    const std::string path = Write("recibido.dat", content);
    Bytes altered = content;
    altered[kDigestPieceSize + 3] ^= 0x40;
    const std::string alteredPath = Write("alterado.dat", altered);
    const std::string emptyPath = Write("vacio.dat", {});
    const std::string right = Md5Hex(content);
    std::string upper = right;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    struct Row {
        const char* what;
        std::string file;
        std::string expected;
        std::int32_t result;
    };
    const Row rows[] = {
        {"match", path, right, 0},
        {"upper-case digits", path, upper, 0},
        {"one byte differs", alteredPath, right, 2403},
        {"empty file, digest of no data", emptyPath, Md5Hex({}), 0},
        {"empty file, other value", emptyPath, right, 2403},
        {"undecodable value", path, "zz" + right.substr(2), 2204},
        {"short value", path, right.substr(0, 30), 2204},
        {"missing file", dir_ + "no-existe.dat", right, 40050},
        {"a directory", dir_, right, 40050},
    };
    KeyContext context;
    // Repeated past the layer's 256 handles: a digest object left behind would end in 2105.
    for (int round = 0; round < 30; ++round) {
        for (const Row& row : rows) {
            ASSERT_EQ(context.CheckFileDigest(row.file.c_str(), row.expected.c_str()), row.result)
                << row.what;
            ASSERT_EQ(context.WorkBuffer(), nullptr) << row.what;
        }
    }
}

}  // namespace
}  // namespace vkt::protocol::test
