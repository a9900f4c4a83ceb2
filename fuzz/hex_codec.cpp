// The text encodings of the cryptographic layer (hexadecimal in its variants, Base64, raw).
//
// Input: byte 0 is the conversion mask, byte 1 the number of bytes to decode, the rest the
// text (given a terminator, as every caller's text has). The text is decoded; then the rest
// of the input, taken as bytes, is encoded under the mask and must decode back to itself.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "crypto/crypto.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vkt::crypto;
    if (size < 2) return 0;
    const std::uint8_t mask = data[0];
    const std::uint32_t count = data[1];
    const std::uint8_t* rest = data + 2;
    const std::size_t restSize = size - 2;
    if (!CryptoMaskValid(mask)) return 0;

    // Raw text is count bytes by contract (no terminator stops it): the harness provides them.
    std::vector<char> text(rest, rest + restSize);
    text.push_back('\0');
    if (text.size() < count) text.resize(count, '\0');
    std::vector<std::uint8_t> decoded(count + 1);
    const std::uint32_t used = CryptoDecode(decoded.data(), text.data(), count, mask);
    // Hexadecimal reports the characters it read, which never run past the terminator.
    if ((mask & 0x80) == 0 && (mask & 0x03) != 0 && used > restSize) std::abort();

    // Whatever the mask, encoding then decoding gives the bytes back.
    std::vector<char> encoded(4 * restSize + 16);
    CryptoEncode(encoded.data(), rest, static_cast<std::uint32_t>(restSize), mask);
    if ((mask & 0x03) != 0 || (mask & 0x80) != 0) encoded[encoded.size() - 1] = '\0';
    std::vector<std::uint8_t> back(restSize + 1);
    const std::uint32_t again =
        CryptoDecode(back.data(), encoded.data(), static_cast<std::uint32_t>(restSize), mask);
    if (restSize != 0 && again == 0) std::abort();
    if (restSize != 0 && std::memcmp(back.data(), rest, restSize) != 0) std::abort();
    return 0;
}
