// The cryptographic layer as the rest of the library sees it.
//
// A procedural, handle-based interface: objects (digests, symmetric keys, RSA keys, RSA blocks)
// live inside the layer and are handed out as opaque 32-bit handles; every operation returns 0
// or one of the negative result codes below (the library's catalogue number is 2000 plus the
// absolute value). Out handles are set to 0 at entry and stay 0 on failure.
//
// Every operation runs the layer's start-up on first use and holds the layer's process-wide
// lock for its whole duration, so the caller's thread and the event thread may both call in.
// Nothing in this layer touches files or sockets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vkt::crypto {

using Handle = std::uint32_t;

// Result codes.
enum : std::int32_t {
    kOk = 0,
    kErrAlgorithm = -103,       // "Algoritmo inválido"
    kErrNoHandle = -105,        // "No hay memoria suficiente": handle table full
    kErrInternal = -106,        // "Error no especificado o de uso interno"
    kErrPointer = -201,         // "Puntero inválido"
    kErrLength = -202,          // "Longitud inválida"
    kErrMask = -203,            // "Máscara de conversión inválida"
    kErrInput = -204,           // "Entrada inválida"
    kErrHandle = -205,          // "Handle inválido"
    kErrHashClosed = -401,      // "Hash cerrado. No puede ser actualizado"
    kErrHashAlgorithms = -402,  // "Verifique que los algoritmos sean iguales"
    kErrHashMismatch = -403,    // "Hash - Fallo de comparación"
    kErrWeakKey = -501,         // "La clave simétrica especificada es débil"
    kErrMode = -502,            // "Modo de operación inválido"
    kErrPadding = -503,         // "Método de padding inválido"
    kErrNoVector = -505,        // chaining mode without an initialisation vector (no text)
    kErrModulusRange = -601,    // "Longitud especificada fuera de rango"
    kErrKeyRecord = -604,       // "Contraseña incorrecta o la clave está corrompida"
    kErrNeedPrivate = -605,     // "Debe especificar un handle a la clave privada"
    kErrNeedPublic = -606,      // "Debe especificar un handle a la clave pública"
    kErrTooLong = -607,         // "Longitud demasiado larga o la clave es demasiado corta"
    kErrBadBlock = -608,        // "La firma o el sobre digital están corrompidos o son inválidos"
};

// Algorithm identifiers.
enum : std::int32_t {
    kAlgDes = 101,
    kAlgTripleDes2 = 102,
    kAlgTripleDes3 = 103,
    kAlgIdea = 104,
    kAlgMd4 = 302,
    kAlgMd5 = 303,
    kAlgSha = 304,
    kAlgSha1 = 305,
    kAlgRipemd = 306,
    kAlgRipemd160 = 307,
};

// Modes of operation and paddings of the block ciphers.
enum : std::int32_t {
    kModeEcb = 1,
    kModeCbc = 2,
    kModeCfb64 = 3,
    kModeOfb64 = 4,
    kModeCfb8 = 5,
    kModeOfb8 = 6,
};
enum : std::int32_t {
    kPadNone = 1,
    kPadPkcs = 3,     // n bytes of value n
    kPadFfCount = 4,  // n - 1 bytes 0xFF, then n
};

// Conversion masks the system uses: raw bytes, and lower-case NUL-terminated hexadecimal.
enum : std::uint8_t {
    kMaskRaw = 0x00,
    kMaskHex = 0x31,
};

// ---- Digests ----
std::int32_t CryptoHashCreate(Handle* out, std::int32_t algorithm);
std::int32_t CryptoHashUpdate(Handle handle, const void* data, std::uint32_t length);
std::int32_t CryptoHashImport(Handle* out, std::int32_t algorithm, const char* text,
                              std::uint8_t mask);
std::int32_t CryptoHashCompare(Handle a, Handle b);
std::int32_t CryptoHashFree(Handle handle);
// Digest length of an identifier: 16, 20, or 0 when it names no digest.
int HashDigestLength(std::int32_t algorithm);
// One-shot digest of data into out (16 or 20 bytes). The identifier must be a digest one.
void CryptoHashOneShot(std::uint8_t* out, std::int32_t algorithm, const void* data,
                       std::size_t length);

// ---- Symmetric ciphers ----
std::int32_t CryptoKeyCreate(Handle* out, std::int32_t algorithm, const void* keyText,
                             std::uint8_t mask);
std::int32_t CryptoKeySetIV(Handle handle, const void* vectorText, std::uint8_t mask);
std::int32_t CryptoEncrypt(Handle handle, std::uint8_t* out, std::uint32_t* outLength,
                           const std::uint8_t* in, std::uint32_t inLength, std::int32_t mode,
                           std::int32_t padding);
std::int32_t CryptoDecrypt(Handle handle, std::uint8_t* out, std::uint32_t* outLength,
                           const std::uint8_t* in, std::uint32_t inLength, std::int32_t mode,
                           std::int32_t padding);
std::int32_t CryptoKeyFree(Handle handle);
// Key length in bytes of a symmetric identifier: 8, 16, 24, 16, or 0 when it names no cipher.
int SymKeyLength(std::int32_t algorithm);

// ---- RSA ----
std::int32_t CryptoRsaKeyLoad(Handle* out, const char* keyText, const char* password,
                              std::uint8_t mask);
std::int32_t CryptoRsaKeyFree(Handle handle);
std::int32_t CryptoSign(Handle* outSignature, Handle digest, Handle privateKey);
std::int32_t CryptoSignatureSize(Handle signature, std::uint32_t* size);
std::int32_t CryptoSignatureExport(Handle signature, char* text, std::uint8_t mask);
std::int32_t CryptoSignatureFree(Handle signature);
std::int32_t CryptoEnvelopeImport(Handle* out, const char* text, std::uint8_t mask);
std::int32_t CryptoEnvelopeOpen(Handle* outKey, Handle envelope, Handle rsaKey);
std::int32_t CryptoEnvelopeFree(Handle envelope);

// ---- Encodings ----
// Writes bytes as text under the mask; returns the number of characters written.
std::uint32_t CryptoEncode(char* text, const std::uint8_t* bytes, std::uint32_t count,
                           std::uint8_t mask);
// Reads exactly count bytes from text; returns the characters consumed (hexadecimal) or count
// (raw, Base64); 0 means failure.
std::uint32_t CryptoDecode(std::uint8_t* bytes, const char* text, std::uint32_t count,
                           std::uint8_t mask);
bool CryptoMaskValid(std::uint8_t mask);

// ---- Random numbers ----
void rstarts(std::int32_t seed);
std::uint32_t CryptoRandom(std::uint32_t bound);   // 0 .. bound - 1; 0 for bound < 1
std::uint32_t CryptoRandomBelow(std::uint32_t n);  // CryptoRandom(2^31 - 1) mod n
void CryptoRandomBytes(std::uint8_t* buffer, std::uint32_t count, bool skipZero);

}  // namespace vkt::crypto
