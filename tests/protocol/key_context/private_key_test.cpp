// Reading the private key from its file: the key location, the file, the password, and the
// texts that name the file.
#include <gtest/gtest.h>

#include "key_context_support.h"
#include "protocol/key_context.h"

namespace vkt::protocol::test {
namespace {

using crypto::Handle;

class PrivateKeyTest : public KeyDirectoryTest {
  protected:
    void SetUp() override {
        KeyDirectoryTest::SetUp();
        WriteKeyFile("usuario", "CLAVE");
        const Bytes file = FileBytes(TestKey(1024), "CLAVE");
        textLength_ = static_cast<std::uint32_t>(
            std::stoul(std::string(file.begin() + 18, file.begin() + 22)));
    }
    std::uint32_t textLength_ = 0;
};

TEST_F(PrivateKeyTest, LoadsWithTheRightPasswordOnly) {
    KeyContext context("usuario", "CLAVE", dir_.c_str(), 22, textLength_);
    Handle key = 77;
    ASSERT_EQ(context.LoadPrivateKey(&key), 0);
    EXPECT_NE(key, 0u);
    EXPECT_EQ(context.WorkBuffer(), nullptr);  // the key text is not kept
    EXPECT_EQ(crypto::CryptoRsaKeyFree(key), crypto::kOk);
    EXPECT_EQ(context.CheckPassword(), 0);
    EXPECT_EQ(context.CheckKeyFile(), 0);

    KeyContext wrong("usuario", "clave", dir_.c_str(), 22, textLength_);
    EXPECT_EQ(wrong.LoadPrivateKey(&key), 2604);
    EXPECT_EQ(key, 0u);
    EXPECT_EQ(wrong.CheckPassword(), 2604);
}

// The layer has 256 handles: a key left loaded by each check would exhaust them (2105).
TEST_F(PrivateKeyTest, CheckPasswordLeavesNoKeyLoaded) {
    KeyContext context("usuario", "CLAVE", dir_.c_str(), 22, textLength_);
    for (int i = 0; i < 300; ++i) ASSERT_EQ(context.CheckPassword(), 0) << i;
}

TEST_F(PrivateKeyTest, KeyLocationAndFileFailures) {
    const std::string missing = dir_ + "no-such-dir/";
    struct Row {
        const char* what;
        const char* user;
        std::string directory;
        std::uint32_t offset;
        std::uint32_t length;
        std::int32_t load;
        std::int32_t checkFile;
    };
    const Row rows[] = {
        // The location is refused before the file is looked for (the user has no file).
        {"offset 0", "nadie", dir_, 0, textLength_, 40052, 40032},
        {"length 0", "nadie", dir_, 22, 0, 40052, 40032},
        {"missing file", "nadie", dir_, 22, textLength_, 40032, 40032},
        {"missing directory", "usuario", missing, 22, textLength_, 40032, 40032},
        {"text past the end of the file", "usuario", dir_, 22, 100000, 40032, 0},
        {"user name with a separator", "../usuario", dir_, 22, textLength_, 40053, 40053},
        {"empty user name", "", dir_, 22, textLength_, 40053, 40053},
    };
    for (const Row& row : rows) {
        KeyContext context(row.user, "CLAVE", row.directory.c_str(), row.offset, row.length);
        Handle key = 77;
        EXPECT_EQ(context.LoadPrivateKey(&key), row.load) << row.what;
        EXPECT_EQ(key, 0u) << row.what;
        EXPECT_EQ(context.CheckPassword(), row.load) << row.what;
        EXPECT_EQ(context.CheckKeyFile(), row.checkFile) << row.what;
    }
}

TEST_F(PrivateKeyTest, DirectoryWithoutSeparatorNamesTheSameFile) {
    const std::string bare = dir_.substr(0, dir_.size() - 1);
    KeyContext context("usuario", "CLAVE", bare.c_str(), 22, textLength_);
    EXPECT_EQ(context.CheckPassword(), 0);
}

TEST_F(PrivateKeyTest, LongUserNames) {
    // 251 bytes + ".pri" is the longest file name the file system takes.
    const std::string longest(251, 'u');
    WriteKeyFile(longest, "CLAVE");
    EXPECT_EQ(KeyContext(longest.c_str(), "CLAVE", dir_.c_str(), 22, textLength_).CheckPassword(),
              0);
    // 253 bytes fit the context but name no file that can exist; 254 do not fit the context.
    const std::string limit(253, 'u');
    EXPECT_EQ(KeyContext(limit.c_str(), "CLAVE", dir_.c_str(), 22, textLength_).CheckKeyFile(),
              40032);
    const std::string over(254, 'u');
    EXPECT_EQ(KeyContext(over.c_str(), "CLAVE", dir_.c_str(), 22, textLength_).CheckKeyFile(),
              40053);
    const std::string longPassword(254, 'p');
    EXPECT_EQ(
        KeyContext("usuario", longPassword.c_str(), dir_.c_str(), 22, textLength_).CheckPassword(),
        40053);
}

TEST_F(PrivateKeyTest, UnprotectedKeyLoadsWithAnEmptyPasswordOnly) {
    WriteKeyFile("abierto", "");
    const Bytes file = FileBytes(TestKey(1024), "");
    const auto length =
        static_cast<std::uint32_t>(std::stoul(std::string(file.begin() + 18, file.begin() + 22)));
    EXPECT_EQ(KeyContext("abierto", "", dir_.c_str(), 22, length).CheckPassword(), 0);
    EXPECT_EQ(KeyContext("abierto", "x", dir_.c_str(), 22, length).CheckPassword(), 2604);
}

}  // namespace
}  // namespace vkt::protocol::test
