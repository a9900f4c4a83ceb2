// Montgomery arithmetic in 64-bit words for odd moduli, the fast core of the exponentiations.
//
// Operands are arrays of n 64-bit words, least significant first, each value below the modulus
// m. With R = 2^(64n), x is held as x R mod m; MontMul(x R, y R) = x y R mod m. The kernels run
// the same instructions whatever the data: no branch and no memory index depends on an
// operand, and the final subtraction of m is selected with a mask.
#pragma once

#include <cstdint>

#include "crypto/core/wide.h"
#include "crypto/int/mp_internal.h"

namespace vkt::crypto::mp::detail {

using u64 = std::uint64_t;

// r = a b R^-1 mod m (a, b < m). r may be a or b. work holds 2n words for sizes without a
// fixed-size kernel.
using MontMulKernel = void (*)(u64* r, const u64* a, const u64* b, const u64* m, u64 m0inv, int n,
                               u64* work);
// r = a^2 R^-1 mod m (a < m). r may be a. work holds 2n words.
using MontSqrKernel = void (*)(u64* r, const u64* a, const u64* m, u64 m0inv, int n, u64* work);

struct MontKernels {
    MontMulKernel mul;
    MontSqrKernel sqr;
};

// The kernels for n words: unrolled fixed-size ones for the common sizes, else generic ones.
MontKernels SelectMontKernels(int n);

// Lives in static storage, with its own buffers; the package is not reentrant.
class MontContext {
  public:
    // Sets up for the modulus m, which must be odd and positive. When m is the modulus of the
    // previous call and that call kept its set-up (KeepForNextCall), R^2 mod m is reused.
    void Init(MpConst m);
    // Ends a call: clears every operand and, unless the modulus is public and kept for the
    // next call, everything derived from the modulus (it may be a secret prime).
    void Finish(bool keepModulus);

    int Words() const { return n_; }
    // out = (a mod m) R mod m, for any a (negative included).
    void Enter(MpConst a, u64* out);
    // out = R mod m, the 1 of the Montgomery form.
    void One(u64* out);
    // c = x R^-1 mod m, a normalised integer in [0, m).
    void Leave(const u64* x, MpInt* c);

    void Mul(u64* r, const u64* a, const u64* b) { kernels_.mul(r, a, b, m_, m0inv_, n_, work_); }
    void Sqr(u64* r, const u64* a) { kernels_.sqr(r, a, m_, m0inv_, n_, work_); }

  private:
    bool SameModulus(MpConst m) const;

    int n_ = 0;
    bool kept_ = false;  // m_, rr_ and m0inv_ still hold the previous modulus
    u64* m_ = nullptr;
    u64* rr_ = nullptr;  // R^2 mod m
    u64* work_ = nullptr;
    u64 m0inv_ = 0;  // -m^-1 mod 2^64
    MontKernels kernels_{};
    MpConst modulus_ = nullptr;
    StaticBuffer modulusWords_;
    StaticBuffer squareOfR_;
    StaticBuffer workWords_;
    StaticBuffer operandWords_;
    MpInt reduced_ = nullptr;  // an operand reduced modulo m, in 30-bit limbs
    MpInt power_ = nullptr;    // 2^(128n), then R^2 mod m
};

// Radix conversions between 30-bit limbs and n 64-bit words (the value must fit).
void LimbsToWords(const Limb* a, std::int32_t na, u64* out, int n);
void WordsToInt(const u64* x, int n, MpInt* c);

}  // namespace vkt::crypto::mp::detail
