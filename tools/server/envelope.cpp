#include "server/envelope.h"

#include <openssl/crypto.h>
#include <openssl/rsa.h>

#include <memory>

#include "server/hex_text.h"

namespace vkt::server {

namespace {

struct PkeyContextFree {
    void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
};

void PutBig16(std::vector<std::uint8_t>* out, std::size_t value) {
    out->push_back(static_cast<std::uint8_t>(value >> 8));
    out->push_back(static_cast<std::uint8_t>(value & 0xFF));
}

}  // namespace

bool SealEnvelope(EVP_PKEY* publicKey, int cipher, const std::vector<std::uint8_t>& key,
                  const std::uint8_t (&vector)[8], std::string* text) {
    std::vector<std::uint8_t> payload;
    PutBig16(&payload, static_cast<std::size_t>(cipher));
    PutBig16(&payload, key.size());
    PutBig16(&payload, sizeof vector);
    payload.insert(payload.end(), key.begin(), key.end());
    payload.insert(payload.end(), vector, vector + sizeof vector);

    const int bits = EVP_PKEY_get_bits(publicKey);
    std::vector<std::uint8_t> form;
    PutBig16(&form, static_cast<std::size_t>(bits));
    const std::size_t blockSize = static_cast<std::size_t>(bits + 7) / 8;
    form.resize(2 + blockSize);

    std::unique_ptr<EVP_PKEY_CTX, PkeyContextFree> context(
        EVP_PKEY_CTX_new_from_pkey(nullptr, publicKey, nullptr));
    std::size_t written = blockSize;
    const bool sealed = context && EVP_PKEY_encrypt_init(context.get()) == 1 &&
                        EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) == 1 &&
                        EVP_PKEY_encrypt(context.get(), form.data() + 2, &written, payload.data(),
                                         payload.size()) == 1 &&
                        written == blockSize;
    OPENSSL_cleanse(payload.data(), payload.size());
    if (!sealed) return false;
    *text = HexEncode(form.data(), form.size());
    return true;
}

}  // namespace vkt::server
