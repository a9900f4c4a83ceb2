// Sockets on Windows: Winsock 2.2, started and ended with the library. Failures are the
// WSAGetLastError() values themselves, which are the catalogue's socket numbers.
#include "platform/sockets.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace vkt::platform {

namespace {

SOCKET AsSocket(SocketHandle socket) {
    return static_cast<SOCKET>(static_cast<unsigned int>(socket));
}

}  // namespace

bool StartSockets() {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

void StopSockets() {
    WSACleanup();
}

int SendSome(SocketHandle socket, const void* bytes, int count, std::int32_t* error) {
    const int n = ::send(AsSocket(socket), static_cast<const char*>(bytes), count, 0);
    if (n >= 0) {
        if (n == 0) *error = 0;
        return n;
    }
    *error = WSAGetLastError();
    return *error == WSAEWOULDBLOCK ? 0 : -1;
}

int ReceiveSome(SocketHandle socket, void* into, int count, std::int32_t* error) {
    const int n = ::recv(AsSocket(socket), static_cast<char*>(into), count, 0);
    if (n >= 0) return n;
    *error = WSAGetLastError();
    return -1;
}

int ReadableNow(SocketHandle socket) {
    WSAPOLLFD entry{};
    entry.fd = AsSocket(socket);
    entry.events = POLLRDNORM;
    const int ready = WSAPoll(&entry, 1, 0);
    if (ready == SOCKET_ERROR) return -1;
    return (entry.revents & (POLLRDNORM | POLLHUP | POLLERR)) != 0 ? 1 : 0;
}

void ShutdownSocket(SocketHandle socket) {
    ::shutdown(AsSocket(socket), SD_BOTH);
}

void CloseSocket(SocketHandle socket) {
    ::closesocket(AsSocket(socket));
}

std::int32_t LastSocketError() {
    return WSAGetLastError();
}

void NoteNotConnected() {
    WSASetLastError(WSAENOTCONN);
}

}  // namespace vkt::platform
