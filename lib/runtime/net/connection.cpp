// The connection object: fields, message setters, frame building, notifications, close.
#include "runtime/net/connection.h"

#include <cstring>

#include "platform/sockets.h"
#include "runtime/status/status_code.h"

namespace vkt::runtime {

namespace {

// Copies text into a fixed field, truncating, zero-filling the rest; null counts as "".
template <std::size_t N>
void CopyField(char (&field)[N], const char* text) {
    std::size_t n = 0;
    if (text != nullptr) {
        while (n < N - 1 && text[n] != 0) ++n;
        std::memcpy(field, text, n);
    }
    std::memset(field + n, 0, N - n);
}

// Clears a secret through a volatile pointer, so the stores are not dropped as dead.
void Wipe(char* secret, std::size_t size) {
    volatile char* bytes = secret;
    for (std::size_t i = 0; i < size; ++i) bytes[i] = 0;
}

}  // namespace

Connection::Connection(const char* host, const char* service, NotificationTarget* window,
                       std::int32_t timeoutSeconds)
    : window_(window) {
    CopyField(host_, host);
    CopyField(service_, service);
    SetTimeout(timeoutSeconds);
}

Connection::~Connection() {
    Close();
    Wipe(keyPassword_, sizeof keyPassword_);
}

void Connection::SetHost(const char* host) {
    std::lock_guard lock(mutex_);
    CopyField(host_, host);
}

void Connection::SetService(const char* service) {
    std::lock_guard lock(mutex_);
    CopyField(service_, service);
}

void Connection::SetTimeout(std::int32_t seconds) {
    timeoutSeconds_ = seconds < 0 ? 0 : seconds;
}

void Connection::SetWindow(NotificationTarget* window) {
    window_ = window;
}

void Connection::SetLineParameters(std::int32_t blockSize, std::int32_t lineRate) {
    blockSize_ = (blockSize >= 1 && blockSize <= kMaxBlock) ? blockSize : kMaxBlock;
    lineRate_ = lineRate;
}

void Connection::SetKeyPassword(const char* password) {
    std::lock_guard lock(mutex_);
    CopyField(keyPassword_, password);
}

ConnectionTag Connection::Tag() const {
    const std::uint64_t tag = tag_.load();
    return ConnectionTag{static_cast<std::uint32_t>(tag >> 32),
                         static_cast<std::int32_t>(static_cast<std::uint32_t>(tag))};
}

void Connection::BindSession(std::int32_t sessionId) {
    std::uint64_t tag = tag_.load();
    const std::uint64_t generation = tag & 0xFFFFFFFF00000000u;
    while (!tag_.compare_exchange_weak(tag, generation | static_cast<std::uint32_t>(sessionId))) {
    }
}

void Connection::NewGeneration() {
    std::uint64_t tag = tag_.load();
    while (!tag_.compare_exchange_weak(tag, ((tag >> 32) + 1) << 32)) {
    }
}

void Connection::Close() {
    const int fd = socket_.exchange(-1);
    connected_ = 0;
    NewGeneration();
    if (fd >= 0) {
        // The window must not keep watching a descriptor number that may be reused.
        if (NotificationTarget* window = window_.load()) window->WatchSocket(fd, false);
        // A receive in progress sees the end of the stream at once; the descriptor is freed
        // only after it has returned.
        platform::ShutdownSocket(fd);
        std::lock_guard reading(receiveLock_);
        platform::CloseSocket(fd);
    }
    std::lock_guard lock(mutex_);
    sendBuffer_.reset();
    sendLength_ = 0;
    outgoing_.Clear();
    recvBuffer_.reset();
    recvLength_ = 0;
    incoming_.Clear();
}

void Connection::SetCharacteristic(const char* text) {
    std::lock_guard lock(mutex_);
    outgoing_.characteristic = text != nullptr ? text[0] : 0;
}

void Connection::SetMessageType(const char* text) {
    std::lock_guard lock(mutex_);
    outgoing_.messageType = text != nullptr ? text[0] : 0;
}

void Connection::SetData(const void* bytes, std::uint32_t count) {
    std::lock_guard lock(mutex_);
    outgoing_.SetData(bytes, count);
}

void Connection::SetData2(const void* bytes, std::uint32_t count) {
    std::lock_guard lock(mutex_);
    outgoing_.SetData2(bytes, count);
}

std::int32_t Connection::BuildFrame() {
    std::lock_guard lock(mutex_);
    sendLength_ = 0;
    std::uint32_t length = 0;
    const std::int32_t status = runtime::BuildFrame(outgoing_, &sendBuffer_, &length);
    if (status == 0) sendLength_ = static_cast<std::int32_t>(length);
    return status;
}

std::int32_t Connection::ParseLineParameters() {
    std::int32_t rate = 0;
    std::int32_t size = 0;
    {
        std::lock_guard lock(mutex_);
        runtime::ParseLineParameters(incoming_.Text(), &rate, &size);
    }
    SetLineParameters(size, rate);
    return 0;
}

bool Connection::EnableNotifications() {
    const int fd = socket_;
    if (fd < 0) {
        platform::NoteNotConnected();
        return false;
    }
    NotificationTarget* window = window_;
    return window == nullptr || window->WatchSocket(fd, true);
}

bool Connection::DisableNotifications() {
    const int fd = socket_;
    if (fd < 0) {
        platform::NoteNotConnected();
        return false;
    }
    NotificationTarget* window = window_;
    return window == nullptr || window->WatchSocket(fd, false);
}

int Connection::HasData() {
    const int fd = socket_;
    if (fd < 0) return 0;
    return platform::ReadableNow(fd);
}

}  // namespace vkt::runtime
