// Linux socket and resolver errors mapped to the socket error numbers of the catalogue.
#pragma once

#include <cstdint>

namespace vkt::platform {

// errno -> socket error number (ECONNRESET -> 10054, ...); unmapped values keep a catalogue
// number that says what happened (documented in the .cpp).
std::int32_t SocketErrorNumber(int errnoValue);
// getaddrinfo()/getservbyname() failures -> 11001 .. 11004.
std::int32_t ResolverErrorNumber(int gaiError);

}  // namespace vkt::platform
