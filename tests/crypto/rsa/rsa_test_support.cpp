#include "crypto/rsa/rsa_test_support.h"

#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/rsa.h>

#include <map>

#include "crypto/core/layer.h"
#include "crypto/rsa/rsa_key.h"

namespace vkt::crypto::test {

EVP_PKEY* TestKey(int bits) {
    // Keys live for the run and are freed at its end.
    static struct Cache {
        std::map<int, EVP_PKEY*> keys;
        ~Cache() {
            for (auto& entry : keys) EVP_PKEY_free(entry.second);
        }
    } cache;
    EVP_PKEY*& key = cache.keys[bits];
    if (key == nullptr) key = EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", static_cast<size_t>(bits));
    return key;
}

std::int32_t LoadRecord(const SecretBytes& record, const std::string& password, Handle* out) {
    const SecretBytes text = keygen::BuildKeyText(keygen::BuildKeyBlob(record, Secret(password)));
    const std::string keyText(text.begin(), text.end());
    return CryptoRsaKeyLoad(out, keyText.c_str(), password.c_str(), kMaskHex);
}

Handle LoadTestKey(EVP_PKEY* key, keygen::KeyKind kind) {
    Handle handle = 0;
    EXPECT_EQ(LoadRecord(keygen::BuildKeyRecord(key, kind), "CLAVE", &handle), kOk);
    return handle;
}

SecretBytes Secret(const std::string& text) {
    return SecretBytes(text.begin(), text.end());
}

std::string Hex(const std::uint8_t* bytes, std::size_t count) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

Bytes FromHex(const std::string& text) {
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

std::size_t ModulusBytes(EVP_PKEY* key) {
    return static_cast<std::size_t>(EVP_PKEY_get_size(key));
}

namespace {

// OpenSSL's low-level RSA calls, on a copy of the key's RSA object.
Bytes RsaCall(EVP_PKEY* key, const Bytes& in, int padding,
              int (*call)(int, const unsigned char*, unsigned char*, RSA*, int)) {
    RSA* rsa = EVP_PKEY_get1_RSA(key);
    Bytes out(static_cast<std::size_t>(RSA_size(rsa)));
    const int length = call(static_cast<int>(in.size()), in.data(), out.data(), rsa, padding);
    RSA_free(rsa);
    if (length < 0) return {};
    out.resize(static_cast<std::size_t>(length));
    return out;
}

}  // namespace

Bytes RawPublic(EVP_PKEY* key, const Bytes& block) {
    return RsaCall(key, block, RSA_NO_PADDING, RSA_public_encrypt);
}
Bytes RawPrivate(EVP_PKEY* key, const Bytes& block) {
    return RsaCall(key, block, RSA_NO_PADDING, RSA_private_encrypt);
}
Bytes Pkcs1Encrypt(EVP_PKEY* key, const Bytes& data) {
    return RsaCall(key, data, RSA_PKCS1_PADDING, RSA_public_encrypt);
}
Bytes Pkcs1Recover(EVP_PKEY* key, const Bytes& block) {
    return RsaCall(key, block, RSA_PKCS1_PADDING, RSA_public_decrypt);
}

Bytes Pkcs1Decrypt(EVP_PKEY* key, const Bytes& block) {
    return RsaCall(key, block, RSA_PKCS1_PADDING, RSA_private_decrypt);
}

SecretBytes RecordFields::Build() const {
    SecretBytes record = {static_cast<std::uint8_t>(bits >> 8), static_cast<std::uint8_t>(bits),
                          static_cast<std::uint8_t>(kind >> 8), static_cast<std::uint8_t>(kind)};
    for (const Bytes& value : integers) {
        keygen::AppendRecordInteger(record, value.data(), value.size());
    }
    return record;
}

RecordFields FieldsOf(EVP_PKEY* key) {
    RecordFields fields{static_cast<std::uint16_t>(EVP_PKEY_get_bits(key)), 1, {}};
    const SecretBytes record = keygen::BuildKeyRecord(key, keygen::kKindPrivate);
    for (std::size_t at = 4; at < record.size();) {
        const std::size_t length = static_cast<std::size_t>(record[at] << 8 | record[at + 1]);
        fields.integers.emplace_back(record.begin() + static_cast<std::ptrdiff_t>(at + 2),
                                     record.begin() + static_cast<std::ptrdiff_t>(at + 2 + length));
        at += 2 + length;
    }
    return fields;
}

std::int32_t SignMd5(Handle key, const std::string& message, Bytes* block) {
    block->clear();
    Handle digest = 0;
    std::int32_t result = CryptoHashCreate(&digest, kAlgMd5);
    if (result == kOk) {
        result =
            CryptoHashUpdate(digest, message.data(), static_cast<std::uint32_t>(message.size()));
    }
    Handle signature = 0;
    if (result == kOk) result = CryptoSign(&signature, digest, key);
    if (result == kOk) {
        std::uint32_t size = 0;
        CryptoSignatureSize(signature, &size);
        std::string text(2 * size + 1, '\0');
        CryptoSignatureExport(signature, text.data(), kMaskHex);
        text.pop_back();
        *block = FromHex(text.substr(4));
    }
    if (signature != 0) CryptoSignatureFree(signature);
    if (digest != 0) CryptoHashFree(digest);
    return result;
}

Bytes Md5Payload(const std::string& message) {
    Bytes payload = {0x01, 0x2F, 0x00, 0x10, 0x00, 0x00};
    payload.resize(6 + 16);
    EVP_Digest(message.data(), message.size(), payload.data() + 6, nullptr, EVP_md5(), nullptr);
    return payload;
}

Bytes OpenSslPower(EVP_PKEY* key, const char* exponent, const Bytes& base, std::size_t size) {
    BIGNUM *n = nullptr, *x = nullptr;
    EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_N, &n);
    EVP_PKEY_get_bn_param(key, exponent, &x);
    BIGNUM* value = BN_bin2bn(base.data(), static_cast<int>(base.size()), nullptr);
    BIGNUM* power = BN_new();
    BN_CTX* ctx = BN_CTX_new();
    BN_mod_exp(power, value, x, n, ctx);
    Bytes out(size);
    BN_bn2binpad(power, out.data(), static_cast<int>(out.size()));
    BN_CTX_free(ctx);
    for (BIGNUM* bn : {n, x, value, power}) BN_clear_free(bn);
    return out;
}

RsaKey* KeyObject(Handle handle) {
    LayerGuard guard;
    return static_cast<RsaKey*>(CryptoHandleLookup(handle, kTypeRsaKey));
}

std::string BlockText(int bits, const Bytes& block) {
    const std::uint8_t size[2] = {static_cast<std::uint8_t>(bits >> 8),
                                  static_cast<std::uint8_t>(bits)};
    return Hex(size, 2) + Hex(block.data(), block.size());
}

Bytes EncryptionBlock(std::size_t k, int blockType, const Bytes& data) {
    static constexpr std::uint8_t kPadding[] = {0x00, 0xFF, 0x5A};
    Bytes eb(k, kPadding[blockType]);
    eb[0] = 0x00;
    eb[1] = static_cast<std::uint8_t>(blockType);
    eb[k - data.size() - 1] = 0x00;
    std::copy(data.begin(), data.end(), eb.end() - static_cast<std::ptrdiff_t>(data.size()));
    return eb;
}

}  // namespace vkt::crypto::test
