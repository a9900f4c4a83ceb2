// Verify, send and request end to end: the real library against the real server, which stores
// what it receives in its inbox and serves its outbox.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "e2e_fixture.h"

namespace vkt::e2e {
namespace {

constexpr char kUser[] = "ana";
constexpr char kPassword[] = "clave";
constexpr char kFieldList[] = "Importe,8,N;Concepto,12";
constexpr int32_t kNoInformationNeeded = 40068;

// A formatted record file of type "B": header, body, footer (38-byte records, CR LF ended).
std::string FormattedFile(const std::string& name, const std::string& body) {
    char count[16];
    std::snprintf(count, sizeof count, "%09zu", body.size());
    std::string padded = name;
    padded.resize(10, ' ');
    const std::string tail = "20241209120000" + std::string(count) + "\r\n";
    return "00B" + padded + tail + body + "99B" + padded + tail;
}

class TransferTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        keys_ = new TempDir;
        keysMade_ = MakeKey(keys_->path(), kUser, kPassword);
    }
    static void TearDownTestSuite() {
        delete keys_;
        keys_ = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(keysMade_);
        ASSERT_TRUE(CopyFile(keys_->path() + "/ana.pub", server_.users() + "/ana.pub"));
        ASSERT_EQ(mkdir((server_.outbox() + "/ana").c_str(), 0700), 0);
        ASSERT_TRUE(WriteWholeFile(server_.root() + "/answers",
                                   std::string("nomina\t") + kFieldList + "\n"));
        ASSERT_TRUE(server_.Start({"--answers", server_.root() + "/answers"}));
        OpenSession();
    }

    void TearDown() override {
        WaitForEnd();
        if (session_ > 1) Vkt().desconectar(session_);
        Errors();
    }

    void OpenSession() {
        ASSERT_EQ(Vkt().conectar("127.0.0.1", std::to_string(server_.port()).c_str(), kUser,
                                 kPassword, keys_->path().c_str(), 10, &session_),
                  0);
        const StatusRecord status = WaitForEnd();
        ASSERT_EQ(status.activity, 0u) << FirstError();
    }

    static std::string FirstError() {
        const std::vector<ErrorRecord> errors = Errors();
        return errors.empty() ? "no error" : std::to_string(errors[0].code) + " " + errors[0].text;
    }

    // Sends path and waits for the end; the final status.
    StatusRecord Send(const std::string& path, int32_t tipo, const char* additional = nullptr,
                      int32_t length = 0, const char* password = kPassword) {
        const int32_t result =
            Vkt().enviar(session_, password, path.c_str(), tipo, additional, length);
        EXPECT_EQ(result, 0) << FirstError();
        return WaitForEnd(60);
    }

    StatusRecord Request(const std::string& name, const std::string& folder) {
        EXPECT_EQ(Vkt().solicitar(session_, kPassword, name.c_str(), folder.c_str()), 0)
            << FirstError();
        return WaitForEnd(60);
    }

    std::string Received(const std::string& name) const {
        return ReadWholeFile(server_.inbox() + "/ana/" + name);
    }

    static TempDir* keys_;
    static bool keysMade_;
    Server server_;
    TempDir work_;
    int32_t session_ = 0;
};

TempDir* TransferTest::keys_ = nullptr;
bool TransferTest::keysMade_ = false;

// A plain file of 20,000 bytes (three blocks) and a formatted file with its additional text:
// the server holds exactly the data; VKTEstado shows the end of a send.
TEST_F(TransferTest, SendsPlainAndFormattedFiles) {
    const std::string plain = Bytes(20000);
    const std::string plainPath = work_.path() + "/Datos.Anuales.bin";
    ASSERT_TRUE(WriteWholeFile(plainPath, plain));

    char answer[2048];
    int32_t length = -1;
    // Not listed in the server's answers: nothing more is needed, reported as its error.
    EXPECT_EQ(Vkt().verificar(session_, plainPath.c_str(), 2, answer, &length),
              kNoInformationNeeded);
    EXPECT_EQ(WaitForEnd().activity, 1u);
    Errors();

    StatusRecord status = Send(plainPath, 2);
    ASSERT_EQ(status.activity, 0u) << FirstError();
    EXPECT_STREQ(status.function, "VKTEnviar");
    EXPECT_EQ(status.step, 8u);
    EXPECT_EQ(Received("datos"), plain);

    const std::string body = "RECORD-1\r\nRECORD-2 with \x01 and \x04\r\n";
    const std::string formattedPath = work_.path() + "/envio.txt";
    ASSERT_TRUE(WriteWholeFile(formattedPath, FormattedFile("NOMINA", body)));
    ASSERT_EQ(Vkt().verificar(session_, formattedPath.c_str(), 1, answer, &length), 0)
        << FirstError();
    EXPECT_EQ(length, static_cast<int32_t>(std::strlen(kFieldList)));
    EXPECT_STREQ(answer, kFieldList);
    EXPECT_EQ(Estado().activity, 0u);

    const std::string additional = "00001234ENERO       ";
    status = Send(formattedPath, 1, additional.c_str(), static_cast<int32_t>(additional.size()));
    ASSERT_EQ(status.activity, 0u) << FirstError();
    EXPECT_EQ(Received("nomina"), body);
    EXPECT_NE(server_.Log().find(additional), std::string::npos) << server_.Log();
}

