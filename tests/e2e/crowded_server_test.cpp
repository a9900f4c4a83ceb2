// The library against a server that 400 idle connections from another address (127.0.0.2;
// loopback answers all of 127/8) are pressing: connect, send and request work as without them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "e2e_fixture.h"

namespace vkt::e2e {
namespace {

constexpr char kUser[] = "ana";
constexpr char kPassword[] = "clave";
constexpr int kIdleConnections = 400;

class CrowdedServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const long limit = testing::RaiseDescriptorLimit();
        if (limit < kIdleConnections + 200) GTEST_SKIP() << "descriptor limit " << limit;
        ASSERT_TRUE(MakeKey(keys_.path(), kUser, kPassword));
        ASSERT_TRUE(CopyFile(keys_.path() + "/ana.pub", server_.users() + "/ana.pub"));
        ASSERT_EQ(mkdir((server_.outbox() + "/ana").c_str(), 0700), 0);
        ASSERT_TRUE(server_.Start());
    }
    void TearDown() override {
        for (const int socket : idle_) close(socket);
    }

    static std::string FirstError() {
        const std::vector<ErrorRecord> errors = Errors();
        return errors.empty() ? "no error" : std::to_string(errors[0].code) + " " + errors[0].text;
    }

    // Connect, send a file, request it back and disconnect; "" when every step succeeded.
    std::string ConnectSendAndGet(const std::string& round) {
        int32_t session = 0;
        if (Vkt().conectar("127.0.0.1", std::to_string(server_.port()).c_str(), kUser, kPassword,
                           keys_.path().c_str(), 10, &session) != 0 ||
            WaitForEnd().activity != 0)
            return "connect: " + FirstError();
        const std::string contents = Bytes(20000, static_cast<unsigned>(round.size()));
        const std::string path = work_.path() + "/" + round + ".bin";
        std::string failed;
        if (!WriteWholeFile(path, contents) ||
            Vkt().enviar(session, kPassword, path.c_str(), 2, nullptr, 0) != 0 ||
            WaitForEnd(60).activity != 0)
            failed = "send: " + FirstError();
        else if (ReadWholeFile(server_.inbox() + "/ana/" + round) != contents)
            failed = "send: not stored";
        else if (!WriteWholeFile(server_.outbox() + "/ana/" + round, contents) ||
                 Vkt().solicitar(session, kPassword, round.c_str(), work_.path().c_str()) != 0 ||
                 WaitForEnd(60).activity != 0)
            failed = "get: " + FirstError();
        Vkt().desconectar(session);
        Errors();
        return failed;
    }

    TempDir keys_;
    TempDir work_;
    Server server_;
    std::vector<int> idle_;
};

TEST_F(CrowdedServerTest, IdleConnectionsFromAnotherAddressKeepNobodyOut) {
    using std::chrono::milliseconds;
    const auto timed = [&](const std::string& round, std::string* result) {
        const auto start = std::chrono::steady_clock::now();
        *result = ConnectSendAndGet(round);
        return std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start);
    };
    std::string result;
    const milliseconds alone = timed("solo", &result);
    ASSERT_EQ(result, "") << server_.Log();

    for (int i = 0; i < kIdleConnections; ++i) {
        // Never a byte sent on them.
        const int socket = testing::ConnectFrom("127.0.0.2", server_.port());
        if (socket >= 0) idle_.push_back(socket);
    }
    ASSERT_FALSE(idle_.empty());
    const milliseconds crowded = timed("apretado", &result);
    RecordProperty("alone_ms", static_cast<int>(alone.count()));
    RecordProperty("with_idle_ms", static_cast<int>(crowded.count()));
    EXPECT_EQ(result, "") << server_.Log();
    // About as fast as alone; the bound only tells a refusal or a wait on a time-out apart.
    EXPECT_LT(crowded, std::chrono::seconds(10)) << "alone " << alone.count() << " ms";
}

}  // namespace
}  // namespace vkt::e2e
