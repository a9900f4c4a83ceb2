#include "server/signature_check.h"

#include <openssl/crypto.h>
#include <openssl/rsa.h>

#include <memory>
#include <vector>

#include "server/hex_text.h"

namespace vkt::server {

namespace {

constexpr std::uint8_t kPayloadPrefix[6] = {0x01, 0x2F, 0x00, 0x10, 0x00, 0x00};

struct PkeyContextFree {
    void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
};

}  // namespace

bool CheckSignature(EVP_PKEY* publicKey, const std::string& text, const std::uint8_t (&md5)[16]) {
    std::string digits = text;
    if (!digits.empty() && digits.back() == '\0') digits.pop_back();
    std::vector<std::uint8_t> form;
    if (!HexDecode(digits, &form) || form.size() < 2) return false;

    const int bits = EVP_PKEY_get_bits(publicKey);
    const std::size_t blockSize = static_cast<std::size_t>(bits + 7) / 8;
    if ((form[0] << 8 | form[1]) != bits || form.size() != 2 + blockSize) return false;

    std::unique_ptr<EVP_PKEY_CTX, PkeyContextFree> context(
        EVP_PKEY_CTX_new_from_pkey(nullptr, publicKey, nullptr));
    std::vector<std::uint8_t> payload(blockSize);
    std::size_t size = payload.size();
    if (!context || EVP_PKEY_verify_recover_init(context.get()) != 1 ||
        EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) != 1 ||
        EVP_PKEY_verify_recover(context.get(), payload.data(), &size, form.data() + 2, blockSize) !=
            1)
        return false;
    if (size != sizeof kPayloadPrefix + sizeof md5) return false;
    return CRYPTO_memcmp(payload.data(), kPayloadPrefix, sizeof kPayloadPrefix) == 0 &&
           CRYPTO_memcmp(payload.data() + sizeof kPayloadPrefix, md5, sizeof md5) == 0;
}

}  // namespace vkt::server
