// vkt-keygen run as a process into a temporary folder; its files are read back with the
// library's own loader.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <openssl/pem.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "crypto/core/layer.h"
#include "crypto/crypto.h"
#include "crypto/rsa/rsa_key.h"

namespace vkt::crypto::test {
namespace {

struct Outcome {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary) << contents;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

class KeygenTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/vkt-keygen-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        WriteFile(folder_ + "/right", "CLAVE DE PRUEBA\n");
        WriteFile(folder_ + "/wrong", "OTRA CLAVE\n");
        WriteFile(folder_ + "/empty", "");
    }
    void TearDown() override { std::system(("rm -rf '" + folder_ + "'").c_str()); }

    // Runs vkt-keygen with the arguments, standard input from /dev/null, and VKT_PASSWORD set
    // to password when it is given.
    Outcome Keygen(std::vector<std::string> args, const char* password = nullptr) const {
        const std::string out = folder_ + "/.stdout";
        const std::string err = folder_ + "/.stderr";
        const pid_t pid = fork();
        if (pid == 0) {
            const int in = open("/dev/null", O_RDONLY);
            const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(in, 0);
            dup2(o, 1);
            dup2(e, 2);
            if (password != nullptr)
                setenv("VKT_PASSWORD", password, 1);
            else
                unsetenv("VKT_PASSWORD");
            std::vector<char*> argv = {const_cast<char*>(VKT_KEYGEN_PATH)};
            for (std::string& arg : args) argv.push_back(arg.data());
            argv.push_back(nullptr);
            execv(VKT_KEYGEN_PATH, argv.data());
            _exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return Outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
    }

    // Generates a 512-bit key for user with the password file given.
    Outcome Generate(const std::string& user, const std::string& passwordFile) const {
        return Keygen({"--bits", "512", "--out", folder_, "--password-file",
                       folder_ + "/" + passwordFile, user});
    }

    // Loads the key text of a key file the way the library's callers do.
    std::int32_t Load(const std::string& path, const char* password, std::uint32_t* type,
                      std::int32_t* bits) const {
        const std::string file = ReadFile(path);
        const std::size_t length = std::stoul(file.substr(18, 4));
        const std::string text = file.substr(22, length);
        Handle key = 0;
        const std::int32_t result = CryptoRsaKeyLoad(&key, text.c_str(), password, kMaskHex);
        *type = CryptoHandleType(key);
        if (key != 0) {
            LayerGuard guard;
            *bits = static_cast<const RsaKey*>(CryptoHandleLookup(key, kTypeRsaKey))->bits;
        }
        CryptoRsaKeyFree(key);
        return result;
    }

    std::string folder_;
};

TEST_F(KeygenTest, WrittenKeyLoadsWithItsPasswordOnly) {
    const Outcome run = Generate("ANA", "right");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string pri = folder_ + "/ANA.pri";
    struct stat info {};
    ASSERT_EQ(stat(pri.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(run.err, "");  // nothing to warn about

    std::uint32_t type = 0;
    std::int32_t bits = 0;
    EXPECT_EQ(Load(pri, "CLAVE DE PRUEBA", &type, &bits), kOk);
    EXPECT_EQ(type, kTypeRsaPrivate);
    EXPECT_EQ(bits, 512);
    EXPECT_EQ(Load(pri, "OTRA CLAVE", &type, &bits), kErrKeyRecord);

    // The public half is PEM SubjectPublicKeyInfo of the same modulus.
    FILE* pub = std::fopen((folder_ + "/ANA.pub").c_str(), "r");
    ASSERT_NE(pub, nullptr);
    EVP_PKEY* publicKey = PEM_read_PUBKEY(pub, nullptr, nullptr, nullptr);
    std::fclose(pub);
    ASSERT_NE(publicKey, nullptr);
    EXPECT_EQ(EVP_PKEY_get_bits(publicKey), 512);
    EVP_PKEY_free(publicKey);

    // No temporary file is left behind.
    EXPECT_EQ(std::system(("test -z \"$(ls -A '" + folder_ +
                           "' | grep -v -e '^right$' -e "
                           "'^wrong$' -e '^empty$' -e '^ANA.pri$' -e '^ANA.pub$' -e '^.std')\"")
                              .c_str()),
              0);
}

TEST_F(KeygenTest, CheckAcceptsTheKeyAndNamesEachFailure) {
    ASSERT_EQ(Generate("ANA", "right").status, 0);
    const std::string pri = folder_ + "/ANA.pri";
    Outcome run = Keygen({"--check", pri, "--password-file", folder_ + "/right"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("private key, 512-bit modulus"), std::string::npos) << run.out;

    run = Keygen({"--check", pri}, "OTRA CLAVE");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("wrong password or damaged key record"), std::string::npos) << run.err;

    std::string damaged = ReadFile(pri);
    damaged[30] = damaged[30] == 'a' ? 'b' : 'a';
    WriteFile(folder_ + "/damaged.pri", damaged);
    run = Keygen({"--check", folder_ + "/damaged.pri"}, "CLAVE DE PRUEBA");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("file digest mismatch: the file is damaged"), std::string::npos)
        << run.err;

    run = Keygen({"--check", folder_ + "/missing.pri"}, "CLAVE DE PRUEBA");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("missing.pri"), std::string::npos) << run.err;
}

TEST_F(KeygenTest, UnprotectedKeyLoadsWithAnEmptyPassword) {
    const Outcome run = Generate("ANA", "empty");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("NOT protected"), std::string::npos) << run.err;
    std::uint32_t type = 0;
    std::int32_t bits = 0;
    EXPECT_EQ(Load(folder_ + "/ANA.pri", "", &type, &bits), kOk);
    EXPECT_EQ(type, kTypeRsaPrivate);
    EXPECT_EQ(Load(folder_ + "/ANA.pri", "CLAVE", &type, &bits), kErrKeyRecord);
    const Outcome check = Keygen({"--check", folder_ + "/ANA.pri"}, "");
    EXPECT_EQ(check.status, 0) << check.err;
}

