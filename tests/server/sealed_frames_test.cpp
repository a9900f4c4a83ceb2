// vkt-server and sealed frames that a client without the session key could have made up: one
// that does not unseal ends the session after one uniform report, and one that unseals to
// garbage gets no other answer than a well-formed request of the same kind.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <cerrno>

#include "server/server_fixture.h"

namespace vkt::server::test {
namespace {

// The frames that arrive before the server closes the connection; false when it stays open
// for 10 s.
bool FramesUntilClose(WireClient* client, std::vector<WireFrame>* frames) {
    WireFrame frame;
    while (client->Receive(&frame)) frames->push_back(frame);
    char byte = 0;
    const ssize_t got = recv(client->descriptor(), &byte, 1, MSG_DONTWAIT | MSG_PEEK);
    return got == 0 || (got < 0 && errno == ECONNRESET);
}

TEST_F(ServerTest, AFrameThatDoesNotUnsealEndsTheSession) {
    StartServer();
    const struct {
        const char* what;
        std::string blocks;  // sealed as they are: their last bytes are the padding
        bool wholeBlocks;
    } cases[] = {
        {"padding byte 0", std::string("abcdefg\0", 8), true},
        {"padding byte 9", "abcdefg\x09", true},
        {"padding bytes disagree", "abcdef\x01\x02", true},
        {"vector only", "", true},
        {"not whole blocks", "abcdefgh\x04\x04\x04\x04", false},
    };
    for (const char type : {'Q', 'F', 'T', 'P'}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(1, type) + ": " + c.what);
            WireClient client;
            Open(&client);
            std::string sealed;
            if (c.wholeBlocks) {
                ASSERT_TRUE(client.SealBlocks(c.blocks, false, &sealed));
            } else {
                ASSERT_TRUE(client.Seal("abcdefgh", &sealed));
                sealed += c.blocks.substr(8);
            }
            ASSERT_TRUE(client.Send('2', type, sealed));
            // A second try under the same key is never answered.
            ASSERT_TRUE(client.SendSealed('Q', "nomina"));
            std::vector<WireFrame> frames;
            EXPECT_TRUE(FramesUntilClose(&client, &frames));
            ASSERT_EQ(frames.size(), 1u);
            EXPECT_EQ(frames[0].characteristic, '2');
            EXPECT_EQ(frames[0].type, '9');
            std::string report;
            ASSERT_TRUE(client.Unseal(frames[0].data, &report));
            EXPECT_EQ(report, "40041-Imposible desencriptar mensaje");
        }
    }
}

// A block that does not unseal in the middle of a transfer ends it and leaves nothing behind.
TEST_F(ServerTest, AnUnsealableBlockEndsTheTransferAndTheSession) {
    StartServer();
    WireClient client;
    Open(&client);
    BeginTransfer(&client);
    std::string sealed;
    ASSERT_TRUE(client.SealBlocks(Pattern(8192), false, &sealed));
    sealed.back() = static_cast<char>(sealed.back() ^ 0x55);
    ASSERT_TRUE(client.Send('2', 'T', sealed));
    std::vector<WireFrame> frames;
    EXPECT_TRUE(FramesUntilClose(&client, &frames));
    EXPECT_LE(frames.size(), 1u);
    EXPECT_TRUE(InboxOnceItHolds(0).empty());
}

// Plaintext that a made-up ciphertext happens to unseal to is answered like a real request
// that fails, with the same code and length, and the session goes on.
TEST_F(ServerTest, GarbageThatUnsealsGetsTheNormalError) {
    StartServer();
    WireClient client;
    Open(&client);
    const struct {
        char type;
        std::string garbage;
        std::string wellFormed;  // a real request that fails the same way
        const char* code;
    } cases[] = {
        {'P', "\x8f\x01\xfe\x13", "falta", "40050-"},
        {'P', "nombre\nfalso", "falta", "40050-"},
        {'F', "nombre\nfalso", "../fuera", "40005-"},
        {'F', std::string("\x1b[2J\0x", 6), "../fuera", "40005-"},
        {'T', "\x8f\x01\xfe\x13\x55", "0000000001x", "40005-"},
        {'Q', "\x8f\x01\xfe\x13", "otro", "40068-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(1, c.type) + ": " + c.wellFormed);
        std::size_t sizes[2] = {0, 0};
        std::string answers[2];
        int i = 0;
        for (const std::string& plain : {c.garbage, c.wellFormed}) {
            ASSERT_TRUE(client.SendSealed(c.type, plain));
            WireFrame frame;
            ASSERT_TRUE(client.Receive(&frame));
            EXPECT_EQ(frame.type, '9');
            sizes[i] = frame.data.size();
            ASSERT_TRUE(client.Unseal(frame.data, &answers[i]));
            ++i;
        }
        EXPECT_EQ(answers[0].substr(0, 6), c.code);
        EXPECT_EQ(answers[0], answers[1]);
        EXPECT_EQ(sizes[0], sizes[1]);
    }
    EXPECT_TRUE(ListFolder(server_.inbox() + "/" + kUser).empty());
    ASSERT_TRUE(client.Send('1', '0', ""));
    WireFrame frame;
    ASSERT_TRUE(client.Receive(&frame));
    EXPECT_EQ(frame.type, '0');
}

}  // namespace
}  // namespace vkt::server::test
