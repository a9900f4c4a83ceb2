// ConnectStream on Windows: service and host resolution (IPv4 and IPv6), a blocking connect to
// each address in turn, then the non-blocking mode. getservbyname's result lives in the calling
// thread's own Winsock storage, so no other thread's look-up can change it.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>

#include "platform/host_addresses.h"
#include "platform/service_port.h"
#include "platform/sockets.h"

namespace vkt::platform {

namespace {

constexpr std::int32_t kNoData = 11004;  // name valid, nothing associated with it
using detail::AddressWithPort;
using detail::HostAddresses;
using detail::kBadAddress;

// getaddrinfo's failures are socket error numbers already (WSAHOST_NOT_FOUND, ...).
std::int32_t ResolverError(int error) {
    return error;
}

// Port of a TCP service name, else of a decimal port number (digits only, 1 to 65535, with
// blanks before and after them allowed). A text that is neither gives 11004.
std::int32_t ResolveService(const char* service, std::uint16_t* portNetworkOrder) {
    if (const servent* found = ::getservbyname(service, "tcp"); found != nullptr) {
        *portNetworkOrder = static_cast<std::uint16_t>(found->s_port);
        return 0;
    }
    std::uint16_t port = 0;
    if (!ParsePortNumber(service, &port)) return kNoData;
    *portNetworkOrder = htons(port);
    return 0;
}

// A new TCP socket of the address's family connected to it without Nagle delay, or
// INVALID_SOCKET with the error in *error (nothing left open).
SOCKET OpenConnected(const sockaddr* address, int size, std::int32_t* error) {
    const SOCKET fd = ::WSASocketW(address->sa_family, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                                   WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (fd == INVALID_SOCKET) {
        *error = WSAGetLastError();
        return INVALID_SOCKET;
    }
    const BOOL on = TRUE;
    if (::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on) ==
            0 &&
        ::connect(fd, address, size) == 0)
        return fd;
    *error = WSAGetLastError();
    ::closesocket(fd);
    return INVALID_SOCKET;
}

// Every IPv4 and IPv6 address of the list, in its order, with the port, until one connects.
SOCKET ConnectToFirstOf(const addrinfo* list, std::uint16_t portNetworkOrder, std::int32_t* error) {
    *error = kBadAddress;
    for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
        sockaddr_storage address{};
        const int size = AddressWithPort(entry, portNetworkOrder, &address);
        if (size == 0) continue;
        const SOCKET fd = OpenConnected(reinterpret_cast<const sockaddr*>(&address), size, error);
        if (fd != INVALID_SOCKET) return fd;
    }
    return INVALID_SOCKET;
}

}  // namespace

std::int32_t ConnectStream(const char* host, const char* service, SocketHandle* socket) {
    *socket = kInvalidSocket;
    std::uint16_t port = 0;
    if (const std::int32_t failure = ResolveService(service, &port); failure != 0) return failure;
    std::int32_t error = 0;
    SOCKET fd = INVALID_SOCKET;
    {
        HostAddresses addresses;
        if (const std::int32_t failure = addresses.Resolve(host, ResolverError); failure != 0)
            return failure;
        fd = ConnectToFirstOf(addresses.List(), port, &error);
        if (fd == INVALID_SOCKET) return error;
    }
    u_long nonBlocking = 1;
    if (::ioctlsocket(fd, FIONBIO, &nonBlocking) != 0) {
        error = WSAGetLastError();
        ::closesocket(fd);
        return error;
    }
    *socket = static_cast<SocketHandle>(fd);
    return 0;
}

}  // namespace vkt::platform
