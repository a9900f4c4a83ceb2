// A user's RSA public key, read from USERS/USER.pub (PEM SubjectPublicKeyInfo). Shared: the
// key of a session stays valid when the users' keys are re-read under it.
#pragma once

#include <openssl/evp.h>

#include <memory>
#include <string>

namespace vkt::server {

struct PublicKeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using PublicKey = std::shared_ptr<EVP_PKEY>;

// Null when the file is missing or holds no RSA key of 512 to 8192 bits in steps of 64 (the
// sizes an envelope can announce).
PublicKey LoadPublicKey(const std::string& path);

}  // namespace vkt::server
