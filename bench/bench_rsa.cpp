// RSA at 1024, 2048 and 4096 bits: the private-key operation (signing an MD5 digest) and the
// public-key operation (opening a signature block), the library against OpenSSL on the same
// keys and the same 22-byte payload.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <map>
#include <string>
#include <vector>

#include "crypto/core/layer.h"
#include "crypto/crypto.h"
#include "crypto/rsa/rsa_key.h"
#include "keygen/key_file_writer.h"

namespace {

using namespace vkt::crypto;
namespace keygen = vkt::keygen;

struct TestKey {
    EVP_PKEY* openssl = nullptr;
    Handle privateKey = 0;
    Handle publicKey = 0;
};

Handle LoadRecord(const EVP_PKEY* key, keygen::KeyKind kind) {
    const keygen::SecretBytes record = keygen::BuildKeyRecord(key, kind);
    const keygen::SecretBytes blob = keygen::BuildKeyBlob(record, keygen::SecretBytes());
    keygen::SecretBytes text = keygen::BuildKeyText(blob);
    text.push_back(0);
    Handle handle = 0;
    if (CryptoRsaKeyLoad(&handle, reinterpret_cast<const char*>(text.data()), "", kMaskHex) != 0) {
        std::abort();
    }
    return handle;
}

const TestKey& KeyOfSize(int bits) {
    static std::map<int, TestKey> keys;
    auto found = keys.find(bits);
    if (found != keys.end()) return found->second;
    TestKey key;
    key.openssl = EVP_RSA_gen(static_cast<unsigned>(bits));
    key.privateKey = LoadRecord(key.openssl, keygen::kKindPrivate);
    key.publicKey = LoadRecord(key.openssl, keygen::kKindPublic);
    return keys.emplace(bits, key).first->second;
}

// The payload of an MD5 signature: identifier 303, length 16, 0, then the digest.
std::vector<std::uint8_t> SignaturePayload() {
    std::vector<std::uint8_t> payload = {0x01, 0x2F, 0x00, 0x10, 0x00, 0x00};
    for (int i = 0; i < 16; ++i) payload.push_back(static_cast<std::uint8_t>(i * 17));
    return payload;
}

void BM_SignVkt(benchmark::State& state, int bits) {
    const TestKey& key = KeyOfSize(bits);
    Handle digest = 0;
    CryptoHashCreate(&digest, kAlgMd5);
    CryptoHashUpdate(digest, "benchmark", 9);
    for (auto _ : state) {
        Handle signature = 0;
        if (CryptoSign(&signature, digest, key.privateKey) != 0) state.SkipWithError("sign");
        CryptoSignatureFree(signature);
    }
    CryptoHashFree(digest);
}

void BM_SignOpenSsl(benchmark::State& state, int bits) {
    const TestKey& key = KeyOfSize(bits);
    const RSA* rsa = EVP_PKEY_get0_RSA(key.openssl);
    const std::vector<std::uint8_t> payload = SignaturePayload();
    std::vector<std::uint8_t> out(static_cast<std::size_t>(RSA_size(rsa)));
    for (auto _ : state) {
        const int n = RSA_private_encrypt(static_cast<int>(payload.size()), payload.data(),
                                          out.data(), const_cast<RSA*>(rsa), RSA_PKCS1_PADDING);
        if (n <= 0) state.SkipWithError("RSA_private_encrypt");
    }
}

// A signature block made by OpenSSL, opened with the public key on both sides.
std::vector<std::uint8_t> SignatureBlock(const TestKey& key) {
    const RSA* rsa = EVP_PKEY_get0_RSA(key.openssl);
    const std::vector<std::uint8_t> payload = SignaturePayload();
    std::vector<std::uint8_t> block(static_cast<std::size_t>(RSA_size(rsa)));
    RSA_private_encrypt(static_cast<int>(payload.size()), payload.data(), block.data(),
                        const_cast<RSA*>(rsa), RSA_PKCS1_PADDING);
    return block;
}

void BM_PublicVkt(benchmark::State& state, int bits) {
    const TestKey& key = KeyOfSize(bits);
    const std::vector<std::uint8_t> block = SignatureBlock(key);
    std::vector<std::uint8_t> data(block.size());
    LayerGuard guard;
    const auto* rsaKey = static_cast<const RsaKey*>(CryptoHandleLookup(key.publicKey, kTypeRsaKey));
    for (auto _ : state) {
        std::uint32_t length = 0;
        if (RsaBlockOpen(data.data(), &length, block.data(), *rsaKey) != 0 || length != 22) {
            state.SkipWithError("RsaBlockOpen");
        }
    }
}

void BM_PublicOpenSsl(benchmark::State& state, int bits) {
    const TestKey& key = KeyOfSize(bits);
    const RSA* rsa = EVP_PKEY_get0_RSA(key.openssl);
    const std::vector<std::uint8_t> block = SignatureBlock(key);
    std::vector<std::uint8_t> data(block.size());
    for (auto _ : state) {
        const int n = RSA_public_decrypt(static_cast<int>(block.size()), block.data(), data.data(),
                                         const_cast<RSA*>(rsa), RSA_PKCS1_PADDING);
        if (n != 22) state.SkipWithError("RSA_public_decrypt");
    }
}

}  // namespace

// Registered by hand so that each name ends in its side ("/vkt", "/openssl").
const bool registered = [] {
    for (int bits : {1024, 2048, 4096}) {
        const std::string size = "RSA-" + std::to_string(bits);
        benchmark::RegisterBenchmark((size + "-private/vkt").c_str(), BM_SignVkt, bits);
        benchmark::RegisterBenchmark((size + "-private/openssl").c_str(), BM_SignOpenSsl, bits);
        benchmark::RegisterBenchmark((size + "-public/vkt").c_str(), BM_PublicVkt, bits);
        benchmark::RegisterBenchmark((size + "-public/openssl").c_str(), BM_PublicOpenSsl, bits);
    }
    return true;
}();
