// A real TCP peer on a loopback address for the transport tests. It listens on an ephemeral
// (or given) port, accepts one connection on its own thread and plays a script: bytes to
// send and how to split them, pauses, a close, an echo, or holding still. Unless the script
// closes, it then reads everything the client sends until the client closes.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vkt::test {

struct PeerStep {
    enum class Kind { Send, Pause, Close, Echo, HoldWithoutReading };
    Kind kind;
    std::string bytes;
    std::size_t piece = 0;  // bytes per write; 0 sends all in one write
    int gapMs = 0;          // pause after each piece (Send) or the whole pause (Pause)
};

PeerStep SendBytes(std::string bytes, std::size_t piece = 0, int gapMs = 0);
PeerStep Pause(int ms);
PeerStep CloseConnection();
PeerStep EchoUntilClosed();     // writes back whatever arrives until the client closes
PeerStep HoldWithoutReading();  // neither reads nor writes until the peer is destroyed

struct PeerOptions {
    const char* address = "127.0.0.1";  // numeric, IPv4 or IPv6
    std::uint16_t port = 0;             // 0: an ephemeral port
    int receiveBuffer = 0;              // SO_RCVBUF of the accepted socket when nonzero
};

class ScriptedPeer {
  public:
    explicit ScriptedPeer(std::vector<PeerStep> script, PeerOptions options = {});
    ~ScriptedPeer();  // stops the script and joins
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    bool Listening() const { return listener_ >= 0; }
    int ListenError() const { return listenError_; }
    std::uint16_t Port() const { return port_; }
    std::string PortText() const { return std::to_string(port_); }
    // Waits for the script and the final read to end (the client must have closed), then
    // returns every byte the client sent.
    std::string Received();

  private:
    void Run();
    void Play(int fd);
    bool WaitReadable(int fd);  // false when the peer is being stopped

    std::vector<PeerStep> script_;
    int listener_ = -1;
    int listenError_ = 0;
    std::uint16_t port_ = 0;
    int receiveBuffer_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::string received_;
    std::thread thread_;
};

// The bytes of a frame, built here independently of the library: 0x01, characteristic, type,
// " ", four length digits (data bytes + 1), data, 0x04.
std::string WireFrame(char characteristic, char type, const std::string& data);

// Number of open descriptors of this process.
int OpenDescriptorCount();

}  // namespace vkt::test
