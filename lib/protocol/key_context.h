// The key context: the one door from the protocol to the cryptographic layer.
//
// A short-lived object that knows where the user's private key lies (key directory, user name,
// offset and length of the key text in the key file) and with which password it opens, and
// that holds the output of the last seal, unseal or key read in a work buffer. Every code of
// the cryptographic layer comes back as a status code of source 2 (-604 -> 2604); the
// context's own failures are 400xx codes. Nothing is recorded in the error list here: the
// callers record.
//
// The key file is key directory + user name + ".pri". Texts held:
//   user name       at most 253 bytes, no "/" (it names a file inside the key directory)
//   password        at most 253 bytes; wiped when the context dies
//   key directory   at most 254 bytes; a "/" is appended to a non-empty directory lacking one
// A context made with a text that does not fit (or a user name holding "/") cannot name its
// key file: the operations that read it return 40053 "Parámetro no válido".
//
// The work buffer is wiped before it is freed: before each new use, after a key read and when
// the context dies. Files are opened with no sharing (exclusive lock, not waiting), so a key
// file or a transferred file another process holds cannot be read meanwhile.
//
// Codes of the operations that read files:
//   40032  the key file cannot be opened, or the key text range cannot be read in full
//   40050  the file to digest cannot be opened
//   40051  a read of the file to digest fails
//   40052  key offset or key length below 1 (the file is not touched)
//   40053  the context's texts cannot name the key file
//   40100  no memory for the work buffer
#pragma once

#include <cstddef>
#include <cstdint>

#include "crypto/crypto.h"

namespace vkt::protocol {

constexpr std::size_t kKeyUserNameMax = 253;
constexpr std::size_t kKeyPasswordMax = 253;
constexpr std::size_t kKeyDirectoryMax = 254;
// Directory, user name, ".pri" and the terminator.
constexpr std::size_t kKeyFilePathSize = kKeyDirectoryMax + kKeyUserNameMax + 4 + 1;

// Pieces in which CheckFileDigest reads a file.
constexpr std::uint32_t kDigestPieceSize = 8192;

// Source-2 status of a code of the cryptographic layer; 0 stays 0.
std::int32_t CryptoStatus(std::int32_t code);

// key directory + user name + ".pri" into path (kKeyFilePathSize bytes); false when a text is
// null, too long, or the user name is empty or holds "/".
bool FormKeyFilePath(const char* keyDirectory, const char* userName, char* path);

class KeyContext {
  public:
    // Empty: texts empty, offset and length 0, no buffer.
    KeyContext();
    KeyContext(const char* userName, const char* password, const char* keyDirectory,
               std::uint32_t keyOffset, std::uint32_t keyLength);
    ~KeyContext();
    KeyContext(const KeyContext&) = delete;
    KeyContext& operator=(const KeyContext&) = delete;

    // Reads the key text (key length bytes at the key offset) and imports it with the
    // password, as lower-case hexadecimal. 40052, 40053, 40032, 40100, or the layer's code
    // (2604: wrong password or damaged key). The work buffer is wiped and freed in every case.
    std::int32_t LoadPrivateKey(crypto::Handle* privateKey);
    // 0 when the key file can be opened for reading (it is closed again), else 40032 (40053
    // when the texts cannot name it).
    std::int32_t CheckKeyFile();
    // Loads the private key and frees it: 0, 2604 when the password is refused, or the code of
    // any other failure of the load (never reported as success).
    std::int32_t CheckPassword();
    // CheckPassword, and that the key can sign: a trial signature over the MD5 of no data,
    // freed again. The codes a signature would end in, at once: 2205 when the record holds a
    // public key, 2608 when its fields make no valid signature; else as CheckPassword.
    std::int32_t CheckSigningKey();

    // Imports the envelope from length bytes of lower-case hexadecimal text, loads the private
    // key, opens the envelope into a session key, frees the private key and the envelope. On
    // any failure nothing is left: *sessionKey is 0.
    std::int32_t OpenEnvelope(crypto::Handle* sessionKey, const char* envelopeText,
                              std::uint32_t length);
    static std::int32_t DestroySessionKey(crypto::Handle sessionKey);

    // Work buffer = 8-byte random vector || CBC ciphertext of the n plaintext bytes under the
    // session key, padding of p bytes of value p (1..8): 8 + 8 * (floor(n / 8) + 1) bytes.
    // n = 0 gives 2202.
    std::int32_t Seal(crypto::Handle sessionKey, const std::uint8_t* plain, std::uint32_t length);
    // Work buffer = plaintext of a sealed form (vector, then ciphertext). A length that is not
    // 8 plus a positive multiple of 8 gives 2202; a bad final padding byte 2204.
    std::int32_t Unseal(crypto::Handle sessionKey, const std::uint8_t* sealed,
                        std::uint32_t length);

    // Creates the digest object when *digest is 0, then adds the data (length 0 adds nothing).
    // When the add fails the object is freed and *digest set to 0.
    static std::int32_t DigestUpdate(const void* data, std::uint32_t length, std::int32_t algorithm,
                                     crypto::Handle* digest);
    static std::int32_t FreeDigest(crypto::Handle digest);
    // A closed digest object holding the value given as hexadecimal text (either case).
    static std::int32_t DigestFromHex(const char* text, std::int32_t algorithm,
                                      crypto::Handle* digest);
    // 0 equal; 2402 different algorithms; 2403 different values.
    static std::int32_t CompareDigests(crypto::Handle a, crypto::Handle b);

    // Loads the private key, signs the digest, frees the key. *size is the byte count of the
    // exported signature: 2 + ceil(bits / 8). On failure *signature is 0.
    std::int32_t SignDigest(crypto::Handle digest, crypto::Handle* signature, std::uint32_t* size);
    // The exported signature as lower-case hexadecimal followed by a NUL: 2 * size + 1
    // characters, which capacity must allow (else 2202 and nothing written).
    static std::int32_t SignatureToHex(crypto::Handle signature, char* text, std::size_t capacity);
    static std::int32_t FreeSignature(crypto::Handle signature);

    // MD5 of the whole file (read in pieces of 8,192 bytes) against the expected value given
    // as hexadecimal text: 0, 2403 when they differ, 2204 when the text is no digest value,
    // 40050 when the file cannot be opened, 40051 when a read fails, 40100 without memory.
    std::int32_t CheckFileDigest(const char* fileName, const char* expectedHex);

    const std::uint8_t* WorkBuffer() const { return work_; }
    std::uint32_t WorkLength() const { return workLength_; }
    // Wipes and frees the work buffer (also done before each new use and at destruction).
    void FreeWorkBuffer();

    std::uint32_t KeyOffset() const { return keyOffset_; }
    std::uint32_t KeyLength() const { return keyLength_; }

  private:
    // A zero-filled work buffer of size bytes, the previous one freed first; false without
    // memory.
    bool NewWorkBuffer(std::size_t size);

    char userName_[kKeyUserNameMax + 1] = {};
    char password_[kKeyPasswordMax + 1] = {};
    char keyDirectory_[kKeyDirectoryMax + 1] = {};
    std::uint32_t keyOffset_ = 0;
    std::uint32_t keyLength_ = 0;
    std::uint8_t* work_ = nullptr;
    std::size_t workSize_ = 0;  // allocated bytes, all wiped on free
    std::uint32_t workLength_ = 0;
    bool textsValid_ = true;  // false when a text given did not fit its field
};

}  // namespace vkt::protocol
