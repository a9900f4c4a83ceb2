#include "server/public_key.h"

#include <openssl/pem.h>

#include <cstdio>

namespace vkt::server {

PublicKey LoadPublicKey(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return nullptr;
    PublicKey key(PEM_read_PUBKEY(file, nullptr, nullptr, nullptr), PublicKeyFree{});
    std::fclose(file);
    if (!key || EVP_PKEY_get_base_id(key.get()) != EVP_PKEY_RSA) return nullptr;
    const int bits = EVP_PKEY_get_bits(key.get());
    if (bits < 512 || bits > 8192 || bits % 64 != 0) return nullptr;
    return key;
}

}  // namespace vkt::server
