// Triple DES in CBC with padding over 8 KiB, as the protocol seals its blocks: the library's
// CryptoEncrypt (fresh vector, padding) against OpenSSL's EVP cipher with padding.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <vector>

#include "crypto/crypto.h"

namespace {

using namespace vkt::crypto;

constexpr std::uint32_t kBuffer = 8192;
const std::uint8_t kKey[24] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef,
                               0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef, 0x01,
                               0x45, 0x67, 0x89, 0xab, 0xcd, 0xef, 0x01, 0x23};

void LibraryCbc(benchmark::State& state, std::int32_t algorithm) {
    std::vector<std::uint8_t> in(kBuffer, 0x5A), out(kBuffer + 17);
    Handle key = 0;
    CryptoKeyCreate(&key, algorithm, kKey, kMaskRaw);
    for (auto _ : state) {
        std::uint32_t outLength = 0;
        CryptoEncrypt(key, out.data(), &outLength, in.data(), kBuffer, kModeCbc, kPadPkcs);
        benchmark::DoNotOptimize(outLength);
    }
    CryptoKeyFree(key);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBuffer));
}

void OpenSslCbc(benchmark::State& state, const EVP_CIPHER* cipher) {
    std::vector<std::uint8_t> in(kBuffer, 0x5A), out(kBuffer + 17);
    const std::uint8_t iv[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    for (auto _ : state) {
        int n = 0, tail = 0;
        EVP_EncryptInit_ex(ctx, cipher, nullptr, kKey, iv);
        EVP_EncryptUpdate(ctx, out.data(), &n, in.data(), static_cast<int>(kBuffer));
        EVP_EncryptFinal_ex(ctx, out.data() + n, &tail);
        benchmark::DoNotOptimize(tail);
    }
    EVP_CIPHER_CTX_free(ctx);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBuffer));
}

void BM_Des2Vkt(benchmark::State& s) {
    LibraryCbc(s, kAlgTripleDes2);
}
void BM_Des3Vkt(benchmark::State& s) {
    LibraryCbc(s, kAlgTripleDes3);
}
void BM_Des2OpenSsl(benchmark::State& s) {
    OpenSslCbc(s, EVP_des_ede_cbc());
}
void BM_Des3OpenSsl(benchmark::State& s) {
    OpenSslCbc(s, EVP_des_ede3_cbc());
}

}  // namespace

BENCHMARK(BM_Des2Vkt)->Name("3DES2-CBC-8KiB/vkt");
BENCHMARK(BM_Des2OpenSsl)->Name("3DES2-CBC-8KiB/openssl");
BENCHMARK(BM_Des3Vkt)->Name("3DES3-CBC-8KiB/vkt");
BENCHMARK(BM_Des3OpenSsl)->Name("3DES3-CBC-8KiB/openssl");
