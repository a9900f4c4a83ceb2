// Inner helpers of the integer package: views of the representation, static scratch storage and
// the limb-level routines that the operations are built from.
//
// Limb routines work on magnitudes: arrays of 30-bit limbs (least significant first) with an
// explicit length. Unless stated otherwise they do not normalise and the output must not overlap
// the inputs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "crypto/int/mp.h"

namespace vkt::crypto::mp::detail {

using Limb = std::uint32_t;
constexpr Limb kMask = static_cast<Limb>(RADIXM);
constexpr std::uint64_t kRadix = std::uint64_t{1} << NBITS;

// The integer 0 as a read-only object: a null input reads as this.
extern const std::int32_t* const kZero;

inline MpConst OrZero(MpConst a) {
    return a == nullptr ? kZero : a;
}
inline std::int32_t Size(MpConst a) {
    return a[0] < 0 ? -a[0] : a[0];
}
inline bool IsNegative(MpConst a) {
    return a[0] < 0;
}
inline const Limb* Digits(MpConst a) {
    return reinterpret_cast<const Limb*>(a + 1);
}
inline Limb* Digits(MpInt a) {
    return reinterpret_cast<Limb*>(a + 1);
}
inline std::int32_t Capacity(MpConst a) {
    return a[-1];
}

// Makes *c hold at least n limbs. When an input is the same object as *c, pass it in `alias`
// so that it still names the (possibly moved) storage afterwards.
void Reserve(MpInt* c, std::int32_t n, MpConst* alias1 = nullptr, MpConst* alias2 = nullptr);

// Sets the length word of c from n limbs already written: leading zero limbs are dropped and
// zero is never negative.
void SetSize(MpInt c, std::int32_t n, bool negative);

// Overwrites the limbs of a with zeros and leaves it as 0 (for integers that held secrets).
void WipeInt(MpInt a);

// c = r as a residue modulo m in the convention of mod: r is in [0, |m|), and for a negative
// m a non-zero r becomes r - |m|. absM is |m|.
void StoreResidue(MpConst r, MpConst absM, bool negativeModulus, MpInt* c);

// Checks once that the floating-point arithmetic carries the quotient estimates of the
// division; fatal otherwise. Every integer passes through here on its first allocation.
void EnsureStarted();
// Fatal ("zstart failure") unless a floating-point type with this many mantissa bits carries
// the estimates.
void CheckQuotientEstimate(int mantissaBits);

// Storage that lives for the life of the process and grows on demand (never shrinks). Used for
// the package's scratch integers; Wipe() clears what it holds once a secret has passed through.
struct StaticBuffer {
    void* block = nullptr;
    std::size_t bytes = 0;

    void* Reserve(std::size_t size);
    void Wipe();
    template <typename T>
    T* Get(std::size_t count) {
        return static_cast<T*>(Reserve(count * sizeof(T)));
    }
};

// Magnitude comparison; the lengths may differ and leading zero limbs are allowed.
int CompareLimbs(const Limb* a, std::int32_t na, const Limb* b, std::int32_t nb);
// Number of limbs without the leading zero limbs (at least 1).
std::int32_t TrimmedSize(const Limb* a, std::int32_t n);
// r = a + b for na >= nb; writes na limbs and returns the carry (0 or 1). r may be a or b.
Limb AddLimbs(Limb* r, const Limb* a, std::int32_t na, const Limb* b, std::int32_t nb);
// r = a - b for a >= b, na >= nb; writes na limbs. r may be a or b.
void SubLimbs(Limb* r, const Limb* a, std::int32_t na, const Limb* b, std::int32_t nb);

// r[0 .. na+nb) = a * b; schoolbook.
void MulBasecase(Limb* r, const Limb* a, std::int32_t na, const Limb* b, std::int32_t nb);
// r[0 .. 2n) = a^2; schoolbook, each cross product once.
void SqrBasecase(Limb* r, const Limb* a, std::int32_t n);
// r[0 .. na+nb) = a * b, Karatsuba above the threshold. na >= nb >= 1.
void MulLimbs(Limb* r, const Limb* a, std::int32_t na, const Limb* b, std::int32_t nb);
// r[0 .. 2n) = a^2, Karatsuba squaring above the threshold.
void SqrLimbs(Limb* r, const Limb* a, std::int32_t n);

// Long division of magnitudes: q[0 .. na-nb] = a / b and r[0 .. nb) = a mod b, for
// b[nb-1] != 0 and na >= nb. q may be null. r may be a.
void DivLimbs(const Limb* a, std::int32_t na, const Limb* b, std::int32_t nb, Limb* q, Limb* r);

}  // namespace vkt::crypto::mp::detail
