// The session-key envelope, sent as hexadecimal text of:
//
//   offset  size  content
//   0       2     modulus size in bits, big-endian
//   2       k     RSA block (k = modulus bytes): 00 02 PS 00 D, PS at least 8 random non-zero
//                 bytes, encrypted with the user's public key
//
// with the payload D, big-endian:
//
//   0       2     cipher identifier (101..103)
//   2       2     key length L
//   4       2     vector length V (8)
//   6       L     key
//   6+L     V     initialisation vector
#pragma once

#include <openssl/evp.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vkt::server {

// The envelope text for key and vector; false when the key cannot encrypt the payload.
bool SealEnvelope(EVP_PKEY* publicKey, int cipher, const std::vector<std::uint8_t>& key,
                  const std::uint8_t (&vector)[8], std::string* text);

}  // namespace vkt::server