// A file held by the server in several sizes around the block boundary comes back identical;
// an existing destination file of the same name is replaced, its permission bits kept.
TEST_F(TransferTest, RequestsFilesOfEverySize) {
    const std::string folder = work_.path();
    ASSERT_TRUE(WriteWholeFile(folder + "/f8192", "an older file that must be replaced"));
    ASSERT_EQ(chmod((folder + "/f8192").c_str(), 0600), 0);
    for (const std::size_t size : {0u, 1u, 8192u, 8193u, 300000u}) {
        SCOPED_TRACE(size);
        const std::string name = "f" + std::to_string(size);
        const std::string content = Bytes(size, static_cast<unsigned>(size));
        ASSERT_TRUE(WriteWholeFile(server_.outbox() + "/ana/" + name, content));
        const StatusRecord status = Request(name, folder);
        ASSERT_EQ(status.activity, 0u) << FirstError();
        EXPECT_STREQ(status.function, "VKTSolicitar");
        EXPECT_EQ(status.bytesTotal, size);
        ASSERT_TRUE(FileExists(folder + "/" + name));
        EXPECT_EQ(ReadWholeFile(folder + "/" + name), content);
    }
    struct stat replaced {};
    ASSERT_EQ(stat((folder + "/f8192").c_str(), &replaced), 0);
    EXPECT_EQ(replaced.st_mode & 0777, 0600u);
}

// A name the server does not hold: its error report, an older local file of that name
// untouched and nothing else left in the folder, the session kept.
TEST_F(TransferTest, MissingFileIsReportedAndLeavesTheOlderFile) {
    ASSERT_TRUE(WriteWholeFile(work_.path() + "/nada", "precioso"));
    const StatusRecord status = Request("nada", work_.path());
    EXPECT_EQ(status.activity, 1u);
    const std::vector<ErrorRecord> errors = Errors();
    ASSERT_FALSE(errors.empty());
    EXPECT_NE(errors[0].code, 0);
    EXPECT_EQ(ReadWholeFile(work_.path() + "/nada"), "precioso");
    EXPECT_EQ(ListFolder(work_.path()), std::vector<std::string>{"nada"});

    ASSERT_TRUE(WriteWholeFile(server_.outbox() + "/ana/algo", "x"));
    EXPECT_EQ(Request("algo", work_.path()).activity, 0u) << FirstError();
}

// A name as long as the folder leaves room for (252 characters together): its part file, a
// longer name still, is made beside it and the file arrives under the whole name.
TEST_F(TransferTest, RequestsAFileOfTheLongestName) {
    const std::string name(252 - work_.path().size(), 'L');
    const std::string content = Bytes(9000, 5);
    ASSERT_TRUE(WriteWholeFile(server_.outbox() + "/ana/" + name, content));
    ASSERT_EQ(Request(name, work_.path()).activity, 0u) << FirstError();
    EXPECT_EQ(ReadWholeFile(work_.path() + "/" + name), content);
    EXPECT_EQ(ListFolder(work_.path()), std::vector<std::string>{name});
}

// A wrong password refuses the send and keeps the session; the same path then goes through.
// While a send runs, another operation is refused with 40063.
TEST_F(TransferTest, WrongPasswordThenBusyThenDone) {
    const std::string path = work_.path() + "/grande.bin";
    const std::string content = Bytes(400000, 7);
    ASSERT_TRUE(WriteWholeFile(path, content));

    EXPECT_EQ(Vkt().enviar(session_, "otra", path.c_str(), 2, nullptr, 0), 2604);
    EXPECT_EQ(Estado().activity, 1u);
    std::vector<ErrorRecord> errors = Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].code, 2604);

    ASSERT_EQ(Vkt().enviar(session_, kPassword, path.c_str(), 2, nullptr, 0), 0);
    char answer[2048];
    int32_t length = 0;
    EXPECT_EQ(Vkt().verificar(session_, path.c_str(), 2, answer, &length), 40063);
    EXPECT_EQ(Vkt().desconectar(session_), 40063);
    const StatusRecord status = WaitForEnd(120);
    ASSERT_EQ(status.activity, 0u) << FirstError();
    EXPECT_EQ(Received("grande"), content);
}

