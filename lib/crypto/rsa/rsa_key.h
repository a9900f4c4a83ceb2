// RSA key objects and RSA block objects, and the arithmetic and block routines behind the
// signature, envelope and key-file operations.
#pragma once

#include <cstddef>
#include <cstdint>

#include "crypto/crypto.h"
#include "crypto/int/mp.h"

namespace vkt::crypto {

// Kinds of a key record and of an RsaKey: 1 is a private key, every other value a public one.
constexpr std::int32_t kRsaKindPrivate = 1;
constexpr std::int32_t kRsaMaxBits = 8192;

// An RSA key (handle type 8 when kind is 1, else 4). Public keys carry n and e only; private
// keys all ten fields, with dp = d mod (p - 1), dq = d mod (q - 1) and u = p^-1 mod q (the
// inverse of the FIRST prime modulo the second). d is kept but unused: private operations run
// by the Chinese remainder theorem. Invariants of a loaded key: bits - 1 <= bit length of n
// <= bits (n fills its k = ceil(bits / 8) bytes, or falls one bit short of the size declared),
// 1 <= bits <= 8192, n > 1 and, for private keys, p > 1 and q > 1. Nothing ties e to dp and dq
// in a record: the private operation does not rely on it.
struct RsaKey {
    std::int32_t bits;
    std::int32_t kind;
    mp::MpInt n, e, d, p, q, dp, dq, u;
};

// An RSA block (handle type 16 for a signature, 32 for an envelope): the modulus size in bits
// and k = ceil(bits / 8) bytes, most significant first, stored right behind the header.
struct RsaBlock {
    std::int32_t bits;
    std::uint32_t size;  // k
    std::uint8_t* bytes() { return reinterpret_cast<std::uint8_t*>(this + 1); }
    const std::uint8_t* bytes() const { return reinterpret_cast<const std::uint8_t*>(this + 1); }
};

inline std::uint32_t RsaModulusBytes(std::int32_t bits) {
    return static_cast<std::uint32_t>(bits + 7) / 8;
}

// Frees every integer of the key and the key object itself (all wiped). Null is ignored.
void RsaKeyDestroy(RsaKey* key);

// Builds a key from a plain key record (big-endian: bits 2, kind 2, then n, e and for kind 1
// d, p, q, dp, dq, u, each a 2-byte length M and M bytes). Refuses with -604, before any
// arithmetic, a record too short for its fields, a field running past its end, an integer of
// more than 8192 bits, n, p or q below 2, and a size field that is 0, above 8192, below the
// bit length of n or more than one bit above it. Bytes after the last field are ignored.
std::int32_t RsaKeyParseRecord(const std::uint8_t* record, std::size_t size, RsaKey** out);

RsaBlock* RsaBlockCreate(std::int32_t bits);  // zero-filled, k = ceil(bits / 8)
void RsaBlockDestroy(RsaBlock* block);        // wiped; null is ignored

// ---- Integers and the RSA primitive ----

// Integer from bytes, most significant first; leading zero bytes are skipped.
void RsaIntFromBytes(const std::uint8_t* bytes, std::size_t count, mp::MpInt* out);
// Writes a non-negative integer as exactly count bytes, most significant first, with leading
// zeros; false (and nothing meaningful written) when it is negative or does not fit.
bool RsaIntToBytes(mp::MpConst value, std::uint8_t* bytes, std::size_t count);

// y = x^e mod n.
void RsaPublicOp(const RsaKey& key, mp::MpConst x, mp::MpInt* y);
// y = x^d mod n for 0 <= x < n, by the Chinese remainder theorem behind a random blinding
// factor, checked by y^b = x (mod n) before it is returned. 0; -608 when the record's fields do
// not agree (no blinding exponent, or a result that fails the check; y is then 0); -106 when no
// blinding factor prime to n can be drawn.
std::int32_t RsaPrivateOp(const RsaKey& key, mp::MpConst x, mp::MpInt* y);
// The exponent b of the blinding and of the check: b dp = 1 (mod p - 1), b dq = 1 (mod q - 1).
// The record's e when it is one, else d^-1 mod lcm(p - 1, q - 1) when that is one; false
// otherwise (see rsa_blinding_exponent.cpp).
bool RsaBlindingExponent(const RsaKey& key, mp::MpInt* b);
// The private operation for kind 1, the public one otherwise.
std::int32_t RsaPrimitive(const RsaKey& key, mp::MpConst x, mp::MpInt* y);

// ---- Encryption blocks (EB = 00 || BT || PS || 00 || D, k bytes) ----

enum : int { kBlockType0 = 0, kBlockType1 = 1, kBlockType2 = 2 };

// Formats data as an EB of type blockType and applies the key: out receives k bytes.
// Types 0 and 1 need a private key (-605), type 2 a public one (-606).
std::int32_t RsaBlockMake(std::uint8_t* out, const std::uint8_t* data, std::uint32_t length,
                          int blockType, const RsaKey& key);
// Applies the key to the first k bytes of block and takes D out of the EB. data must hold k
// bytes; *length receives |D|. Types 0 and 1 need a public key (-606), type 2 a private one
// (-605); every malformed block is -608.
std::int32_t RsaBlockOpen(std::uint8_t* data, std::uint32_t* length, const std::uint8_t* block,
                          const RsaKey& key);

// Frees an integer of the package when the scope ends (wiped by the allocator).
class MpScoped {
  public:
    MpScoped() = default;
    ~MpScoped() { mp::free(&value_); }
    MpScoped(const MpScoped&) = delete;
    MpScoped& operator=(const MpScoped&) = delete;
    mp::MpInt* out() { return &value_; }
    mp::MpConst get() const { return value_; }

  private:
    mp::MpInt value_ = nullptr;
};

}  // namespace vkt::crypto
