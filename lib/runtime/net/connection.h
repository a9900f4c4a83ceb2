// The process's one TCP connection with the server: resolution, connect, paced frame sends,
// whole-frame receives with a stall time-out, the outgoing and incoming messages, and what it
// awaits from the server, which decides the handler an incoming frame goes to.
//
// Every socket failure is reported as ComposeStatus(<socket error number>, 1), the numbers of
// the catalogue that platform/sockets.h gives on every platform.
//
// Threads: the caller's thread connects and sends, the event thread receives and sends
// keep-alives, either may close. The frame buffers and the message fields are guarded by an
// internal mutex that is never held across a socket wait or a sleep: SendFrame takes the built
// frame out of the connection before it starts sending, ReceiveFrame assembles a frame in a
// buffer of its own and installs it only when it is complete. Incoming() hands out the
// incoming message without the lock; it is read by the thread that received it, or after that
// thread has signalled the reader. The socket, the awaited message, the line parameters and
// the time-out are atomics.
//
// Each connect and each close starts a new generation of the connection, and the connect
// operation binds the session it claimed to the current one: together they are the
// connection's tag, which every socket event carries, so that an event of a socket already
// closed, or of a session already ended, is recognised as stale. Close waits for a receive in
// progress (after shutting the socket down, which ends it at once) before it frees the
// descriptor, so a reader never reads from a descriptor number that a new connect reused.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>

#include "runtime/net/awaiting.h"
#include "runtime/net/frame.h"
#include "runtime/net/notification_target.h"

namespace vkt::runtime {

// Which connection and session an event belongs to (see above). Session 0: none bound.
struct ConnectionTag {
    std::uint32_t generation = 0;
    std::int32_t sessionId = 0;
    bool operator==(const ConnectionTag&) const = default;
};

class Connection {
  public:
    // When Connect starts watching the socket: at once, or later, by the caller (the connect
    // operation, once the state its reply belongs to is recorded).
    enum class Watch { kAtOnce, kLater };

    static constexpr std::int32_t kMaxBlock = 8192;

    Connection(const char* host, const char* service, NotificationTarget* window,
               std::int32_t timeoutSeconds);
    ~Connection();  // Destroy: closes the socket, frees both frames, wipes the key password
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void SetHost(const char* host);
    void SetService(const char* service);
    void SetTimeout(std::int32_t seconds);  // negative counts as 0
    void SetWindow(NotificationTarget* window);
    void SetLineParameters(std::int32_t blockSize, std::int32_t lineRate);
    void SetKeyPassword(const char* password);  // kept for the asynchronous handlers
    const char* KeyPassword() const { return keyPassword_; }

    // Resolves, connects (blocking, the system's time-out), makes the socket non-blocking and
    // enables notifications (unless kLater). 0 or a status code; a failure leaves no socket
    // behind. A new generation, no session bound.
    std::int32_t Connect(Watch watch = Watch::kAtOnce);
    // Takes over fd, a stream socket already connected to a peer (a test's or a fuzzer's
    // feeder), as Connect would have left it: a new generation, no session bound, no
    // notifications (call EnableNotifications when wanted). The descriptor is used as it is:
    // its blocking mode is kept, so a blocking one makes each receive wait for its bytes
    // instead of pacing its retries. The connection owns fd from now on (Close closes it); a
    // socket held before is closed first. Caller's thread, with no receive or send in
    // progress, like Connect. 0, or 40053 for a negative descriptor (nothing taken over).
    std::int32_t Adopt(int fd);
    // Stops notifications, shuts the socket down, waits for a receive in progress, closes the
    // socket, frees both frames and the message fields. A new generation, no session bound.
    void Close();
    bool IsConnected() const { return connected_ != 0; }
    int Socket() const { return socket_; }
    ConnectionTag Tag() const;
    // Binds the session claimed for the current generation.
    void BindSession(std::int32_t sessionId);

    // Frames.
    void SetCharacteristic(const char* text);
    void SetMessageType(const char* text);
    void SetData(const void* bytes, std::uint32_t count);
    void SetData2(const void* bytes, std::uint32_t count);
    std::int32_t BuildFrame();  // 0, 40100, or 40004 when the data exceed 9,998 bytes
    std::int32_t SendFrame();   // paced; frees the send buffer and clears the outgoing fields
    // 0: a frame is in the incoming message; 49998: a server keep-alive was consumed; 49999:
    // nothing was waiting; else a status code. A close by the peer in the middle of a frame
    // ends it at once with 40064 (40001 when the bytes already in cannot start a frame).
    std::int32_t ReceiveFrame();
    // The same, for the connection of generation only: 49999 (nothing read) once another
    // generation has begun.
    std::int32_t ReceiveFrameOf(std::uint32_t generation);
    std::int32_t ParseLineParameters();  // from the incoming data; 0
    const IncomingMessage& Incoming() const { return incoming_; }

    // What the connection awaits from the server (awaiting.h).
    void SetAwaiting(Awaiting awaited) { awaiting_ = awaited; }
    Awaiting Awaited() const { return awaiting_; }

    // Start or stop the window's watch of the socket; true without a window (nothing to tell).
    // False with the socket error set (platform::LastSocketError) when there is no socket or
    // the window refuses.
    bool EnableNotifications();
    bool DisableNotifications();
    int HasData();  // nonzero when data can be read now; -1 when that cannot be told

    std::int32_t BlockSize() const { return blockSize_; }
    std::int32_t LineRate() const { return lineRate_; }
    std::int32_t TimeoutSeconds() const { return timeoutSeconds_; }

    // Held by every sender around "set fields, build, send, record the awaited state", and by
    // whoever turns notifications back on afterwards, so that no thread reads a reply before
    // the state it belongs to is recorded and no two senders mix their outgoing fields.
    std::recursive_mutex& SendLock() { return sendLock_; }

  private:
    std::int32_t SendPaced(const std::uint8_t* frame, std::int32_t length);
    std::int32_t ReceiveLocked(int fd);
    void NewGeneration();  // the next generation, no session bound
    std::int32_t ReadUntil(int fd, std::uint8_t* buffer, std::int32_t want, std::int32_t* have,
                           std::chrono::steady_clock::time_point* lastData);

    std::atomic<NotificationTarget*> window_{nullptr};
    std::atomic<int> socket_{-1};
    // Guards host_, service_, keyPassword_, both buffers and lengths and both messages.
    mutable std::mutex mutex_;
    std::recursive_mutex sendLock_;
    std::mutex receiveLock_;  // held by a receive; Close waits for it before closing the socket
    std::atomic<std::uint64_t> tag_{0};  // generation in the high half, session id in the low
    char host_[254] = {};
    char service_[254] = {};
    char keyPassword_[256] = {};
    std::unique_ptr<std::uint8_t[]> recvBuffer_;
    std::unique_ptr<std::uint8_t[]> sendBuffer_;
    std::int32_t sendLength_ = 0;
    std::int32_t recvLength_ = 0;
    std::atomic<std::int32_t> blockSize_{kMaxBlock};
    std::atomic<std::int32_t> lineRate_{0};
    std::atomic<std::int32_t> timeoutSeconds_{0};
    // Read and written by the caller's thread, the event thread and the watchdog's tick.
    std::atomic<Awaiting> awaiting_{Awaiting::kNothing};
    std::atomic<std::uint32_t> connected_{0};
    OutgoingMessage outgoing_;
    IncomingMessage incoming_;
};

}  // namespace vkt::runtime
