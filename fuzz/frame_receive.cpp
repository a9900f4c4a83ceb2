// The library's frame reception: bytes written, in pieces the input chooses, into one end of
// a connected socket pair whose other end a Connection has adopted and reads frame by frame.
//
// Input: byte 0 (mod 16) is the number k of piece sizes that follow, each byte b a piece of
// b + 1 bytes; the rest of the input is the stream, cut into those pieces and a last piece
// with whatever remains. A piece is written only once the previous one has been read in
// full, so the receiver meets exactly the cuts the input asks for. Each complete frame is
// taken apart as the protocol would: line parameters, server error reports.
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "runtime/net/connection.h"
#include "runtime/status/error_list.h"
#include "runtime/status/status_code.h"

namespace {

using vkt::runtime::Connection;

struct Piece {
    const std::uint8_t* bytes;
    std::size_t size;
};

std::vector<Piece> CutIntoPieces(const std::uint8_t* data, std::size_t size) {
    std::vector<Piece> pieces;
    if (size == 0) return pieces;
    const std::size_t cuts = std::min<std::size_t>(data[0] % 16, size - 1);
    const std::uint8_t* sizes = data + 1;
    const std::uint8_t* stream = data + 1 + cuts;
    std::size_t left = size - 1 - cuts;
    for (std::size_t i = 0; i < cuts && left > 0; ++i) {
        const std::size_t n = std::min<std::size_t>(std::size_t{sizes[i]} + 1, left);
        pieces.push_back({stream, n});
        stream += n;
        left -= n;
    }
    if (left > 0) pieces.push_back({stream, left});
    return pieces;
}

// Writes each piece whole, then waits until the reader has taken all of it (or gave up),
// and last shuts the writing side, so the reader sees the end of the stream.
void Feed(int fd, const std::vector<Piece>& pieces, const std::atomic<bool>& readerDone) {
    for (const Piece& piece : pieces) {
        std::size_t done = 0;
        while (done < piece.size && !readerDone) {
            const ssize_t n = ::send(fd, piece.bytes + done, piece.size - done, MSG_NOSIGNAL);
            if (n <= 0) return;
            done += static_cast<std::size_t>(n);
        }
        int unread = 0;
        while (!readerDone && ::ioctl(fd, TIOCOUTQ, &unread) == 0 && unread > 0) sched_yield();
        if (readerDone) break;
    }
    ::shutdown(fd, SHUT_WR);
}

// What the protocol layer does with a frame it is handed.
void TakeApart(Connection& connection) {
    const vkt::runtime::IncomingMessage& in = connection.Incoming();
    if (in.Bytes() == nullptr || in.Bytes()[in.length] != 0) std::abort();
    if (in.messageType == 'L') {
        connection.ParseLineParameters();
        const std::int32_t block = connection.BlockSize();
        if (block < 1 || block > Connection::kMaxBlock) std::abort();
    } else if (in.messageType == '9') {
        vkt::runtime::ErrorList errors;
        if (errors.AddServerText(in.Text(), in.length) == 0) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) std::abort();
    const std::vector<Piece> pieces = CutIntoPieces(data, size);
    std::atomic<bool> readerDone{false};
    std::thread feeder(Feed, ends[1], std::cref(pieces), std::cref(readerDone));
    {
        Connection connection("", "", nullptr, 0);
        if (connection.Adopt(ends[0]) != 0) std::abort();
        for (;;) {
            const std::int32_t status = connection.ReceiveFrame();
            if (status == vkt::runtime::kServerKeepAlive) continue;
            if (status != 0) break;
            TakeApart(connection);
        }
        readerDone = true;
        connection.Close();
    }
    feeder.join();
    ::close(ends[1]);
    return 0;
}
