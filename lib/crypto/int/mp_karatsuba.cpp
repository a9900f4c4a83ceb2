// Karatsuba products and squares on magnitudes.
//
// With a = a1 B^h + a0 and b = b1 B^h + b0 (B = 2^30):
//   a b = a1 b1 B^2h + ((a0 + a1)(b0 + b1) - a0 b0 - a1 b1) B^h + a0 b0.
// The outer products land directly in the output; the sums and the middle product live in the
// scratch of the recursion level (one static buffer per depth, kept for the life of the
// process and wiped after every top-level call, as the operands may be secret).
#include <algorithm>
#include <cstring>

#include "crypto/int/mp_internal.h"

namespace vkt::crypto::mp {
namespace detail {
namespace {

constexpr int kLevels = std::max(kKaratsubaMulDepth, kKaratsubaSqDepth) + 1;
StaticBuffer gScratch[kLevels];
int gDeepest = -1;  // deepest level that took scratch in the current top-level call

Limb* Scratch(int depth, std::int32_t limbs) {
    gDeepest = std::max(gDeepest, depth);
    return gScratch[depth].Get<Limb>(static_cast<std::size_t>(limbs));
}

void WipeScratch() {
    for (int depth = 0; depth <= gDeepest; ++depth) gScratch[depth].Wipe();
    gDeepest = -1;
}

// r += z at limb h, where the true sum fits in `room` limbs of r.
void AddMiddle(Limb* r, std::int32_t room, const Limb* z, std::int32_t nz) {
    nz = TrimmedSize(z, nz);
    AddLimbs(r, r, room, z, nz);
}

void KaratsubaMul(Limb* r, const Limb* a, std::int32_t na, const Limb* b, std::int32_t nb,
                  int depth) {
    if (nb < kKaratsubaMulLimbs || depth >= kKaratsubaMulDepth) {
        MulBasecase(r, a, na, b, nb);
        return;
    }
    std::int32_t h = (na + 1) / 2;
    if (nb <= h) {
        // Unbalanced: multiply b by slices of a of nb limbs and add them up.
        std::memset(r, 0, static_cast<std::size_t>(na + nb) * sizeof(Limb));
        Limb* t = Scratch(depth, 2 * nb);
        for (std::int32_t off = 0; off < na; off += nb) {
            std::int32_t len = std::min(nb, na - off);
            if (len == nb) {
                KaratsubaMul(t, a + off, len, b, nb, depth + 1);
            } else {
                KaratsubaMul(t, b, nb, a + off, len, depth + 1);
            }
            AddLimbs(r + off, r + off, len + nb, t, len + nb);  // no carry: partial sums fit
        }
        return;
    }
    std::int32_t la = na - h;  // h >= la >= lb >= 1
    std::int32_t lb = nb - h;
    Limb* sa = Scratch(depth, 4 * h + 4);
    Limb* sb = sa + (h + 1);
    Limb* z1 = sb + (h + 1);
    sa[h] = AddLimbs(sa, a, h, a + h, la);
    sb[h] = AddLimbs(sb, b, h, b + h, lb);
    KaratsubaMul(z1, sa, h + 1, sb, h + 1, depth + 1);
    KaratsubaMul(r, a, h, b, h, depth + 1);
    KaratsubaMul(r + 2 * h, a + h, la, b + h, lb, depth + 1);
    SubLimbs(z1, z1, 2 * h + 2, r, 2 * h);
    SubLimbs(z1, z1, 2 * h + 2, r + 2 * h, la + lb);
    AddMiddle(r + h, na + nb - h, z1, 2 * h + 2);
}

void KaratsubaSqr(Limb* r, const Limb* a, std::int32_t n, int depth) {
    if (n < kKaratsubaSqLimbs || depth >= kKaratsubaSqDepth) {
        SqrBasecase(r, a, n);
        return;
    }
    std::int32_t h = (n + 1) / 2;
    std::int32_t l = n - h;
    Limb* sa = Scratch(depth, 3 * h + 3);
    Limb* z1 = sa + (h + 1);
    sa[h] = AddLimbs(sa, a, h, a + h, l);
    KaratsubaSqr(z1, sa, h + 1, depth + 1);
    KaratsubaSqr(r, a, h, depth + 1);
    KaratsubaSqr(r + 2 * h, a + h, l, depth + 1);
    SubLimbs(z1, z1, 2 * h + 2, r, 2 * h);
    SubLimbs(z1, z1, 2 * h + 2, r + 2 * h, 2 * l);
    AddMiddle(r + h, 2 * n - h, z1, 2 * h + 2);
}

}  // namespace

void MulLimbs(Limb* r, const Limb* a, std::int32_t na, const Limb* b, std::int32_t nb) {
    KaratsubaMul(r, a, na, b, nb, 0);
    WipeScratch();
}

void SqrLimbs(Limb* r, const Limb* a, std::int32_t n) {
    KaratsubaSqr(r, a, n, 0);
    WipeScratch();
}

}  // namespace detail
}  // namespace vkt::crypto::mp
