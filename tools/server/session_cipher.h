// The session's symmetric cipher and the sealed form of every operation payload:
//
//   offset  size  content
//   0       8     random initialisation vector
//   8       8m    CBC ciphertext of the payload padded with n bytes of value n (1..8; a whole
//                 block of 8 when the payload fills its last block)
//
// Ciphers by identifier: 101 DES (8-byte key), 102 triple DES with two keys (16), 103 triple DES
// with three keys (24).
#pragma once

#include <openssl/evp.h>
#include <openssl/provider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vkt::server {

constexpr int kCipherDes = 101;
constexpr int kCipherDes2 = 102;
constexpr int kCipherDes3 = 103;
constexpr std::size_t kSealVectorSize = 8;

// Key length in bytes of a cipher identifier; 0 for anything else.
std::size_t CipherKeyLength(int cipher);

// The OpenSSL providers that make a cipher usable in this process (single DES lives in the
// legacy provider); they stay loaded while the object lives.
class CipherProviders {
  public:
    CipherProviders() = default;
    ~CipherProviders();
    CipherProviders(const CipherProviders&) = delete;
    CipherProviders& operator=(const CipherProviders&) = delete;

    // false, with a reason, when the cipher is not available.
    bool Prepare(int cipher, std::string* reason);

  private:
    OSSL_PROVIDER* default_ = nullptr;
    OSSL_PROVIDER* legacy_ = nullptr;
};

class SessionCipher {
  public:
    SessionCipher() = default;
    ~SessionCipher();
    SessionCipher(const SessionCipher&) = delete;
    SessionCipher& operator=(const SessionCipher&) = delete;

    // Takes the key (CipherKeyLength bytes); false when the cipher cannot be fetched.
    bool SetKey(int cipher, const std::vector<std::uint8_t>& key);
    bool HasKey() const { return cipher_ != nullptr; }

    bool Seal(const std::string& plain, std::string* sealed) const;
    // false on a length that is not 8 + a positive multiple of 8, or on bad padding.
    bool Unseal(const std::string& sealed, std::string* plain) const;

  private:
    EVP_CIPHER* cipher_ = nullptr;
    std::vector<std::uint8_t> key_;
};

}  // namespace vkt::server
