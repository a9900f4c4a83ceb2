// Key files at the edges of what the library accepts, end to end: the real library against the
// real server, which checks every signature with OpenSSL against the user's public key. A key
// file that loads must sign files the server accepts; one whose record cannot sign is refused
// at connect, before any traffic.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstring>
#include <functional>
#include <string>

#include "e2e_fixture.h"
#include "keygen/key_file_writer.h"

namespace vkt::e2e {
namespace {

using keygen::SecretBytes;

constexpr char kPassword[] = "clave";

std::string PublicKeyPem(EVP_PKEY* key) {
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_PUBKEY(bio, key);
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    std::string pem(data, static_cast<std::size_t>(length));
    BIO_free(bio);
    return pem;
}

// Offset of the record's e field (its 2-byte length): after the size, the kind and n.
std::size_t ExponentField(const SecretBytes& record) {
    return 4 + 2 + (std::size_t{record[4]} << 8 | record[5]);
}

using RecordChange = std::function<void(SecretBytes&)>;
using FileChange = std::function<void(SecretBytes&)>;

// The key file of a record: protected by kPassword, then changed by fileChange with the file
// digest written anew.
SecretBytes KeyFile(SecretBytes record, const RecordChange& recordChange,
                    const FileChange& fileChange) {
    recordChange(record);
    SecretBytes file = keygen::BuildKeyFile(keygen::BuildKeyText(
        keygen::BuildKeyBlob(record, SecretBytes(kPassword, kPassword + std::strlen(kPassword)))));
    fileChange(file);
    std::uint8_t digest[20];
    EVP_Digest(file.data(), file.size() - 41, digest, nullptr, EVP_sha1(), nullptr);
    static constexpr char kDigits[] = "0123456789abcdef";
    for (int i = 0; i < 20; ++i) {
        file[file.size() - 41 + 2 * i] = static_cast<std::uint8_t>(kDigits[digest[i] >> 4]);
        file[file.size() - 40 + 2 * i] = static_cast<std::uint8_t>(kDigits[digest[i] & 0x0F]);
    }
    return file;
}

class KeyFileVariantsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { key_ = EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", size_t{512}); }
    static void TearDownTestSuite() {
        EVP_PKEY_free(key_);
        key_ = nullptr;
    }

    void SetUp() override { ASSERT_NE(key_, nullptr); }

    void TearDown() override {
        WaitForEnd();
        if (session_ > 1) Vkt().desconectar(session_);
        Errors();
    }

    // Writes user's key file and the user's public key for the server (which a running server
    // reads on SIGHUP).
    void Install(const std::string& user, const SecretBytes& file) {
        ASSERT_TRUE(WriteWholeFile(keys_.path() + "/" + user + ".pri",
                                   std::string(file.begin(), file.end())));
        ASSERT_TRUE(WriteWholeFile(server_.users() + "/" + user + ".pub", PublicKeyPem(key_)));
        if (server_.pid() > 0) {
            ASSERT_TRUE(server_.ReloadTables()) << server_.Log();
        }
    }

    int32_t Connect(const std::string& user) {
        return Vkt().conectar("127.0.0.1", std::to_string(server_.port()).c_str(), user.c_str(),
                              kPassword, keys_.path().c_str(), 10, &session_);
    }

    // Opens user's session, sends a small file and closes the session again; each step must
    // succeed and the server must have checked the signature.
    void ConnectAndSend(const std::string& user) {
        ASSERT_EQ(Connect(user), 0) << FirstError();
        ASSERT_EQ(WaitForEnd().activity, 0u) << FirstError();
        const std::string content = "contenido firmado por " + user;
        const std::string path = work_.path() + "/informe.txt";
        ASSERT_TRUE(WriteWholeFile(path, content));
        ASSERT_EQ(Vkt().enviar(session_, kPassword, path.c_str(), 2, nullptr, 0), 0)
            << FirstError();
        EXPECT_EQ(WaitForEnd(60).activity, 0u) << FirstError();
        EXPECT_TRUE(server_.LogShows("signature good", ++signaturesGood_));
        EXPECT_EQ(ReadWholeFile(server_.inbox() + "/" + user + "/informe"), content);
        EXPECT_EQ(Vkt().desconectar(session_), 0);
        session_ = 0;
    }

    static std::string FirstError() {
        const std::vector<ErrorRecord> errors = Errors();
        return errors.empty() ? "no error" : std::to_string(errors[0].code) + " " + errors[0].text;
    }

    static EVP_PKEY* key_;
    Server server_;
    TempDir keys_;
    TempDir work_;
    int32_t session_ = 0;
    int signaturesGood_ = 0;
};

EVP_PKEY* KeyFileVariantsTest::key_ = nullptr;

const RecordChange kSameRecord = [](SecretBytes&) {};
const FileChange kSameFile = [](SecretBytes&) {};

// Key files that load: the session opens and a file sent with the key arrives with a signature
// the server's OpenSSL accepts.
TEST_F(KeyFileVariantsTest, KeyFilesThatLoadSignFilesTheServerAccepts) {
    const RecordChange exponentOf3 = [](SecretBytes& record) {
        const std::size_t at = ExponentField(record);
        ASSERT_EQ(record[at + 1], 3u);  // e = 65537 in 3 bytes
        record[at + 2] = 0x00;
        record[at + 3] = 0x00;
        record[at + 4] = 0x03;
    };
    // "0690" becomes " 690": a length written with leading blanks instead of zeros.
    const FileChange blankDigits = [](SecretBytes& file) {
        ASSERT_EQ(file[18], '0');
        file[18] = ' ';
    };
    const struct {
        const char* user;
        RecordChange record;
        FileChange file;
    } rows[] = {
        {"sano", kSameRecord, kSameFile},
        {"exp3", exponentOf3, kSameFile},
        {"blancos", kSameRecord, blankDigits},
    };
    ASSERT_TRUE(server_.Start());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.user);
        Install(row.user,
                KeyFile(keygen::BuildKeyRecord(key_, keygen::kKindPrivate), row.record, row.file));
        ConnectAndSend(row.user);
    }
}

// Key files whose record opens with the password but cannot sign: refused at connect with the
// code the signature would have ended in, and the server sees no connection.
TEST_F(KeyFileVariantsTest, RecordsThatCannotSignStopBeforeTheNetwork) {
    const RecordChange uDamaged = [](SecretBytes& record) { record.back() ^= 0x01; };
    const struct {
        const char* user;
        SecretBytes record;
        RecordChange change;
        int32_t code;
    } rows[] = {
        {"publica", keygen::BuildKeyRecord(key_, keygen::kKindPublic), kSameRecord, 2205},
        {"uerrado", keygen::BuildKeyRecord(key_, keygen::kKindPrivate), uDamaged, 2608},
    };
    ASSERT_TRUE(server_.Start());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.user);
        Install(row.user, KeyFile(row.record, row.change, kSameFile));
        session_ = -5;
        const int32_t result = Connect(row.user);
        EXPECT_EQ(result, row.code);
        if (result == 0) {  // a session the refusal should have prevented: leave none behind
            WaitForEnd();
            Vkt().desconectar(session_);
            Errors();
            continue;
        }
        EXPECT_EQ(session_, 1);  // set on entry, never claimed
        EXPECT_EQ(Estado().activity, 1u);
        const std::vector<ErrorRecord> errors = Errors();
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].code, row.code);
    }
    session_ = 0;
    EXPECT_EQ(server_.Log().find("connected"), std::string::npos) << server_.Log();
}

}  // namespace
}  // namespace vkt::e2e
