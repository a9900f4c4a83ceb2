// CryptoRsaKeyLoad: an RSA key from the key text of a private-key file.
//
// Key blob (the decoded text), L = blob length, big-endian:
//   0       2       L (counts these two bytes); protected: 26 + 8 <= L, L - 26 a multiple of 8
//   2       8       initialisation vector of the enciphered record
//   10      L - 26  the key record, enciphered: two-key triple DES, CBC, padding of n bytes of
//                   value n; key = MD5 of the password's bytes (K1 = bytes 0-7, K2 = 8-15)
//   L - 16  16      MD5 of the plain key record
// Unprotected blob (empty password): bytes 2-3 hold the record length R (at most L - 26 of it
// is used), bytes 4-9 are unused, the plain record stands at 10, filler up to L - 16. Only the
// cipher needs whole blocks: here any L from 26 on is read.
//
// A wrong password and a damaged record are one case, -604. Every failure after the handle is
// taken releases it; the buffer that held the record is wiped when freed.
#include <cstring>

#include "crypto/core/alloc.h"
#include "crypto/core/layer.h"
#include "crypto/rsa/rsa_key.h"
#include "crypto/symcipher/sym_key.h"

namespace vkt::crypto {
namespace {

constexpr std::uint32_t kBlobOverhead = 2 + 8 + 16;  // length, vector, MD5 of the record
constexpr std::uint32_t kCipherBlock = 8;

// A blob length that leaves room for the record area: at least one cipher block, and whole
// blocks, when the record is enciphered; any size of area when it stands in plain.
bool BlobLengthFits(std::uint32_t blobLength, bool isProtected) {
    if (blobLength < kBlobOverhead) return false;
    const std::uint32_t area = blobLength - kBlobOverhead;
    return !isProtected || (area >= kCipherBlock && area % kCipherBlock == 0);
}

// Deciphers the L - 26 record bytes at blob + 10 into plain; *plainLength receives the length
// after the padding is removed. The derived key is used as it comes (no weak-key test), so it
// is built directly rather than through CryptoKeyCreate.
std::int32_t DecipherRecord(const std::uint8_t* blob, std::uint32_t blobLength,
                            const char* password, std::uint8_t* plain, std::uint32_t* plainLength) {
    std::uint8_t derived[16];
    WipeOnExit wipeDerived(derived);
    CryptoHashOneShot(derived, kAlgMd5, password, std::strlen(password));

    const Handle handle = CryptoHandleNew();
    if (handle == 0) return kErrNoHandle;
    auto* context = static_cast<SymKeyContext*>(CryptoAlloc(sizeof(SymKeyContext)));
    SymKeyBuild(*context, kAlgTripleDes2, derived);
    CryptoHandleAttach(handle, context, kTypeSymKey);
    // The cipher takes the vector from the 8 bytes in front of the ciphertext: blob bytes 2-9.
    const std::int32_t result = CryptoDecrypt(handle, plain, plainLength, blob + 2,
                                              blobLength - kBlobOverhead + 8, kModeCbc, kPadPkcs);
    CryptoKeyFree(handle);
    // A padding refusal is what a wrong password usually causes: it is the same case.
    return result == kOk ? kOk : kErrKeyRecord;
}

std::int32_t LoadBlob(const char* keyText, const char* password, std::uint8_t mask,
                      std::uint32_t blobLength, RsaKey** key) {
    const bool isProtected = password[0] != '\0';
    if (!BlobLengthFits(blobLength, isProtected)) return kErrKeyRecord;
    // First half: the blob; second half: the plain record.
    auto* buffer = static_cast<std::uint8_t*>(CryptoAlloc(2 * std::size_t{blobLength}));
    std::uint8_t* blob = buffer;
    std::uint8_t* plain = buffer + blobLength;
    const std::uint32_t area = blobLength - kBlobOverhead;
    std::uint32_t plainLength = 0;
    std::int32_t result = kOk;
    if (CryptoDecode(blob, keyText, blobLength, mask) == 0) {
        result = kErrInput;
    } else if (isProtected) {
        result = DecipherRecord(blob, blobLength, password, plain, &plainLength);
    } else {
        plainLength = static_cast<std::uint32_t>(blob[2]) << 8 | blob[3];
        if (plainLength > area) plainLength = area;
        std::memcpy(plain, blob + 10, plainLength);
    }
    if (result == kOk) {
        std::uint8_t digest[16];
        WipeOnExit wipeDigest(digest);
        CryptoHashOneShot(digest, kAlgMd5, plain, plainLength);
        std::uint8_t difference = 0;
        for (int i = 0; i < 16; ++i) difference |= digest[i] ^ blob[blobLength - 16 + i];
        result = difference != 0 ? kErrKeyRecord : RsaKeyParseRecord(plain, plainLength, key);
    }
    CryptoFree(buffer);
    return result;
}

}  // namespace

std::int32_t CryptoRsaKeyLoad(Handle* out, const char* keyText, const char* password,
                              std::uint8_t mask) {
    LayerGuard guard;
    if (out == nullptr) return kErrPointer;
    *out = 0;
    if (keyText == nullptr || password == nullptr) return kErrPointer;
    if (!CryptoMaskValid(mask)) return kErrMask;
    std::uint8_t length[2];
    if (CryptoDecode(length, keyText, 2, mask) == 0) return kErrInput;
    const Handle handle = CryptoHandleNew();
    if (handle == 0) return kErrNoHandle;

    RsaKey* key = nullptr;
    const std::int32_t result = LoadBlob(
        keyText, password, mask, static_cast<std::uint32_t>(length[0]) << 8 | length[1], &key);
    if (result != kOk) {
        CryptoHandleRelease(handle, kTypeRsaKey);
        return result;
    }
    CryptoHandleAttach(handle, key,
                       key->kind == kRsaKindPrivate ? kTypeRsaPrivate : kTypeRsaPublic);
    *out = handle;
    return kOk;
}

}  // namespace vkt::crypto
