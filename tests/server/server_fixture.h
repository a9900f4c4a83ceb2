// A vkt-server process for one test, with the user kUser and the tests' own client.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "server/server_process.h"
#include "server/wire_client.h"

namespace vkt::server::test {

inline constexpr char kUser[] = "ana";

// In the sanitizer build the server reports its own faults in its log.
inline bool HasSanitizerReport(const std::string& log) {
    return log.find("Sanitizer") != std::string::npos ||
           log.find("runtime error") != std::string::npos;
}

class ServerFixture : public ::testing::Test {
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

    ServerProcess server_;
};

}  // namespace vkt::server::test