// Parameters the operations refuse before anything reaches the server.
TEST_F(TransferTest, RefusesBadParameters) {
    const std::string longName(200, 'a');
    const std::string dir52 = "/" + std::string(51, 'd');
    const std::string dir53 = "/" + std::string(52, 'd');
    EXPECT_EQ(Vkt().solicitar(session_, kPassword, longName.c_str(), dir53.c_str()), 40053);
    // 200 + 52 characters are accepted; the folder does not exist, so creating the file fails.
    EXPECT_EQ(Vkt().solicitar(session_, kPassword, longName.c_str(), dir52.c_str()), 40051);
    EXPECT_EQ(Vkt().enviar(session_, "", "/x", 2, nullptr, 0), 40053);
    EXPECT_EQ(Vkt().enviar(session_ + 1, kPassword, "/x", 2, nullptr, 0), 40039);
    EXPECT_EQ(Vkt().verificar(session_, "", 2, nullptr, nullptr), 40053);
    EXPECT_EQ(Vkt().enviar(session_, kPassword, (work_.path() + "/none").c_str(), 2, nullptr, 0),
              40050);
    Errors();
    // The session is still fine.
    ASSERT_TRUE(WriteWholeFile(server_.outbox() + "/ana/algo", "y"));
    EXPECT_EQ(Request("algo", work_.path()).activity, 0u) << FirstError();
}

// Each session cipher the server can choose carries a send and a request.
TEST_F(TransferTest, EveryCipherCarriesBothDirections) {
    ASSERT_EQ(Vkt().desconectar(session_), 0);
    session_ = 0;
    const std::string path = work_.path() + "/cifrado.bin";
    const std::string content = Bytes(12000, 11);
    ASSERT_TRUE(WriteWholeFile(path, content));
    for (const int cipher : {101, 102, 103}) {
        SCOPED_TRACE(cipher);
        Server server;
        ASSERT_TRUE(CopyFile(keys_->path() + "/ana.pub", server.users() + "/ana.pub"));
        ASSERT_EQ(mkdir((server.outbox() + "/ana").c_str(), 0700), 0);
        ASSERT_TRUE(WriteWholeFile(server.outbox() + "/ana/vuelta", content));
        if (!server.Start({"--cipher", std::to_string(cipher)})) {
            // 101 needs a legacy provider the machine may not have; the others must start.
            ASSERT_EQ(cipher, 101) << "the server refused cipher " << cipher;
            continue;
        }
        ASSERT_EQ(Vkt().conectar("127.0.0.1", std::to_string(server.port()).c_str(), kUser,
                                 kPassword, keys_->path().c_str(), 10, &session_),
                  0);
        ASSERT_EQ(WaitForEnd().activity, 0u) << FirstError();
        ASSERT_EQ(Send(path, 2).activity, 0u) << FirstError();
        EXPECT_EQ(ReadWholeFile(server.inbox() + "/ana/cifrado"), content);
        ASSERT_EQ(Request("vuelta", work_.path()).activity, 0u) << FirstError();
        EXPECT_EQ(ReadWholeFile(work_.path() + "/vuelta"), content);
        ASSERT_EQ(Vkt().desconectar(session_), 0);
        session_ = 0;
    }
}

// After transfers the session ends and a new one works the same.
TEST_F(TransferTest, ReconnectsAndSendsAgain) {
    const std::string path = work_.path() + "/uno.bin";
    ASSERT_TRUE(WriteWholeFile(path, Bytes(9000, 3)));
    ASSERT_EQ(Send(path, 2).activity, 0u) << FirstError();
    ASSERT_EQ(Vkt().desconectar(session_), 0);
    session_ = 0;
    OpenSession();
    ASSERT_TRUE(WriteWholeFile(path, Bytes(9001, 4)));
    ASSERT_EQ(Send(path, 2).activity, 0u) << FirstError();
    EXPECT_EQ(Received("uno"), Bytes(9001, 4));
}

}  // namespace
}  // namespace vkt::e2e
