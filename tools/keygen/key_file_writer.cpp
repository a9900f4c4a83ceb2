#include "keygen/key_file_writer.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace vkt::keygen {
namespace {

constexpr std::size_t kVectorSize = 8;
constexpr std::size_t kDigestSize = 16;    // MD5 of the record
constexpr std::size_t kBlobOverhead = 26;  // length 2 + vector 8 + MD5 16
constexpr std::size_t kMaxBlobLength = 0xFFFF;

struct BnDeleter {
    void operator()(BIGNUM* bn) const { BN_clear_free(bn); }
};
using Bn = std::unique_ptr<BIGNUM, BnDeleter>;

struct BnCtxDeleter {
    void operator()(BN_CTX* ctx) const { BN_CTX_free(ctx); }
};
struct CipherCtxDeleter {
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};

Bn KeyParameter(const EVP_PKEY* key, const char* name) {
    BIGNUM* bn = nullptr;
    if (EVP_PKEY_get_bn_param(key, name, &bn) != 1 || bn == nullptr) {
        throw KeyFileError(std::string("the key has no parameter ") + name);
    }
    return Bn(bn);
}

void AppendBigNum(SecretBytes& record, const BIGNUM* bn) {
    SecretBytes bytes(static_cast<std::size_t>(BN_num_bytes(bn)));
    BN_bn2bin(bn, bytes.data());
    AppendRecordInteger(record, bytes.data(), bytes.size());
}

void PutBigEndian16(std::uint8_t* out, std::size_t value) {
    out[0] = static_cast<std::uint8_t>(value >> 8);
    out[1] = static_cast<std::uint8_t>(value);
}

void AppendHex(SecretBytes& out, const std::uint8_t* bytes, std::size_t count) {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < count; ++i) {
        out.push_back(static_cast<std::uint8_t>(kDigits[bytes[i] >> 4]));
        out.push_back(static_cast<std::uint8_t>(kDigits[bytes[i] & 0x0F]));
    }
}

void Md5(const std::uint8_t* data, std::size_t length, std::uint8_t* out) {
    unsigned int size = 0;
    if (EVP_Digest(data, length, out, &size, EVP_md5(), nullptr) != 1 || size != kDigestSize) {
        throw KeyFileError("MD5 failed");
    }
}

// The record enciphered under the password's MD5 (blob bytes 10 .. L - 17).
SecretBytes EncipherRecord(const SecretBytes& record, const SecretBytes& password,
                           const std::uint8_t* vector) {
    std::uint8_t key[kDigestSize];
    Md5(password.data(), password.size(), key);
    std::unique_ptr<EVP_CIPHER_CTX, CipherCtxDeleter> ctx(EVP_CIPHER_CTX_new());
    SecretBytes out(record.size() + kVectorSize);
    int written = 0;
    int last = 0;
    const bool ok = ctx != nullptr &&
                    EVP_EncryptInit_ex(ctx.get(), EVP_des_ede_cbc(), nullptr, key, vector) == 1 &&
                    EVP_EncryptUpdate(ctx.get(), out.data(), &written, record.data(),
                                      static_cast<int>(record.size())) == 1 &&
                    EVP_EncryptFinal_ex(ctx.get(), out.data() + written, &last) == 1;
    OPENSSL_cleanse(key, sizeof key);
    if (!ok) throw KeyFileError("two-key triple DES is not available");
    out.resize(static_cast<std::size_t>(written + last));
    return out;
}

}  // namespace

void AppendRecordInteger(SecretBytes& record, const std::uint8_t* bytes, std::size_t length) {
    if (length > 0xFFFF) throw KeyFileError("an integer is too long for a key record");
    const std::size_t at = record.size();
    record.resize(at + 2 + length);
    PutBigEndian16(record.data() + at, length);
    std::copy(bytes, bytes + length, record.begin() + static_cast<std::ptrdiff_t>(at + 2));
}

