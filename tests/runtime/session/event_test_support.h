// Support for the event thread and session timer tests: a scripted TCP peer on 127.0.0.1
// standing in for the server, frame bytes, a private shared-memory namespace and a condition
// wait.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vkt::runtime::event_testing {

// The timer period of the test process (VKT_TIMER_PERIOD_MS, set before any timer exists).
std::chrono::milliseconds Period();

// The bytes of a frame: 0x01, characteristic, type, " ", "%.4i" of data + 1, data, 0x04.
std::string Frame(char characteristic, char type, const std::string& data = "");

// Polls cond every 2 ms until it holds or limit passes; returns its last value.
bool WaitUntil(const std::function<bool()>& cond, std::chrono::milliseconds limit);

// Sets VKT_SHM_PREFIX to a name of this process alone; removes both objects on destruction.
class ShmPrefix {
  public:
    ShmPrefix();
    ~ShmPrefix();
    ShmPrefix(const ShmPrefix&) = delete;
    ShmPrefix& operator=(const ShmPrefix&) = delete;

  private:
    std::string prefix_;
};

// A frame the peer received from the library.
struct PeerFrame {
    char characteristic;
    char type;
    std::string bytes;  // the whole frame
};

// Listens on 127.0.0.1 (any free port), accepts one connection, and records every frame the
// library sends on it from a reader thread. The test thread sends and closes.
class TestPeer {
  public:
    TestPeer();
    ~TestPeer();
    TestPeer(const TestPeer&) = delete;
    TestPeer& operator=(const TestPeer&) = delete;

    std::string Port() const { return std::to_string(port_); }
    bool Accept();                        // waits up to 5 s for the library's connect
    void Send(const std::string& bytes);  // all of it, in one write where the kernel allows
    void Close();                         // FIN to the library; the reader keeps running to EOF

    int Count(char characteristic, char type) const;
    std::vector<PeerFrame> Frames() const;
    bool SawEndOfStream() const;  // the library closed its side

  private:
    void Read();

    int listener_ = -1;
    int socket_ = -1;
    std::uint16_t port_ = 0;
    std::thread reader_;
    mutable std::mutex lock_;
    std::vector<PeerFrame> frames_;
    bool endOfStream_ = false;
};

}  // namespace vkt::runtime::event_testing
