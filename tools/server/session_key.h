// Fresh session keys: random bytes of the cipher's key length, each 8-byte DES key with odd
// parity, none of them weak or semi-weak, and the parts of a triple-DES key all different (equal
// parts would make it single DES).
#pragma once

#include <cstdint>
#include <vector>

namespace vkt::server {

// false when the random generator fails or the cipher is unknown.
bool MakeSessionKey(int cipher, std::vector<std::uint8_t>* key);

// True for the 4 weak and 12 semi-weak DES keys, whatever their parity bits.
bool IsWeakDesKey(const std::uint8_t* key);

}  // namespace vkt::server
