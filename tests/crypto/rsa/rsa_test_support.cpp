#include "crypto/rsa/rsa_test_support.h"

#include <gtest/gtest.h>
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
