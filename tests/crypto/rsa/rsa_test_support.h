// Shared by the RSA tests: OpenSSL keys generated once per run, key files made with the
// key-file writer and loaded through CryptoRsaKeyLoad, and OpenSSL's raw RSA as an oracle.
#pragma once

#include <openssl/evp.h>

#include <cstdint>
#include <string>
#include <vector>

#include "crypto/crypto.h"
#include "crypto/rsa/rsa_key.h"
#include "keygen/key_file_writer.h"

namespace vkt::crypto::test {

using Bytes = std::vector<std::uint8_t>;
using keygen::SecretBytes;

// An OpenSSL RSA key of the given size, generated at first use and kept for the whole run.
EVP_PKEY* TestKey(int bits);

// Loads a key record through a blob made by the writer (protected when password is not empty);
// returns the result code of CryptoRsaKeyLoad and the handle in *out.
std::int32_t LoadRecord(const SecretBytes& record, const std::string& password, Handle* out);
// The loaded private (kind 1) or public (kind 2) key of an OpenSSL key; fails the test when
// it does not load.
Handle LoadTestKey(EVP_PKEY* key, keygen::KeyKind kind = keygen::kKindPrivate);

SecretBytes Secret(const std::string& text);
std::string Hex(const std::uint8_t* bytes, std::size_t count);
Bytes FromHex(const std::string& text);
std::size_t ModulusBytes(EVP_PKEY* key);

// OpenSSL's RSA on k bytes: raw (no padding) with the public or the private exponent, and
// PKCS #1 v1.5 public encryption (block type 2) and signature recovery (block type 1).
Bytes RawPublic(EVP_PKEY* key, const Bytes& block);
Bytes RawPrivate(EVP_PKEY* key, const Bytes& block);
Bytes Pkcs1Encrypt(EVP_PKEY* key, const Bytes& data);
// Empty when OpenSSL refuses the block.
Bytes Pkcs1Recover(EVP_PKEY* key, const Bytes& block);
Bytes Pkcs1Decrypt(EVP_PKEY* key, const Bytes& block);

// A key record built field by field, so that single fields can be padded, damaged, replaced
// or left out.
struct RecordFields {
    std::uint16_t bits;
    std::uint16_t kind;
    std::vector<Bytes> integers;  // n, e, d, p, q, dp, dq, u

    SecretBytes Build() const;
};
enum RecordField : std::size_t {
    kFieldN,
    kFieldE,
    kFieldD,
    kFieldP,
    kFieldQ,
    kFieldDp,
    kFieldDq,
    kFieldU
};
// The private record of an OpenSSL key, split into its fields.
RecordFields FieldsOf(EVP_PKEY* key);

// Signs the MD5 of message with the key handle: CryptoSign's result, and on success the k block
// bytes in *block.
std::int32_t SignMd5(Handle key, const std::string& message, Bytes* block);
// What a signature over the MD5 of message carries (identifier 303, length 16, 0x0000, value),
// computed by OpenSSL.
Bytes Md5Payload(const std::string& message);

// base^x mod n by OpenSSL's plain exponentiation, x the key's parameter named (for example
// OSSL_PKEY_PARAM_RSA_E or _D), written as size bytes.
Bytes OpenSslPower(EVP_PKEY* key, const char* exponent, const Bytes& base, std::size_t size);

// The RsaKey behind a key handle (null when the handle is no RSA key).
RsaKey* KeyObject(Handle handle);

// The text form of an RSA block: 4 hexadecimal digits of the modulus size, then the block.
std::string BlockText(int bits, const Bytes& block);

// The encryption block 00 || BT || PS || 00 || D of k bytes, PS filling the room D leaves
// (PS is 0x00, 0xFF or 0x5A bytes for types 0, 1, 2).
Bytes EncryptionBlock(std::size_t k, int blockType, const Bytes& data);

}  // namespace vkt::crypto::test
