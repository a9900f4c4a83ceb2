// Parsing a plain key record into an RsaKey.
//
//   offset 0  2  modulus size in bits        offset 2  2  kind (1 private, else public)
//   then n, e and, for kind 1, d, p, q, dp, dq, u: each a 2-byte length M and M bytes,
//   most significant first (leading zero bytes allowed)
//
// Every field is bounded before it is read, and the values the arithmetic divides by are
// checked before any of it runs, so that no record, however damaged, reaches a fatal exit of
// the integer package.
#include "crypto/core/alloc.h"
#include "crypto/int/mp.h"
#include "crypto/rsa/rsa_key.h"

namespace vkt::crypto {
namespace {

std::uint32_t BigEndian16(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) << 8 | bytes[1];
}

// Reads the integer field at *offset and moves past it; false when it does not fit the record
// or holds more than 8192 significant bits.
bool ReadInteger(const std::uint8_t* record, std::size_t size, std::size_t* offset,
                 mp::MpInt* out) {
    if (size - *offset < 2) return false;
    const std::size_t length = BigEndian16(record + *offset);
    *offset += 2;
    if (size - *offset < length) return false;
    const std::uint8_t* bytes = record + *offset;
    *offset += length;
    std::size_t first = 0;
    while (first < length && bytes[first] == 0) ++first;
    if (length - first > kRsaMaxBits / 8) return false;
    RsaIntFromBytes(bytes + first, length - first, out);
    return true;
}

bool AboveOne(mp::MpConst value) {
    MpScoped one;
    mp::one(one.out());
    return mp::compare(value, one.get()) > 0;
}

}  // namespace

std::int32_t RsaKeyParseRecord(const std::uint8_t* record, std::size_t size, RsaKey** out) {
    *out = nullptr;
    if (record == nullptr || size < 4) return kErrKeyRecord;
    const auto bits = static_cast<std::int32_t>(BigEndian16(record));
    const auto kind = static_cast<std::int32_t>(BigEndian16(record + 2));
    if (bits < 1 || bits > kRsaMaxBits) return kErrKeyRecord;

    auto* key = static_cast<RsaKey*>(CryptoAlloc(sizeof(RsaKey)));
    key->bits = bits;
    key->kind = kind;
    std::size_t offset = 4;
    // n may fall one bit short of the size declared, as the product of two primes of half the
    // size does; its blocks of k = ceil(bits / 8) bytes, which begin 00 0x with x <= 2, stay
    // below it (x < 2^(8k - 14) <= 2^(bits - 2) <= n). A longer n would not fit k bytes; a
    // shorter one is no modulus of the size that its signatures would announce.
    bool ok = ReadInteger(record, size, &offset, &key->n) &&
              ReadInteger(record, size, &offset, &key->e) && AboveOne(key->n) &&
              mp::bitlength(key->n) <= bits && mp::bitlength(key->n) >= bits - 1;
    if (ok && kind == kRsaKindPrivate) {
        for (mp::MpInt* field : {&key->d, &key->p, &key->q, &key->dp, &key->dq, &key->u}) {
            ok = ok && ReadInteger(record, size, &offset, field);
        }
        ok = ok && AboveOne(key->p) && AboveOne(key->q);
    }
    if (!ok) {
        RsaKeyDestroy(key);
        return kErrKeyRecord;
    }
    *out = key;
    return kOk;
}

}  // namespace vkt::crypto
