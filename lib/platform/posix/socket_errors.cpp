// errno and resolver failures -> the socket error numbers that the catalogue has texts for.
//
// The fixed pairs (ECONNRESET -> 10054, ...) are the socket numbering of the catalogue. Values
// without a counterpart of their own take the catalogue number whose text says what happened:
//   EBADF, ENOTSOCK                 10038 operation on an invalid socket
//   EPROTOTYPE                      10041 wrong protocol type
//   ENOPROTOOPT                     10042 wrong protocol option
//   EPROTONOSUPPORT, ESOCKTNOSUPPORT 10043 protocol not supported
//   EOPNOTSUPP                      10045 operation not supported
//   EPFNOSUPPORT, EAFNOSUPPORT      10046 protocol family not supported (10047 reads as
//                                         "operation in progress" in the catalogue)
//   ENETRESET                       10052 connection must be reset
//   ESHUTDOWN                       10058 no sends or receives after a shutdown
//   EHOSTDOWN                       10064 the server has stopped
//   ENONET                          10051 network unreachable
//   ENFILE                          10024 too many open files
//   ENOMEM, ENOSR                   10055 not enough space for the operation
//   EACCES, EPERM                   10061 connection refused (a local rule or a broadcast
//                                         destination forbids it)
//   EINTR                           10036 a blocking operation (every call here retries an
//                                         interruption first, so this is a last resort)
//   EDESTADDRREQ, EMSGSIZE, EFAULT  10022 invalid argument
//   anything else                   10050 the network subsystem failed
// Resolver: EAI_NONAME 11001, EAI_AGAIN 11002, EAI_FAIL 11003, EAI_NODATA and EAI_ADDRFAMILY
// (the name exists but has no IPv4 address) 11004, EAI_SERVICE 11004, EAI_MEMORY 10055,
// EAI_SYSTEM the errno mapping above, any other resolver failure 11003 (no recovery).
#include "platform/posix/socket_errors.h"

#include <netdb.h>

#include <cerrno>

namespace vkt::platform {

std::int32_t SocketErrorNumber(int errnoValue) {
    switch (errnoValue) {
        case ECONNRESET:
            return 10054;
        case ECONNREFUSED:
            return 10061;
        case ETIMEDOUT:
            return 10060;
        case ENETUNREACH:
            return 10051;
        case EHOSTUNREACH:
            return 10065;
        case ENOTCONN:
            return 10057;
        case EWOULDBLOCK:
            return 10035;
#if EAGAIN != EWOULDBLOCK
        case EAGAIN:
            return 10035;
#endif
        case EINVAL:
            return 10022;
        case EMFILE:
            return 10024;
        case EADDRINUSE:
            return 10048;
        case EADDRNOTAVAIL:
            return 10049;
        case ENETDOWN:
            return 10050;
        case ECONNABORTED:
            return 10053;
        case ENOBUFS:
            return 10055;
        case EISCONN:
            return 10056;
        case EPIPE:
            return 10058;
        case EALREADY:
            return 10037;
        case EINPROGRESS:
            return 10036;

        case EBADF:
        case ENOTSOCK:
            return 10038;
        case EPROTOTYPE:
            return 10041;
        case ENOPROTOOPT:
            return 10042;
        case EPROTONOSUPPORT:
        case ESOCKTNOSUPPORT:
            return 10043;
        case EOPNOTSUPP:
            return 10045;
        case EPFNOSUPPORT:
        case EAFNOSUPPORT:
            return 10046;
        case ENETRESET:
            return 10052;
        case ESHUTDOWN:
            return 10058;
        case EHOSTDOWN:
            return 10064;
        case ENONET:
            return 10051;
        case ENFILE:
            return 10024;
        case ENOMEM:
        case ENOSR:
            return 10055;
        case EACCES:
        case EPERM:
            return 10061;
        case EINTR:
            return 10036;
        case EDESTADDRREQ:
        case EMSGSIZE:
        case EFAULT:
            return 10022;
        default:
            return 10050;
    }
}

std::int32_t ResolverErrorNumber(int gaiError) {
    switch (gaiError) {
        case EAI_NONAME:
            return 11001;
        case EAI_AGAIN:
            return 11002;
        case EAI_FAIL:
            return 11003;
        case EAI_NODATA:
        case EAI_ADDRFAMILY:
        case EAI_SERVICE:
            return 11004;
        case EAI_MEMORY:
            return 10055;
        case EAI_SYSTEM:
            return SocketErrorNumber(errno);
        default:
            return 11003;
    }
}

}  // namespace vkt::platform
