#include "transfer/crypto_bound.h"

#include <openssl/evp.h>

#include "transfer/transfer_sizes.h"

namespace vkt::bench {

namespace {

constexpr std::uint8_t kKey[16] = {0x13, 0x57, 0x9b, 0xdf, 0x02, 0x46, 0x8a, 0xce,
                                   0xf1, 0xe2, 0xd3, 0xc4, 0xb5, 0xa6, 0x97, 0x88};

// Vector followed by the ciphertext, as a sealed block travels.
bool Seal(EVP_CIPHER_CTX* context, const std::vector<std::uint8_t>& plain,
          std::vector<std::uint8_t>* sealed) {
    sealed->assign(SealedSize(static_cast<std::uint32_t>(plain.size())), 0);
    for (std::size_t i = 0; i < 8; ++i) (*sealed)[i] = static_cast<std::uint8_t>(i * 37 + 1);
    int written = 0, tail = 0;
    return EVP_EncryptInit_ex(context, EVP_des_ede_cbc(), nullptr, kKey, sealed->data()) == 1 &&
           EVP_EncryptUpdate(context, sealed->data() + 8, &written, plain.data(),
                             static_cast<int>(plain.size())) == 1 &&
           EVP_EncryptFinal_ex(context, sealed->data() + 8 + written, &tail) == 1 &&
           static_cast<std::size_t>(8 + written + tail) == sealed->size();
}

bool OpenAndDigest(EVP_CIPHER_CTX* cipher, EVP_MD_CTX* digest,
                   const std::vector<std::vector<std::uint8_t>>& sealed,
                   std::vector<std::uint8_t>* plain) {
    if (EVP_DigestInit_ex(digest, EVP_md5(), nullptr) != 1) return false;
    for (const std::vector<std::uint8_t>& block : sealed) {
        int written = 0, tail = 0;
        if (EVP_DecryptInit_ex(cipher, EVP_des_ede_cbc(), nullptr, kKey, block.data()) != 1 ||
            EVP_DecryptUpdate(cipher, plain->data(), &written, block.data() + 8,
                              static_cast<int>(block.size() - 8)) != 1 ||
            EVP_DecryptFinal_ex(cipher, plain->data() + written, &tail) != 1 ||
            EVP_DigestUpdate(digest, plain->data(), static_cast<std::size_t>(written + tail)) != 1)
            return false;
    }
    std::uint8_t md5[16];
    unsigned int length = 0;
    return EVP_DigestFinal_ex(digest, md5, &length) == 1;
}

}  // namespace

RequestCryptoBound::RequestCryptoBound(std::uint64_t dataSize)
    : cipher_(EVP_CIPHER_CTX_new()),
      digest_(EVP_MD_CTX_new()),
      plain_(kSizePrefix + kFileBlock + 8) {
    sealed_ = cipher_ != nullptr && digest_ != nullptr;
    for (const std::uint32_t size : BlockPlaintexts(dataSize)) {
        if (!sealed_) break;
        std::vector<std::uint8_t> plain(size);
        for (std::size_t i = 0; i < plain.size(); ++i)
            plain[i] = static_cast<std::uint8_t>(i * 131 + blocks_.size());
        blocks_.emplace_back();
        sealed_ = Seal(cipher_, plain, &blocks_.back());
    }
}

RequestCryptoBound::~RequestCryptoBound() {
    EVP_CIPHER_CTX_free(cipher_);
    EVP_MD_CTX_free(digest_);
}

std::chrono::nanoseconds RequestCryptoBound::Measure() {
    const auto start = std::chrono::steady_clock::now();
    if (!sealed_ || !OpenAndDigest(cipher_, digest_, blocks_, &plain_))
        return std::chrono::nanoseconds(-1);
    return std::chrono::steady_clock::now() - start;
}

}  // namespace vkt::bench
