#include "runtime/session/event_test_support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace vkt::runtime::event_testing {

namespace {

// Timers tick every 150 ms in this test program unless the environment says otherwise (a
// slower build, e.g. under ThreadSanitizer, may want more). Set before main, so before the
// library reads it.
const bool kPeriodSet = [] {
    setenv("VKT_TIMER_PERIOD_MS", "150", 0);
    return true;
}();

}  // namespace

std::chrono::milliseconds Period() {
    (void)kPeriodSet;
    return std::chrono::milliseconds(std::atol(std::getenv("VKT_TIMER_PERIOD_MS")));
}

std::string Frame(char characteristic, char type, const std::string& data) {
    char length[8];
    std::snprintf(length, sizeof length, "%.4i", static_cast<int>(data.size() + 1));
    std::string frame;
    frame += '\x01';
    frame += characteristic;
    frame += type;
    frame += ' ';
    frame += length;
    frame += data;
    frame += '\x04';
    return frame;
}

bool WaitUntil(const std::function<bool()>& cond, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!cond()) {
        if (std::chrono::steady_clock::now() >= end) return cond();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

ShmPrefix::ShmPrefix() : prefix_("vktevt" + std::to_string(getpid()) + "_") {
    setenv("VKT_SHM_PREFIX", prefix_.c_str(), 1);
}

ShmPrefix::~ShmPrefix() {
    const std::string uid = std::to_string(geteuid());
    shm_unlink(("/" + prefix_ + "Tabla." + uid).c_str());
    shm_unlink(("/" + prefix_ + "Mutex." + uid).c_str());
    unsetenv("VKT_SHM_PREFIX");
}

TestPeer::TestPeer() {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        listen(listener_, 1) == 0 &&
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
        port_ = ntohs(address.sin_port);
    }
}

TestPeer::~TestPeer() {
    if (socket_ >= 0) shutdown(socket_, SHUT_RDWR);
    if (reader_.joinable()) reader_.join();
    if (socket_ >= 0) close(socket_);
    if (listener_ >= 0) close(listener_);
}

bool TestPeer::Accept() {
    pollfd waiting{listener_, POLLIN, 0};
    if (poll(&waiting, 1, 5000) != 1) return false;
    socket_ = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (socket_ < 0) return false;
    reader_ = std::thread(&TestPeer::Read, this);
    return true;
}

void TestPeer::Send(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t sent = send(socket_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent <= 0) return;
        done += static_cast<std::size_t>(sent);
    }
}

void TestPeer::Close() {
    shutdown(socket_, SHUT_WR);
}

int TestPeer::Count(char characteristic, char type) const {
    std::lock_guard<std::mutex> guard(lock_);
    int count = 0;
    for (const PeerFrame& frame : frames_) {
        if (frame.characteristic == characteristic && frame.type == type) ++count;
    }
    return count;
}

std::vector<PeerFrame> TestPeer::Frames() const {
    std::lock_guard<std::mutex> guard(lock_);
    return frames_;
}

bool TestPeer::SawEndOfStream() const {
    std::lock_guard<std::mutex> guard(lock_);
    return endOfStream_;
}

// Splits the byte stream into frames by the 4 length digits (total = length + 8).
void TestPeer::Read() {
    std::string pending;
    char buffer[4096];
    for (;;) {
        const ssize_t got = recv(socket_, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        pending.append(buffer, static_cast<std::size_t>(got));
        while (pending.size() >= 8) {
            const std::size_t total = std::stoul(pending.substr(4, 4)) + 8;
            if (pending.size() < total) break;
            std::lock_guard<std::mutex> guard(lock_);
            frames_.push_back({pending[1], pending[2], pending.substr(0, total)});
            pending.erase(0, total);
        }
    }
    std::lock_guard<std::mutex> guard(lock_);
    endOfStream_ = true;
}

}  // namespace vkt::runtime::event_testing
