#include "server/session_cipher.h"

#include <openssl/crypto.h>
#include <openssl/rand.h>

#include <memory>

namespace vkt::server {

namespace {

const char* CipherName(int cipher) {
    switch (cipher) {
        case kCipherDes:
            return "DES-CBC";
        case kCipherDes2:
            return "DES-EDE-CBC";
        case kCipherDes3:
            return "DES-EDE3-CBC";
        default:
            return nullptr;
    }
}

struct ContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
using Context = std::unique_ptr<EVP_CIPHER_CTX, ContextFree>;

// Runs CBC over input with the key and vector; the context's padding is PKCS#7 style.
bool RunCipher(EVP_CIPHER* cipher, const std::vector<std::uint8_t>& key, const std::uint8_t* iv,
               bool encrypt, const std::uint8_t* input, std::size_t size, std::string* output) {
    Context context(EVP_CIPHER_CTX_new());
    if (!context || size > static_cast<std::size_t>(INT32_MAX) - 16) return false;
    if (EVP_CipherInit_ex2(context.get(), cipher, key.data(), iv, encrypt ? 1 : 0, nullptr) != 1)
        return false;
    output->assign(size + 16, '\0');
    auto* out = reinterpret_cast<std::uint8_t*>(output->data());
    int written = 0;
    int last = 0;
    if (EVP_CipherUpdate(context.get(), out, &written, input, static_cast<int>(size)) != 1 ||
        EVP_CipherFinal_ex(context.get(), out + written, &last) != 1) {
        OPENSSL_cleanse(output->data(), output->size());
        output->clear();
        return false;
    }
    output->resize(static_cast<std::size_t>(written + last));
    return true;
}

}  // namespace

std::size_t CipherKeyLength(int cipher) {
    switch (cipher) {
        case kCipherDes:
            return 8;
        case kCipherDes2:
            return 16;
        case kCipherDes3:
            return 24;
        default:
            return 0;
    }
}

CipherProviders::~CipherProviders() {
    if (legacy_ != nullptr) OSSL_PROVIDER_unload(legacy_);
    if (default_ != nullptr) OSSL_PROVIDER_unload(default_);
}

bool CipherProviders::Prepare(int cipher, std::string* reason) {
    const char* name = CipherName(cipher);
    if (name == nullptr) {
        *reason = "cipher must be 101, 102 or 103";
        return false;
    }
    // Loading any provider explicitly stops OpenSSL from loading the default one on its own.
    default_ = OSSL_PROVIDER_load(nullptr, "default");
    if (default_ == nullptr) {
        *reason = "OpenSSL's default provider cannot be loaded";
        return false;
    }
    if (cipher == kCipherDes) legacy_ = OSSL_PROVIDER_load(nullptr, "legacy");
    if (cipher == kCipherDes && legacy_ == nullptr) {
        *reason = "cipher 101 (DES) needs OpenSSL's legacy provider, which is not available";
        return false;
    }
    EVP_CIPHER* fetched = EVP_CIPHER_fetch(nullptr, name, nullptr);
    if (fetched == nullptr) {
        *reason = std::string("OpenSSL does not offer ") + name;
        return false;
    }
    EVP_CIPHER_free(fetched);
    return true;
}

SessionCipher::~SessionCipher() {
    OPENSSL_cleanse(key_.data(), key_.size());
    EVP_CIPHER_free(cipher_);
}

bool SessionCipher::SetKey(int cipher, const std::vector<std::uint8_t>& key) {
    const char* name = CipherName(cipher);
    if (name == nullptr || key.size() != CipherKeyLength(cipher)) return false;
    EVP_CIPHER* fetched = EVP_CIPHER_fetch(nullptr, name, nullptr);
    if (fetched == nullptr) return false;
    OPENSSL_cleanse(key_.data(), key_.size());
    EVP_CIPHER_free(cipher_);
    cipher_ = fetched;
    key_ = key;
    return true;
}

bool SessionCipher::Seal(const std::string& plain, std::string* sealed) const {
    if (cipher_ == nullptr) return false;
    std::uint8_t iv[kSealVectorSize];
    if (RAND_bytes(iv, sizeof iv) != 1) return false;
    std::string body;
    if (!RunCipher(cipher_, key_, iv, true, reinterpret_cast<const std::uint8_t*>(plain.data()),
                   plain.size(), &body))
        return false;
    sealed->assign(reinterpret_cast<const char*>(iv), sizeof iv);
    sealed->append(body);
    return true;
}

bool SessionCipher::Unseal(const std::string& sealed, std::string* plain) const {
    if (cipher_ == nullptr || sealed.size() < 2 * kSealVectorSize ||
        sealed.size() % kSealVectorSize != 0)
        return false;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(sealed.data());
    return RunCipher(cipher_, key_, bytes, false, bytes + kSealVectorSize,
                     sealed.size() - kSealVectorSize, plain);
}

}  // namespace vkt::server
