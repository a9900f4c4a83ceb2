// SHA-1 with the x86 SHA extensions. Compiled for those instructions through a target
// attribute only, so the rest of the build needs no special flags; it is reached only after
// Sha1HardwareAvailable() has confirmed the instructions at run time.
//
// Register layout: abcd holds a, b, c, d with a in the highest lane; the fifth word e travels
// in the highest lane of the message-plus-e vector given to each group of four rounds
// (sha1nexte derives it from the a of four rounds earlier). Message vectors hold four
// schedule words w[t] .. w[t+3] with w[t] in the highest lane.
#include "crypto/hash/hash_algorithms.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

namespace vkt::crypto {
namespace {

#define VKT_SHA_TARGET __attribute__((target("sha,sse4.1")))

// Rounds 4q .. 4q+3. On entry m[q % 4] holds schedule words 4q .. 4q+3 (for q >= 1 still to
// be combined with e), and `previous` the abcd of four rounds earlier. Alongside, the schedule
// is advanced: sha1msg1 / xor / sha1msg2 produce the words of later groups in the ring m.
template <int q>
VKT_SHA_TARGET inline __attribute__((always_inline)) void Sha1Quad(__m128i& abcd, __m128i& previous,
                                                                   __m128i& e0, __m128i (&m)[4]) {
    __m128i e;
    if constexpr (q == 0) {
        e = _mm_add_epi32(e0, m[0]);
    } else {
        e = _mm_sha1nexte_epu32(previous, m[q % 4]);
    }
    previous = abcd;
    if constexpr (q >= 3 && q <= 18) m[(q + 1) % 4] = _mm_sha1msg2_epu32(m[(q + 1) % 4], m[q % 4]);
    abcd = _mm_sha1rnds4_epu32(abcd, e, q / 5);
    if constexpr (q >= 1 && q <= 16) m[(q + 3) % 4] = _mm_sha1msg1_epu32(m[(q + 3) % 4], m[q % 4]);
    if constexpr (q >= 2 && q <= 17) m[(q + 2) % 4] = _mm_xor_si128(m[(q + 2) % 4], m[q % 4]);
}

VKT_SHA_TARGET inline __attribute__((always_inline)) void Sha1Rounds(__m128i& abcd, __m128i& e0,
                                                                     __m128i (&m)[4]) {
    const __m128i abcdSaved = abcd;
    const __m128i eSaved = e0;
    __m128i previous = abcd;
    Sha1Quad<0>(abcd, previous, e0, m);
    Sha1Quad<1>(abcd, previous, e0, m);
    Sha1Quad<2>(abcd, previous, e0, m);
    Sha1Quad<3>(abcd, previous, e0, m);
    Sha1Quad<4>(abcd, previous, e0, m);
    Sha1Quad<5>(abcd, previous, e0, m);
    Sha1Quad<6>(abcd, previous, e0, m);
    Sha1Quad<7>(abcd, previous, e0, m);
    Sha1Quad<8>(abcd, previous, e0, m);
    Sha1Quad<9>(abcd, previous, e0, m);
    Sha1Quad<10>(abcd, previous, e0, m);
    Sha1Quad<11>(abcd, previous, e0, m);
    Sha1Quad<12>(abcd, previous, e0, m);
    Sha1Quad<13>(abcd, previous, e0, m);
    Sha1Quad<14>(abcd, previous, e0, m);
    Sha1Quad<15>(abcd, previous, e0, m);
    Sha1Quad<16>(abcd, previous, e0, m);
    Sha1Quad<17>(abcd, previous, e0, m);
    Sha1Quad<18>(abcd, previous, e0, m);
    Sha1Quad<19>(abcd, previous, e0, m);
    // e after eighty rounds is the a of round 76 rotated by 30; add the saved chaining words.
    e0 = _mm_sha1nexte_epu32(previous, eSaved);
    abcd = _mm_add_epi32(abcd, abcdSaved);
}

}  // namespace

VKT_SHA_TARGET void Sha1CompressHardware(std::uint32_t* state, const std::uint32_t* block,
                                         const std::uint8_t* data, std::size_t count) {
    // Bytes 0..15 of a block become w[0] .. w[3] big-endian with w[0] in the highest lane:
    // a full byte reversal of the vector.
    const __m128i reverseBytes = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    __m128i abcd =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
    __m128i e0 = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);
    __m128i m[4];
    if (data == nullptr) {
        // Loaded words are already in host order: only the lanes need reversing.
        for (int k = 0; k < 4; ++k) {
            m[k] = _mm_shuffle_epi32(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 4 * k)), 0x1B);
        }
        Sha1Rounds(abcd, e0, m);
    } else {
        for (; count != 0; --count, data += 64) {
            for (int k = 0; k < 4; ++k) {
                m[k] = _mm_shuffle_epi8(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * k)), reverseBytes);
            }
            Sha1Rounds(abcd, e0, m);
        }
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
    state[4] = static_cast<std::uint32_t>(_mm_extract_epi32(e0, 3));
}

#undef VKT_SHA_TARGET

}  // namespace vkt::crypto

#else

namespace vkt::crypto {

// Never selected on processors without the instructions; kept so that the symbol exists.
void Sha1CompressHardware(std::uint32_t* state, const std::uint32_t* block,
                          const std::uint8_t* data, std::size_t count) {
    Sha1CompressPortable(state, block, data, count);
}

}  // namespace vkt::crypto

#endif
