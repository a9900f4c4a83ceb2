// Initialisation, buffered update and finalisation, common to the six digests.
#include "crypto/hash/hash_context.h"

#include <cstring>

#include "crypto/crypto.h"
#include "crypto/hash/hash_algorithms.h"
#include "crypto/hash/hash_words.h"

namespace vkt::crypto {
namespace {

// Initial chaining words: MD4's four (shared by MD5 and RIPEMD) and SHA's five (shared by
// SHA-1 and RIPEMD-160; the first four equal MD4's).
constexpr std::uint32_t kInitialState[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476,
                                            0xC3D2E1F0};

}  // namespace

void HashLoadLittleEndian(std::uint32_t* words, const std::uint8_t* bytes, std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) words[k] = LoadLittleEndian32(bytes + 4 * k);
}

void HashLoadBigEndian(std::uint32_t* words, const std::uint8_t* bytes, std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) words[k] = LoadBigEndian32(bytes + 4 * k);
}

void HashContextInit(HashContext* context, std::int32_t algorithm) {
    std::memset(context, 0, sizeof(HashContext));
    context->algorithm = algorithm;
    HashCompressFn compress = nullptr;
    bool littleEndian = true;
    switch (algorithm) {
        case kAlgMd4:
            compress = Md4Compress;
            break;
        case kAlgMd5:
            compress = Md5Compress;
            break;
        case kAlgSha:
            compress = Sha0Compress;
            littleEndian = false;
            break;
        case kAlgSha1:
            compress = Sha1SelectCompress();
            littleEndian = false;
            break;
        case kAlgRipemd:
            compress = RipemdCompress;
            break;
        case kAlgRipemd160:
            compress = Ripemd160Compress;
            break;
        default:
            // No routines: the context stays closed and inert.
            context->closed = 1;
            return;
    }
    std::memcpy(context->state, kInitialState, sizeof(kInitialState));
    context->load = littleEndian ? HashLoadLittleEndian : HashLoadBigEndian;
    context->compress = compress;
    context->littleEndian = littleEndian ? 1 : 0;
}

void HashContextUpdate(HashContext* context, const std::uint8_t* data, std::size_t length) {
    if (context->closed != 0 || length == 0) return;
    std::size_t index = (context->bits[0] >> 3) & 63;

    // The bit count is kept modulo 2^64 as the padding stores it.
    std::uint64_t bits = (std::uint64_t{context->bits[1]} << 32) | context->bits[0];
    bits += static_cast<std::uint64_t>(length) << 3;
    context->bits[0] = static_cast<std::uint32_t>(bits);
    context->bits[1] = static_cast<std::uint32_t>(bits >> 32);

    if (index != 0) {
        const std::size_t room = 64 - index;
        if (length < room) {
            std::memcpy(context->buffer + index, data, length);
            return;
        }
        std::memcpy(context->buffer + index, data, room);
        context->compress(context->state, context->block, context->buffer, 1);
        data += room;
        length -= room;
        index = 0;
    }
    const std::size_t blocks = length / 64;
    if (blocks != 0) {
        context->compress(context->state, context->block, data, blocks);
        data += blocks * 64;
        length -= blocks * 64;
    }
    std::memcpy(context->buffer, data, length);
}

void HashContextFinal(HashContext* context) {
    if (context->closed != 0) return;
    const std::size_t index = (context->bits[0] >> 3) & 63;

    // Padding: 0x80, zeros up to byte 56 of a block, then the 64-bit bit count as words 14 and
    // 15 (low word first for the little-endian digests, high word first for SHA and SHA-1).
    context->buffer[index] = 0x80;
    std::memset(context->buffer + index + 1, 0, 63 - index);
    if (index >= 56) {
        context->compress(context->state, context->block, context->buffer, 1);
        std::memset(context->buffer, 0, 56);
    }
    context->load(context->block, context->buffer, 14);
    context->block[14] = context->littleEndian != 0 ? context->bits[0] : context->bits[1];
    context->block[15] = context->littleEndian != 0 ? context->bits[1] : context->bits[0];
    context->compress(context->state, context->block, nullptr, 1);

    const int words = HashDigestLength(context->algorithm) / 4;
    for (int k = 0; k < words; ++k) {
        if (context->littleEndian != 0) {
            StoreLittleEndian32(context->digest + 4 * k, context->state[k]);
        } else {
            StoreBigEndian32(context->digest + 4 * k, context->state[k]);
        }
    }
    context->closed = 1;
}

}  // namespace vkt::crypto