TEST_F(KeygenTest, PasswordFromTheEnvironmentAndInUtf8) {
    // "AÑO" typed as UTF-8 is the Latin-1 password 41 D1 4F.
    Outcome run = Keygen({"--bits", "512", "--out", folder_, "ANA"}, "A\xC3\x91O");
    ASSERT_EQ(run.status, 0) << run.err;
    std::uint32_t type = 0;
    std::int32_t bits = 0;
    EXPECT_EQ(Load(folder_ + "/ANA.pri", "A\xD1O", &type, &bits), kOk);
    EXPECT_EQ(Load(folder_ + "/ANA.pri", "A\xC3\x91O", &type, &bits), kErrKeyRecord);

    // Bytes that are no UTF-8 are Latin-1 already.
    run = Keygen({"--bits", "512", "--out", folder_, "LUIS"}, "A\xD1O");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Load(folder_ + "/LUIS.pri", "A\xD1O", &type, &bits), kOk);

    // Lower-case letters work but draw a warning.
    run = Keygen({"--bits", "512", "--out", folder_, "eva"}, "clave");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("password has lower-case letters"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("user name has lower-case letters"), std::string::npos) << run.err;
    EXPECT_EQ(Load(folder_ + "/eva.pri", "clave", &type, &bits), kOk);
}

TEST_F(KeygenTest, DefaultSizeIs2048Bits) {
    const Outcome run = Keygen({"--out", folder_, "ANA"}, "CLAVE");
    ASSERT_EQ(run.status, 0) << run.err;
    std::uint32_t type = 0;
    std::int32_t bits = 0;
    EXPECT_EQ(Load(folder_ + "/ANA.pri", "CLAVE", &type, &bits), kOk);
    EXPECT_EQ(bits, 2048);
}

TEST_F(KeygenTest, RefusesBadInput) {
    ASSERT_EQ(Generate("ANA", "right").status, 0);
    const std::string before = ReadFile(folder_ + "/ANA.pri");
    struct Row {
        const char* what;
        int status;  // 2: a usage error
        std::vector<std::string> args;
        const char* password;
        const char* message;
    };
    const std::string right = folder_ + "/right";
    const Row rows[] = {
        {"existing file without --force",
         1,
         {"--bits", "512", "--out", folder_, "ANA"},
         "CLAVE",
         "already exists"},
        {"500 bits", 2, {"--bits", "500", "--out", folder_, "EVA"}, "CLAVE", "is not a key size"},
        {"4097 bits", 2, {"--bits", "4097", "--out", folder_, "EVA"}, "CLAVE", "is not a key size"},
        {"1000 bits, not a multiple of 64",
         2,
         {"--bits", "1000", "--out", folder_, "EVA"},
         "CLAVE",
         "is not a key size"},
        {"4160 bits", 2, {"--bits", "4160", "--out", folder_, "EVA"}, "CLAVE", "is not a key size"},
        {"bits not a number",
         2,
         {"--bits", "2k", "--out", folder_, "EVA"},
         "CLAVE",
         "is not a number"},
        {"missing folder", 1, {"--out", folder_ + "/none", "EVA"}, "CLAVE", "does not exist"},
        {"folder is a file", 1, {"--out", right, "EVA"}, "CLAVE", "is not a folder"},
        {"empty user name", 1, {"--out", folder_, ""}, "CLAVE", "user name is empty"},
        {"user name with /", 1, {"--out", folder_, "A/B"}, "CLAVE", "must not contain '/'"},
        {"user name of 254 bytes",
         1,
         {"--out", folder_, std::string(254, 'A')},
         "CLAVE",
         "longer than 253 bytes"},
        {"user name outside Latin-1", 1, {"--out", folder_, "\xE2\x82\xAC"}, "CLAVE", "Latin-1"},
        {"password outside Latin-1",
         1,
         {"--bits", "512", "--out", folder_, "EVA"},
         "\xE2\x82\xAC",
         "outside Latin-1"},
        {"no password source",
         2,
         {"--out", folder_, "EVA"},
         nullptr,
         "no password: use --password-file FILE or VKT_PASSWORD"},
        {"missing password file",
         1,
         {"--out", folder_, "--password-file", folder_ + "/none", "EVA"},
         "CLAVE",
         "cannot read the password file"},
        {"no USER", 2, {"--out", folder_}, "CLAVE", "no USER"},
        {"two USERs", 2, {"--out", folder_, "EVA", "LUIS"}, "CLAVE", "more than one USER"},
        {"unknown option", 2, {"--bitz", "512", "EVA"}, "CLAVE", "unknown option"},
        {"--bits without a value", 2, {"EVA", "--bits"}, "CLAVE", "needs a value"},
    };
    for (const Row& row : rows) {
        const Outcome run = Keygen(row.args, row.password);
        EXPECT_EQ(run.status, row.status) << row.what;
        EXPECT_NE(run.err.find(row.message), std::string::npos) << row.what << ": " << run.err;
    }
    // Nothing was written or replaced.
    EXPECT_EQ(ReadFile(folder_ + "/ANA.pri"), before);
    EXPECT_FALSE(Exists(folder_ + "/EVA.pri"));
    EXPECT_FALSE(Exists(folder_ + "/EVA.pub"));

    const Outcome forced = Keygen({"--bits", "512", "--out", folder_, "--force", "ANA"}, "CLAVE");
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_NE(ReadFile(folder_ + "/ANA.pri"), before);
}

}  // namespace
}  // namespace vkt::crypto::test
