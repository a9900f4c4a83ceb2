// The fixture of the server tests: one vkt-server process with user "ana", and the helpers the
// test files share.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "server/server_process.h"
#include "server/wire_client.h"

namespace vkt::server::test {

inline constexpr char kUser[] = "ana";

// Deterministic bytes of every value, so that misplaced blocks show.
inline std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 0x12345678u ^ static_cast<std::uint32_t>(size);
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

// In the sanitizer build the server reports its own faults in its log.
inline bool HasSanitizerReport(const std::string& log) {
    return log.find("Sanitizer") != std::string::npos ||
           log.find("runtime error") != std::string::npos;
}

class ServerTest : public ::testing::Test {
  protected:
    void TearDown() override {
        server_.Stop();
        EXPECT_FALSE(HasSanitizerReport(server_.Log())) << server_.Log();
    }
    void StartServer(const std::vector<std::string>& extra = {}) {
        WritePublicKey(TestKey(), server_.users(), kUser);
        ASSERT_TRUE(server_.Start(extra)) << server_.Log();
    }
    void Open(WireClient* client, const std::string& user = kUser) {
        ASSERT_TRUE(client->Connect(server_.port()));
        ASSERT_TRUE(client->OpenSession(user, TestKey())) << server_.Log();
    }
    std::string Inbox(const std::string& name) const {
        return server_.inbox() + "/" + kUser + "/" + name;
    }
    // The user's inbox folder once it holds count entries (the server drops an ended
    // transfer's file from its own thread), or as it is after 5 s.
    std::vector<std::string> InboxOnceItHolds(std::size_t count) const {
        const std::string folder = server_.inbox() + "/" + kUser;
        for (int i = 0; i < 50 && ListFolder(folder).size() != count; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return ListFolder(folder);
    }
    // A send request that is accepted and the first block of 20,000 announced bytes.
    void BeginTransfer(WireClient* client) {
        ASSERT_TRUE(client->SendSealed('F', "mitad"));
        WireFrame frame;
        ASSERT_TRUE(client->Receive(&frame));
        ASSERT_EQ(frame.type, 'O');
        ASSERT_TRUE(client->SendSealed('T', "0000020000" + Pattern(8192)));
    }
    void PutInOutbox(const std::string& name, const std::string& contents) {
        const std::string folder = server_.outbox() + "/" + kUser;
        mkdir(folder.c_str(), 0700);
        WriteWholeFile(folder + "/" + name, contents);
    }

    ServerProcess server_;
};

}  // namespace vkt::server::test
