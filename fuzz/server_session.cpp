// The server's side of the wire: the input is what a client sends, written whole into one end
// of a connected socket pair; a session of the server serves the other end until the input
// runs out or breaks the protocol. The user "fuzz" is known (a key made at start), so the
// set-up gets as far as the session-key envelope; sealed operations then fail to unseal, as
// they would from a client that has the wrong key.
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "fuzz/fuzz_support.h"
#include "server/answers.h"
#include "server/connection_limits.h"
#include "server/frame_codec.h"
#include "server/options.h"
#include "server/session.h"
#include "server/user_keys.h"

namespace {

using namespace vkt::server;

constexpr std::size_t kLargestInput = 64 * 1024;  // well within a socket pair's buffer

// The server's state that outlives one connection: options, answers, the users' keys.
struct Server {
    Options options;
    AnswersTable answers;
    UserKeys keys;
    ConnectionLimits limits{16, 64, 8};

    Server() {
        const vkt::fuzz::TempFolder& scratch = vkt::fuzz::Scratch();
        options.users = scratch.path();
        options.inbox = scratch.path();
        options.outbox = scratch.path();
        options.idleSeconds = 5;
        options.handshakeSeconds = 5;
        EVP_PKEY* key = EVP_RSA_gen(512);
        std::FILE* out = std::fopen(scratch.File("fuzz.pub").c_str(), "w");
        if (key == nullptr || out == nullptr || PEM_write_PUBKEY(out, key) != 1) std::abort();
        std::fclose(out);
        EVP_PKEY_free(key);
        std::string reason;
        std::string skipped;
        if (!keys.Reload(scratch.path(), &reason, &skipped) || keys.size() != 1) std::abort();
    }
};

// The header reader and the builder agree on every frame the builder makes.
void CheckCodec(const std::uint8_t* data, std::size_t size) {
    if (size < kFrameHeaderSize) return;
    const std::string payload(reinterpret_cast<const char*>(data) + kFrameHeaderSize,
                              std::min(size - kFrameHeaderSize, kMaxFrameData));
    std::string bytes;
    if (!BuildFrame(static_cast<char>(data[1]), static_cast<char>(data[2]), payload, &bytes))
        std::abort();
    std::size_t remaining = 0;
    if (!ParseFrameHeader(reinterpret_cast<const std::uint8_t*>(bytes.data()), &remaining) ||
        remaining != payload.size() + 1 || bytes.size() != kFrameHeaderSize + remaining ||
        static_cast<std::uint8_t>(bytes.back()) != kEndMark)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Server server;
    if (size > kLargestInput) return 0;
    CheckCodec(data, size);

    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) std::abort();
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::send(ends[1], data + done, size - done, MSG_NOSIGNAL);
        if (n <= 0) std::abort();
        done += static_cast<std::size_t>(n);
    }
    ::shutdown(ends[1], SHUT_WR);
    // The client's end reads whatever the session answers, until the session closes.
    std::thread client([fd = ends[1]] {
        char sink[4096];
        while (::recv(fd, sink, sizeof sink, 0) > 0) {
        }
    });
    {
        ConnectionTicket ticket(server.limits, "fuzz-peer");
        Session session(ends[0], "fuzz-peer", server.options, server.answers, server.keys, ticket);
        session.Run();
    }
    client.join();
    ::close(ends[1]);
    return 0;
}
