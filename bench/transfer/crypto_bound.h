// The least a request of a file can cost at the receiving end: OpenSSL opening every sealed
// block (two-key triple DES in CBC, each block with its own vector) and MD5 over the
// plaintexts, with the blocks already in memory. Nothing of the network or the files.
#pragma once

#include <openssl/evp.h>

#include <chrono>
#include <cstdint>
#include <vector>

namespace vkt::bench {

class RequestCryptoBound {
  public:
    // Seals the blocks that carry dataSize bytes.
    explicit RequestCryptoBound(std::uint64_t dataSize);
    ~RequestCryptoBound();
    RequestCryptoBound(const RequestCryptoBound&) = delete;
    RequestCryptoBound& operator=(const RequestCryptoBound&) = delete;

    // The time of one opening and digesting of every block; negative when OpenSSL fails.
    std::chrono::nanoseconds Measure();

  private:
    EVP_CIPHER_CTX* cipher_;
    EVP_MD_CTX* digest_;
    bool sealed_ = false;
    std::vector<std::vector<std::uint8_t>> blocks_;
    std::vector<std::uint8_t> plain_;
};

}  // namespace vkt::bench