SecretBytes BuildKeyRecord(const EVP_PKEY* key, KeyKind kind) {
    if (key == nullptr || EVP_PKEY_get_base_id(key) != EVP_PKEY_RSA) {
        throw KeyFileError("not an RSA key");
    }
    const Bn n = KeyParameter(key, OSSL_PKEY_PARAM_RSA_N);
    const Bn e = KeyParameter(key, OSSL_PKEY_PARAM_RSA_E);
    const int bits = BN_num_bits(n.get());
    if (bits < 1 || bits > 0xFFFF) throw KeyFileError("modulus size out of range");

    SecretBytes record(4);
    PutBigEndian16(record.data(), static_cast<std::size_t>(bits));
    PutBigEndian16(record.data() + 2, kind);
    AppendBigNum(record, n.get());
    AppendBigNum(record, e.get());
    if (kind != kKindPrivate) return record;

    const Bn d = KeyParameter(key, OSSL_PKEY_PARAM_RSA_D);
    const Bn p = KeyParameter(key, OSSL_PKEY_PARAM_RSA_FACTOR1);
    const Bn q = KeyParameter(key, OSSL_PKEY_PARAM_RSA_FACTOR2);
    const Bn dp = KeyParameter(key, OSSL_PKEY_PARAM_RSA_EXPONENT1);
    const Bn dq = KeyParameter(key, OSSL_PKEY_PARAM_RSA_EXPONENT2);
    // u = p^-1 mod q: the inverse of the first prime modulo the second (not OpenSSL's
    // q^-1 mod p).
    std::unique_ptr<BN_CTX, BnCtxDeleter> ctx(BN_CTX_secure_new());
    Bn u(BN_secure_new());
    if (ctx == nullptr || u == nullptr ||
        BN_mod_inverse(u.get(), p.get(), q.get(), ctx.get()) == nullptr) {
        throw KeyFileError("cannot invert p modulo q");
    }
    for (const BIGNUM* field : {d.get(), p.get(), q.get(), dp.get(), dq.get(), u.get()}) {
        AppendBigNum(record, field);
    }
    return record;
}

SecretBytes BuildKeyBlob(const SecretBytes& record, const SecretBytes& password) {
    SecretBytes blob(2 + kVectorSize);
    if (password.empty()) {
        if (record.size() > 0xFFFF) throw KeyFileError("key record too long");
        PutBigEndian16(blob.data() + 2, record.size());
        blob.insert(blob.end(), record.begin(), record.end());
        // Zero filler: the record area is a whole number of 8-byte blocks, at least one.
        const std::size_t area = record.size() < 8 ? 8 : (record.size() + 7) / 8 * 8;
        blob.resize(2 + kVectorSize + area, 0);
    } else {
        if (RAND_bytes(blob.data() + 2, kVectorSize) != 1) {
            throw KeyFileError("no random bytes for the initialisation vector");
        }
        const SecretBytes enciphered = EncipherRecord(record, password, blob.data() + 2);
        blob.insert(blob.end(), enciphered.begin(), enciphered.end());
    }
    const std::size_t length = blob.size() + kDigestSize;
    if (length > kMaxBlobLength) throw KeyFileError("key blob too long");
    blob.resize(length);
    Md5(record.data(), record.size(), blob.data() + length - kDigestSize);
    PutBigEndian16(blob.data(), length);
    static_assert(kBlobOverhead == 2 + kVectorSize + kDigestSize);
    return blob;
}

SecretBytes BuildKeyText(const SecretBytes& blob) {
    SecretBytes text;
    text.reserve(blob.size() * 2);
    AppendHex(text, blob.data(), blob.size());
    return text;
}

SecretBytes BuildKeyFile(const SecretBytes& keyText) {
    if (keyText.empty() || keyText.size() > kMaxKeyTextLength) {
        throw KeyFileError("key text of " + std::to_string(keyText.size()) +
                           " characters does not fit the four-digit length field");
    }
    static_assert(sizeof kKeyFileHeader - 1 == kKeyFileHeaderSize);
    SecretBytes file(kKeyFileHeader, kKeyFileHeader + kKeyFileHeaderSize);
    char length[5];
    std::snprintf(length, sizeof length, "%04zu", keyText.size());
    file.insert(file.end(), length, length + 4);
    file.insert(file.end(), keyText.begin(), keyText.end());
    file.push_back('\n');

    std::uint8_t digest[SHA_DIGEST_LENGTH];
    unsigned int size = 0;
    if (EVP_Digest(file.data(), file.size(), digest, &size, EVP_sha1(), nullptr) != 1) {
        throw KeyFileError("SHA-1 failed");
    }
    AppendHex(file, digest, sizeof digest);
    file.push_back('\n');
    return file;
}

SecretBytes BuildPrivateKeyFile(const EVP_PKEY* key, const SecretBytes& password) {
    return BuildKeyFile(BuildKeyText(BuildKeyBlob(BuildKeyRecord(key, kKindPrivate), password)));
}

}  // namespace vkt::keygen
