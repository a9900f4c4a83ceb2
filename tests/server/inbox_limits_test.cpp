// vkt-server keeps its disk: a send announced over --max-file-size, or one that would leave
// less than --min-free-space on the inbox's file system, is refused before a byte is stored.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "server/server_fixture.h"

namespace vkt::server::test {
namespace {

TEST(InboxLimitsTest, RefusesAnnouncedSizesThatDoNotFit) {
    const struct {
        const char* what;
        std::vector<std::string> args;
        std::string announced;  // the 10-digit size prefix of the first block
        std::size_t sent;       // data bytes in the first block
        const char* code;       // null: the file is received
    } cases[] = {
        {"the largest announcement", {}, "9999999999", 8000, "40005-"},
        {"one byte over the limit", {"--max-file-size", "1000"}, "0000001001", 1000, "40005-"},
        {"exactly the limit", {"--max-file-size", "1000"}, "0000001000", 1000, nullptr},
        {"no room for the margin",
         {"--min-free-space", "4611686018427387904"},
         "0000000010",
         10,
         "40026-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ServerProcess server;
        WritePublicKey(TestKey(), server.users(), kUser);
        ASSERT_TRUE(server.Start(c.args)) << server.Log();
        WireClient client;
        ASSERT_TRUE(client.Connect(server.port()));
        ASSERT_TRUE(client.OpenSession(kUser, TestKey())) << server.Log();
        ASSERT_TRUE(client.SendSealed('F', "grande"));
        WireFrame frame;
        ASSERT_TRUE(client.Receive(&frame));
        ASSERT_EQ(frame.type, 'O');
        const std::string block = c.announced + Pattern(c.sent);
        ASSERT_TRUE(client.SendSealed('T', block));
        if (c.code == nullptr) {
            ASSERT_TRUE(client.Send('2', 'S', SignatureText(TestKey(), block)));
        }
        ASSERT_TRUE(client.Receive(&frame)) << server.Log();
        const std::string folder = server.inbox() + "/" + kUser;
        if (c.code == nullptr) {
            EXPECT_EQ(frame.type, 'O');
            EXPECT_EQ(ReadWholeFile(folder + "/grande"), Pattern(c.sent));
        } else {
            std::string answer;
            ASSERT_EQ(frame.type, '9');
            ASSERT_TRUE(client.Unseal(frame.data, &answer));
            EXPECT_EQ(answer.substr(0, 6), c.code);
            // Nothing was kept, not even the temporary file.
            EXPECT_TRUE(ListFolder(folder).empty());
        }
        server.Stop();
        EXPECT_FALSE(HasSanitizerReport(server.Log())) << server.Log();
    }
}

// An accepted announcement takes its space at once, so that transfers running side by side are
// judged against what the others will still write.
TEST_F(ServerTest, AnAcceptedTransferHoldsItsWholeSpace) {
    StartServer();
    WireClient client;
    Open(&client);
    BeginTransfer(&client);  // 20,000 bytes announced, 8,192 sent
    const std::vector<std::string> files = InboxOnceItHolds(1);
    ASSERT_EQ(files.size(), 1u);
    std::uint64_t allocated = 0;
    for (int i = 0; i < 50 && allocated < 20000; ++i) {
        struct stat info {};
        ASSERT_EQ(stat(Inbox(files[0]).c_str(), &info), 0);
        allocated = static_cast<std::uint64_t>(info.st_blocks) * 512;
        if (allocated < 20000) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_GE(allocated, 20000u);
}

TEST(InboxLimitsTest, RefusesBadLimitOptions) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--max-file-size", "2147483648"},
          std::vector<std::string>{"--max-file-size", "-1"},
          std::vector<std::string>{"--min-free-space", "mucho"}}) {
        SCOPED_TRACE(args[0] + " " + args[1]);
        ServerProcess server;
        EXPECT_FALSE(server.Start(args));
        server.Stop();
        EXPECT_NE(server.Log().find(args[0] + ": '" + args[1] + "' is not a number of bytes"),
                  std::string::npos)
            << server.Log();
    }
}

}  // namespace
}  // namespace vkt::server::test
