// Digests over 8 KiB buffers, fed as the key context feeds files.
#include <benchmark/benchmark.h>
#include <openssl/md5.h>
#include <openssl/sha.h>

#include <vector>

#include "crypto/crypto.h"

namespace {

using namespace vkt::crypto;

constexpr std::size_t kBuffer = 8192;

const std::vector<std::uint8_t>& Buffer() {
    static const std::vector<std::uint8_t> data = [] {
        std::vector<std::uint8_t> d(kBuffer);
        for (std::size_t i = 0; i < d.size(); ++i) d[i] = static_cast<std::uint8_t>(i * 131 + 7);
        return d;
    }();
    return data;
}

void LibraryDigest(benchmark::State& state, std::int32_t algorithm) {
    Handle h = 0;
    CryptoHashCreate(&h, algorithm);
    for (auto _ : state) {
        CryptoHashUpdate(h, Buffer().data(), kBuffer);
        benchmark::ClobberMemory();
    }
    CryptoHashFree(h);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBuffer));
}

void BM_Md5Vkt(benchmark::State& state) {
    LibraryDigest(state, kAlgMd5);
}
void BM_Sha1Vkt(benchmark::State& state) {
    LibraryDigest(state, kAlgSha1);
}

void BM_Md5OpenSsl(benchmark::State& state) {
    MD5_CTX ctx;
    MD5_Init(&ctx);
    for (auto _ : state) {
        MD5_Update(&ctx, Buffer().data(), kBuffer);
        benchmark::ClobberMemory();
    }
    unsigned char out[16];
    MD5_Final(out, &ctx);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBuffer));
}

void BM_Sha1OpenSsl(benchmark::State& state) {
    SHA_CTX ctx;
    SHA1_Init(&ctx);
    for (auto _ : state) {
        SHA1_Update(&ctx, Buffer().data(), kBuffer);
        benchmark::ClobberMemory();
    }
    unsigned char out[20];
    SHA1_Final(out, &ctx);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBuffer));
}

}  // namespace

BENCHMARK(BM_Md5Vkt)->Name("MD5-8KiB/vkt");
BENCHMARK(BM_Md5OpenSsl)->Name("MD5-8KiB/openssl");
BENCHMARK(BM_Sha1Vkt)->Name("SHA1-8KiB/vkt");
BENCHMARK(BM_Sha1OpenSsl)->Name("SHA1-8KiB/openssl");
