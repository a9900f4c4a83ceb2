// TCP sockets as the connection uses them. Every failure is given as a socket error number of
// the catalogue (10022 .. 11004): on Windows the WSAGetLastError() value as it is, on Linux the
// errno or resolver error mapped to it (platform/posix/socket_errors.h). A SocketHandle is a
// descriptor on Linux and the SOCKET value on 32-bit Windows; kInvalidSocket is -1 on both
// (INVALID_SOCKET there).
//
// Threads: any thread; one socket is read by one thread at a time and written by one thread
// at a time. LastSocketError() is the calling thread's own.
#pragma once

#include <cstdint>

namespace vkt::platform {

using SocketHandle = int;
constexpr SocketHandle kInvalidSocket = -1;

constexpr std::int32_t kWouldBlock = 10035;
constexpr std::int32_t kNotConnected = 10057;
constexpr std::int32_t kConnectionReset = 10054;

// The socket library's start and end in this process (WSAStartup/WSACleanup on Windows,
// nothing on Linux), from the library's load and unload. True when sockets can be used.
bool StartSockets();
void StopSockets();

// Resolves service (a TCP service name, else a decimal port with blanks around it allowed)
// and host (a dotted IPv4 address as inet_addr reads it, an IPv6 address, else a name to
// resolve), connects to each address in turn with the system's own time-out, and returns the
// connected socket, without Nagle delay and non-blocking. 0 with *socket set, or the socket
// error number with nothing left open: 11004 for a service that is neither, 10049 for an
// address that is not valid, 11001 .. 11004 from the resolver.
std::int32_t ConnectStream(const char* host, const char* service, SocketHandle* socket);

// Sends up to count bytes, never waiting: the count sent; 0 when none went (*error kWouldBlock
// when the socket cannot take any now, else 0); or -1 with *error set.
int SendSome(SocketHandle socket, const void* bytes, int count, std::int32_t* error);
// Receives up to count bytes, never waiting: the count received, 0 at the end of the stream,
// or -1 with *error set (kWouldBlock: nothing waiting).
int ReceiveSome(SocketHandle socket, void* into, int count, std::int32_t* error);
// 1 when a receive would return at once (data, end of stream or an error), 0 when not, -1
// when that cannot be told.
int ReadableNow(SocketHandle socket);
// Ends both directions: a receive in progress on another thread returns at once.
void ShutdownSocket(SocketHandle socket);
void CloseSocket(SocketHandle socket);

// The socket error number of this thread's last failed socket call.
std::int32_t LastSocketError();
// Records kNotConnected as this thread's last socket error (an operation without a socket).
void NoteNotConnected();

}  // namespace vkt::platform
