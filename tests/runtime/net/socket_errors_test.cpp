// Linux errors reach callers as the catalogue's socket codes, each with its text.
#include "platform/posix/socket_errors.h"

#include <gtest/gtest.h>
#include <netdb.h>

#include <cerrno>
#include <cstring>

#include "runtime/net/socket_status.h"
#include "runtime/status/catalogue.h"
#include "runtime/status/status_code.h"

namespace vkt::runtime {
namespace {

TEST(SocketErrors, FixedPairsComposeWithTheNetworkDigit) {
    struct Case {
        int error;
        std::int32_t status;
    };
    const Case cases[] = {
        {ECONNRESET, 110054},   {ECONNREFUSED, 110061},  {ETIMEDOUT, 110060},
        {ENETUNREACH, 110051},  {EHOSTUNREACH, 110065},  {ENOTCONN, 110057},
        {EWOULDBLOCK, 110035},  {EINVAL, 110022},        {EMFILE, 110024},
        {EADDRINUSE, 110048},   {EADDRNOTAVAIL, 110049}, {ENETDOWN, 110050},
        {ECONNABORTED, 110053}, {ENOBUFS, 110055},       {EISCONN, 110056},
        {EPIPE, 110058},        {EALREADY, 110037},      {EINPROGRESS, 110036},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SocketStatus(platform::SocketErrorNumber(c.error)), c.status)
            << strerror(c.error);
    EXPECT_STREQ(CatalogueText(MessageIdFor(SocketStatus(platform::SocketErrorNumber(ECONNRESET)))),
                 "La conexi\xF3n fue reseteada por el lado remoto");
}

// Whatever errno a socket call leaves, the code the caller sees is a network code with a
// catalogue text, in the range the client recognises (110022 .. 111004).
TEST(SocketErrors, EveryErrnoGetsANetworkCodeWithText) {
    for (int error = 0; error < 200; ++error) {
        const std::int32_t status = SocketStatus(platform::SocketErrorNumber(error));
        EXPECT_GE(status, 110022) << error;
        EXPECT_LE(status, 111004) << error;
        EXPECT_STRNE(CatalogueText(MessageIdFor(status)), "") << error << " -> " << status;
    }
}

TEST(SocketErrors, ResolverFailures) {
    EXPECT_EQ(platform::ResolverErrorNumber(EAI_NONAME), 11001);
    EXPECT_EQ(platform::ResolverErrorNumber(EAI_AGAIN), 11002);
    EXPECT_EQ(platform::ResolverErrorNumber(EAI_FAIL), 11003);
    EXPECT_EQ(platform::ResolverErrorNumber(EAI_NODATA), 11004);
    const int resolverErrors[] = {EAI_BADFLAGS, EAI_NONAME,   EAI_AGAIN,     EAI_FAIL,
                                  EAI_FAMILY,   EAI_SOCKTYPE, EAI_SERVICE,   EAI_MEMORY,
                                  EAI_OVERFLOW, EAI_NODATA,   EAI_ADDRFAMILY};
    for (int error : resolverErrors) {
        const std::int32_t number = platform::ResolverErrorNumber(error);
        EXPECT_STRNE(CatalogueText(number), "") << gai_strerror(error);
    }
    errno = ECONNREFUSED;
    EXPECT_EQ(platform::ResolverErrorNumber(EAI_SYSTEM), 10061);
}

}  // namespace
}  // namespace vkt::runtime
