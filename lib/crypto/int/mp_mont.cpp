// Montgomery context: the modulus in 64-bit words, its inverse word, R^2 mod m, and the moves
// of integers into and out of the Montgomery form.
#include "crypto/int/mp_mont.h"

#include <cstring>

#include "crypto/core/alloc.h"

namespace vkt::crypto::mp::detail {
namespace {

// -m0^-1 mod 2^64 for odd m0 by Newton's iteration; each step doubles the correct low bits
// (m0 is its own inverse modulo 8, so 3 -> 6 -> 12 -> 24 -> 48 -> 96).
u64 NegatedInverseWord(u64 m0) {
    u64 inverse = m0;
    for (int i = 0; i < 5; ++i) inverse *= 2 - m0 * inverse;
    return 0 - inverse;
}

}  // namespace

void LimbsToWords(const Limb* a, std::int32_t na, u64* out, int n) {
    std::memset(out, 0, static_cast<std::size_t>(n) * sizeof(u64));
    for (std::int32_t i = 0; i < na; ++i) {
        std::int64_t pos = static_cast<std::int64_t>(i) * NBITS;
        std::int64_t word = pos >> 6;
        int off = static_cast<int>(pos & 63);
        if (word < n) out[word] |= static_cast<u64>(a[i]) << off;
        if (off > 64 - NBITS && word + 1 < n) out[word + 1] |= static_cast<u64>(a[i]) >> (64 - off);
    }
}

void WordsToInt(const u64* x, int n, MpInt* c) {
    std::int32_t limbs =
        static_cast<std::int32_t>((64 * static_cast<std::int64_t>(n) + NBITS - 1) / NBITS);
    Reserve(c, limbs);
    Limb* d = Digits(*c);
    for (std::int32_t i = 0; i < limbs; ++i) {
        std::int64_t pos = static_cast<std::int64_t>(i) * NBITS;
        std::int64_t word = pos >> 6;
        int off = static_cast<int>(pos & 63);
        u64 v = x[word] >> off;
        if (off > 64 - NBITS && word + 1 < n) v |= x[word + 1] << (64 - off);
        d[i] = static_cast<Limb>(v) & kMask;
    }
    SetSize(*c, limbs, false);
}

bool MontContext::SameModulus(MpConst m) const {
    if (!kept_ || static_cast<int>((bitlength(m) + 63) / 64) != n_) return false;
    u64* x = static_cast<u64*>(operandWords_.block);
    LimbsToWords(Digits(m), Size(m), x, n_);
    bool same = true;
    for (int j = 0; j < n_; ++j) same = same && x[j] == m_[j];
    return same;
}

void MontContext::Init(MpConst m) {
    modulus_ = m;
    if (SameModulus(m)) return;
    n_ = static_cast<int>((bitlength(m) + 63) / 64);
    const std::size_t n = static_cast<std::size_t>(n_);
    m_ = modulusWords_.Get<u64>(n);
    LimbsToWords(Digits(m), Size(m), m_, n_);
    m0inv_ = NegatedInverseWord(m_[0]);
    kernels_ = SelectMontKernels(n_);
    work_ = workWords_.Get<u64>(2 * n + 2);
    operandWords_.Get<u64>(n);
    // R^2 mod m by one long division; every later move into the form is one product with it.
    intoz(1, &power_);
    lshift(power_, 128 * n_, &power_);
    mod(power_, m, &power_);
    rr_ = squareOfR_.Get<u64>(n);
    LimbsToWords(Digits(power_), Size(power_), rr_, n_);
    kept_ = false;
}

void MontContext::Finish(bool keepModulus) {
    workWords_.Wipe();
    operandWords_.Wipe();
    WipeInt(reduced_);
    WipeInt(power_);
    kept_ = keepModulus;
    if (!keepModulus) {
        modulusWords_.Wipe();
        squareOfR_.Wipe();
        m0inv_ = 0;
    }
}

void MontContext::Enter(MpConst a, u64* out) {
    mod(a, modulus_, &reduced_);
    u64* x = static_cast<u64*>(operandWords_.block);
    LimbsToWords(Digits(reduced_), Size(reduced_), x, n_);
    Mul(out, x, rr_);
}

void MontContext::One(u64* out) {
    u64* x = static_cast<u64*>(operandWords_.block);
    std::memset(x, 0, static_cast<std::size_t>(n_) * sizeof(u64));
    x[0] = 1;
    Mul(out, x, rr_);
}

void MontContext::Leave(const u64* x, MpInt* c) {
    u64* y = static_cast<u64*>(operandWords_.block);
    std::memset(y, 0, static_cast<std::size_t>(n_) * sizeof(u64));
    y[0] = 1;
    Mul(y, x, y);
    WordsToInt(y, n_, c);
}

}  // namespace vkt::crypto::mp::detail
