// Products: schoolbook kernels, and the signed operations mul and sq.
//
// Carry bounds: a limb product is below 2^60; adding a limb and a carry below 2^34 keeps every
// accumulator below 2^61, well inside 64 bits.
#include <cstring>
#include <utility>

#include "crypto/core/alloc.h"
#include "crypto/int/mp_internal.h"

namespace vkt::crypto::mp {
namespace detail {

void MulBasecase(Limb* r, const Limb* a, std::int32_t na, const Limb* b, std::int32_t nb) {
    std::uint64_t carry = 0;
    std::uint64_t a0 = a[0];
    for (std::int32_t j = 0; j < nb; ++j) {
        carry += a0 * b[j];
        r[j] = static_cast<Limb>(carry) & kMask;
        carry >>= NBITS;
    }
    r[nb] = static_cast<Limb>(carry);
    for (std::int32_t i = 1; i < na; ++i) {
        std::uint64_t ai = a[i];
        Limb* row = r + i;
        carry = 0;
        for (std::int32_t j = 0; j < nb; ++j) {
            carry += ai * b[j] + row[j];
            row[j] = static_cast<Limb>(carry) & kMask;
            carry >>= NBITS;
        }
        row[nb] = static_cast<Limb>(carry);
    }
}

void SqrBasecase(Limb* r, const Limb* a, std::int32_t n) {
    // Cross products a[i] * a[j] for i < j, once each.
    std::memset(r, 0, 2 * static_cast<std::size_t>(n) * sizeof(Limb));
    for (std::int32_t i = 0; i + 1 < n; ++i) {
        std::uint64_t ai = a[i];
        Limb* row = r + i;
        std::uint64_t carry = 0;
        for (std::int32_t j = i + 1; j < n; ++j) {
            carry += ai * a[j] + row[j];
            row[j] = static_cast<Limb>(carry) & kMask;
            carry >>= NBITS;
        }
        row[n] = static_cast<Limb>(carry);
    }
    // Double them and add the squares a[i]^2 at limb 2i.
    std::uint64_t carry = 0;
    for (std::int32_t i = 0; i < n; ++i) {
        carry += 2 * static_cast<std::uint64_t>(r[2 * i]) + static_cast<std::uint64_t>(a[i]) * a[i];
        r[2 * i] = static_cast<Limb>(carry) & kMask;
        carry >>= NBITS;
        carry += 2 * static_cast<std::uint64_t>(r[2 * i + 1]);
        r[2 * i + 1] = static_cast<Limb>(carry) & kMask;
        carry >>= NBITS;
    }
}

}  // namespace detail

using namespace detail;

namespace {

// Holds a product while its output is one of its inputs.
StaticBuffer gProduct;

// Runs `product(r)` into the output's limbs, or through gProduct when the output is an input.
template <typename Product>
void StoreProduct(MpConst a, MpConst b, std::int32_t n, bool negative, MpInt* c, Product product) {
    if (*c != nullptr && (*c == a || *c == b)) {
        Limb* r = gProduct.Get<Limb>(static_cast<std::size_t>(n));
        product(r);
        Reserve(c, n);
        std::memcpy(Digits(*c), r, static_cast<std::size_t>(n) * sizeof(Limb));
        CryptoWipe(r, static_cast<std::size_t>(n) * sizeof(Limb));
    } else {
        Reserve(c, n);
        product(Digits(*c));
    }
    SetSize(*c, n, negative);
}

}  // namespace

void mul(MpConst a, MpConst b, MpInt* c) {
    a = OrZero(a);
    b = OrZero(b);
    if (a == b) {
        sq(a, c);
        return;
    }
    std::int32_t na = Size(a);
    std::int32_t nb = Size(b);
    bool negative = IsNegative(a) != IsNegative(b);
    if (na < nb) {
        std::swap(a, b);
        std::swap(na, nb);
    }
    StoreProduct(a, b, na + nb, negative, c,
                 [&](Limb* r) { MulLimbs(r, Digits(a), na, Digits(b), nb); });
}

void sq(MpConst a, MpInt* c) {
    a = OrZero(a);
    std::int32_t n = Size(a);
    StoreProduct(a, a, 2 * n, false, c, [&](Limb* r) { SqrLimbs(r, Digits(a), n); });
}

}  // namespace vkt::crypto::mp
