// Division: long division of magnitudes with floating-point quotient estimates, and the signed
// operations div (quotient truncated toward zero, remainder with the sign of the dividend) and
// mod (remainder with the sign of the divisor).
#include <cstring>

#include "crypto/core/alloc.h"
#include "crypto/int/mp_internal.h"

namespace vkt::crypto::mp {
namespace detail {
namespace {

StaticBuffer gWork;  // the running remainder of DivLimbs

constexpr double kRadixD = static_cast<double>(kRadix);

void DivBySingleLimb(const Limb* a, std::int32_t na, std::uint64_t d, Limb* q, Limb* r) {
    std::uint64_t rem = 0;
    for (std::int32_t i = na - 1; i >= 0; --i) {
        std::uint64_t cur = (rem << NBITS) | a[i];
        if (q != nullptr) q[i] = static_cast<Limb>(cur / d);
        rem = cur % d;
    }
    r[0] = static_cast<Limb>(rem);
}

}  // namespace

void DivLimbs(const Limb* a, std::int32_t na, const Limb* b, std::int32_t nb, Limb* q, Limb* r) {
    if (nb == 1) {
        DivBySingleLimb(a, na, b[0], q, r);
        return;
    }
    Limb* w = gWork.Get<Limb>(static_cast<std::size_t>(na) + 1);
    std::memcpy(w, a, static_cast<std::size_t>(na) * sizeof(Limb));
    w[na] = 0;

    // The divisor's two or three leading limbs, in units of B^(nb-2). It is at least B, so the
    // estimate below is within one of the true quotient limb.
    double divisor = static_cast<double>(b[nb - 1]) * kRadixD + b[nb - 2];
    if (nb >= 3) divisor += static_cast<double>(b[nb - 3]) / kRadixD;
    const double reciprocal = 1.0 / divisor;

    for (std::int32_t j = na - nb; j >= 0; --j) {
        // Window w[j .. j+nb] < b * B. Estimate its quotient from its three leading limbs.
        Limb* win = w + j;
        double top = (static_cast<double>(win[nb]) * kRadixD + win[nb - 1]) * kRadixD + win[nb - 2];
        double estimate = top * reciprocal;
        std::uint64_t qhat =
            estimate >= static_cast<double>(kMask) ? kMask : static_cast<std::uint64_t>(estimate);
        if (qhat != 0) {
            // win -= qhat * b; carry bound: qhat * b[i] + cy < 2^60 + 2^31.
            std::uint64_t cy = 0;
            for (std::int32_t i = 0; i < nb; ++i) {
                std::uint64_t p = qhat * b[i] + cy;
                Limb t = win[i] - (static_cast<Limb>(p) & kMask);
                win[i] = t & kMask;
                cy = (p >> NBITS) + (t >> 31);
            }
            std::int64_t high = static_cast<std::int64_t>(win[nb]) - static_cast<std::int64_t>(cy);
            while (high < 0) {  // estimate one too large
                high += AddLimbs(win, win, nb, b, nb);
                --qhat;
            }
            win[nb] = static_cast<Limb>(high);
        }
        while (win[nb] != 0 || CompareLimbs(win, nb, b, nb) >= 0) {  // estimate one too small
            SubLimbs(win, win, nb + 1, b, nb);
            ++qhat;
        }
        if (q != nullptr) q[j] = static_cast<Limb>(qhat);
    }
    std::memcpy(r, w, static_cast<std::size_t>(nb) * sizeof(Limb));
    CryptoWipe(w, (static_cast<std::size_t>(na) + 1) * sizeof(Limb));
}

}  // namespace detail

using namespace detail;

namespace {

StaticBuffer gQuotient;
StaticBuffer gRemainder;

void StoreLimbs(const Limb* x, std::int32_t n, bool negative, MpInt* c) {
    Reserve(c, n);
    std::memcpy(Digits(*c), x, static_cast<std::size_t>(n) * sizeof(Limb));
    SetSize(*c, n, negative);
}

}  // namespace

void div(MpConst a, MpConst b, MpInt* q, MpInt* r) {
    a = OrZero(a);
    b = OrZero(b);
    if (iszero(b)) Fatal("div by zero in div");
    std::int32_t na = Size(a);
    std::int32_t nb = Size(b);
    bool negA = IsNegative(a);
    bool negQ = negA != IsNegative(b);
    if (CompareLimbs(Digits(a), na, Digits(b), nb) < 0) {
        if (r != nullptr) copy(a, r);
        if (q != nullptr) zero(q);
        return;
    }
    std::int32_t nq = na - nb + 1;
    Limb* quotient = gQuotient.Get<Limb>(static_cast<std::size_t>(nq));
    Limb* remainder = gRemainder.Get<Limb>(static_cast<std::size_t>(nb));
    DivLimbs(Digits(a), na, Digits(b), nb, quotient, remainder);
    if (q != nullptr) StoreLimbs(quotient, nq, negQ, q);
    if (r != nullptr) StoreLimbs(remainder, nb, negA, r);
    gQuotient.Wipe();
    gRemainder.Wipe();
}

void mod(MpConst a, MpConst m, MpInt* c) {
    a = OrZero(a);
    m = OrZero(m);
    if (iszero(m)) Fatal("div by zero in mod");
    std::int32_t na = Size(a);
    std::int32_t nm = Size(m);
    bool negA = IsNegative(a);
    bool negM = IsNegative(m);
    if (!negA && !negM && CompareLimbs(Digits(a), na, Digits(m), nm) < 0) {
        copy(a, c);
        return;
    }
    Limb* remainder = gRemainder.Get<Limb>(static_cast<std::size_t>(nm));
    if (CompareLimbs(Digits(a), na, Digits(m), nm) < 0) {
        std::memset(remainder, 0, static_cast<std::size_t>(nm) * sizeof(Limb));
        std::memcpy(remainder, Digits(a), static_cast<std::size_t>(na) * sizeof(Limb));
    } else {
        DivLimbs(Digits(a), na, Digits(m), nm, nullptr, remainder);
    }
    if (TrimmedSize(remainder, nm) == 1 && remainder[0] == 0) {
        zero(c);
    } else {
        // |a| = k |m| + R with 0 < R < |m|; a of the other sign than m gives |m| - R.
        if (negA != negM) SubLimbs(remainder, Digits(m), nm, remainder, nm);
        StoreLimbs(remainder, nm, negM, c);
    }
    gRemainder.Wipe();
}

}  // namespace vkt::crypto::mp
