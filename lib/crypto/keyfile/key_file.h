// Checks on the bytes of a private-key file, for the callers that read the file (the connect
// operation and the key context); the cryptographic layer itself reads no files.
//
// File layout, S = file size:
//   0        18  header, not interpreted (covered by the file digest)
//   18       4   N, the length of the key text, four ASCII decimal digits (leading blanks
//                are read as zeros: " 512")
//   22       N   key text: the key blob in hexadecimal (see CryptoRsaKeyLoad)
//   22 + N   any further bytes, not interpreted (covered by the file digest)
//   S - 41   40  file digest: SHA-1 of bytes 0 .. S - 42 as hexadecimal digits (either case)
//   S - 1    1   last byte, not read
#pragma once

#include <cstddef>
#include <cstdint>

namespace vkt::crypto {

constexpr std::size_t kKeyFileLengthOffset = 18;
constexpr std::size_t kKeyFileTextOffset = 22;
constexpr std::size_t kKeyFileDigestTail = 41;  // the digest digits and the last byte

// The file digest rule: the SHA-1 of bytes 0 .. S - 42 against the 40 digits at S - 41, both
// taken as digest objects and compared.
//   0     the digest matches
//   -403  the digest differs (the file is damaged)
//   -204  the digits are not 40 hexadecimal digits, or the file is too short to hold the
//         header, the length digits and the digest (S < 22 + 41)
std::int32_t KeyFileVerifyDigest(const std::uint8_t* file, std::size_t size);

// The key text rule: N from the four digits at offset 18, the text is N bytes at offset 22.
//   0     *offset = 22, *length = N
//   -204  the file is too short to hold the length digits, or they are not blanks followed by
//         digits
//   -202  N is 0 (the key cannot be read for use)
//   -607  the text runs into the file digest or past the end of the file (22 + N > S - 41)
// Nothing is written to *offset and *length on failure.
std::int32_t KeyFileLocateKeyText(const std::uint8_t* file, std::size_t size, std::size_t* offset,
                                  std::size_t* length);

}  // namespace vkt::crypto
