// Writer of private-key files, for the key generator and the tests (OpenSSL libcrypto).
//
// A key file, S = file size, N = key-text length, L = blob length:
//
//   offset      size  content
//   0           18    header: the ASCII text "VKT PRIVATE KEY 1\n" (format name and version)
//   18          4     N as four ASCII decimal digits, "0001" .. "9999"
//   22          N     key text: the key blob in lower-case hexadecimal, two digits per byte
//   22 + N      1     trailer: "\n"
//   S - 41      40    SHA-1 of bytes 0 .. S - 42, lower-case hexadecimal
//   S - 1       1     "\n"
//
// Key blob (N = 2L), protected by a password:
//
//   0        2       L, big-endian (counts these two bytes)
//   2        8       random initialisation vector
//   10       L - 26  key record enciphered with two-key triple DES in CBC, padding of n bytes
//                    of value n (1..8); key = MD5 of the password's Latin-1 bytes
//                    (K1 = digest bytes 0-7, K2 = bytes 8-15, K3 = K1)
//   L - 16   16      MD5 of the plain key record
//
// Unprotected key blob (empty password):
//
//   0        2       L
//   2        2       R, the length of the plain record, big-endian
//   4        6       zero
//   10       L - 26  the record, then zero filler up to a multiple of 8 (at least 8 bytes)
//   L - 16   16      MD5 of the plain key record
//
// Key record, big-endian: modulus size in bits (2), kind (2: 1 private, 2 public), then n, e and,
// for kind 1, d, p, q, dp, dq, u with u = p^-1 mod q; each integer as a 2-byte length M
// followed by M bytes, most significant first, without leading zero bytes.
#pragma once

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace vkt::keygen {

// Allocator that wipes memory before giving it back: for records, blobs and passwords.
template <typename T>
struct CleansingAllocator {
    using value_type = T;
    CleansingAllocator() = default;
    template <typename U>
    CleansingAllocator(const CleansingAllocator<U>&) {}
    T* allocate(std::size_t n) { return std::allocator<T>().allocate(n); }
    void deallocate(T* p, std::size_t n) {
        OPENSSL_cleanse(p, n * sizeof(T));
        std::allocator<T>().deallocate(p, n);
    }
    template <typename U>
    bool operator==(const CleansingAllocator<U>&) const {
        return true;
    }
};

using SecretBytes = std::vector<std::uint8_t, CleansingAllocator<std::uint8_t>>;

// Every failure of the writer (a key OpenSSL cannot export, a record or text too long for its
// length field, a failing cipher).
class KeyFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

constexpr char kKeyFileHeader[] = "VKT PRIVATE KEY 1\n";
constexpr std::size_t kKeyFileHeaderSize = 18;
constexpr std::size_t kMaxKeyTextLength = 9999;

enum KeyKind : std::uint16_t { kKindPrivate = 1, kKindPublic = 2 };

// The key record of an RSA key: kind 1 carries every field, kind 2 only n and e.
SecretBytes BuildKeyRecord(const EVP_PKEY* key, KeyKind kind);

// One integer field of a record: 2-byte length, then the bytes (appended to record).
void AppendRecordInteger(SecretBytes& record, const std::uint8_t* bytes, std::size_t length);

// The key blob around a record: protected when the password (Latin-1 bytes) is not empty.
SecretBytes BuildKeyBlob(const SecretBytes& record, const SecretBytes& password);

// The key text of a blob: lower-case hexadecimal.
SecretBytes BuildKeyText(const SecretBytes& blob);

// The whole file around a key text; refuses an empty text or one longer than
// kMaxKeyTextLength.
SecretBytes BuildKeyFile(const SecretBytes& keyText);

// The whole file of a key: record, blob, text and file in one step.
SecretBytes BuildPrivateKeyFile(const EVP_PKEY* key, const SecretBytes& password);

}  // namespace vkt::keygen
