// Checks the signature of a received file: hexadecimal text of
//
//   offset  size  content
//   0       2     modulus size in bits, big-endian (must be the user's key's)
//   2       k     RSA block 00 01 FF..FF 00 D (at least 8 bytes 0xFF), made with the private key
//
// whose payload D must be 01 2F 00 10 00 00 followed by the 16-byte MD5 digest of the blocks
// received (digest identifier 303, length 16, a zero field).
#pragma once

#include <openssl/evp.h>

#include <cstdint>
#include <string>

namespace vkt::server {

// True only when the text is well formed and carries exactly this digest. A trailing NUL of the
// text is tolerated.
bool CheckSignature(EVP_PKEY* publicKey, const std::string& text, const std::uint8_t (&md5)[16]);

}  // namespace vkt::server
