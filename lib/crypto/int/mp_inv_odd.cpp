// Modular inverse for an odd modulus by division steps, in constant time.
//
// With f odd, one division step maps (delta, f, g) to
//   (1 - delta, g, (g - f) / 2)            when delta > 0 and g is odd,
//   (1 + delta, f, (g + (g mod 2) f) / 2)  otherwise.
// From delta = 1, f = m, g = a (0 <= a < m) the pair reaches g = 0 and f = +-gcd(a, m) within
// floor((49 b + 57) / 17) steps for a b-bit m (floor((49 b + 80) / 17) when b < 46); the bound
// holds for every input (Bernstein and Yang, "Fast constant-time gcd computation and modular
// inversion", theorem 11.2). Alongside, d and e keep f = d a and g = e a (mod m) from d = 0,
// e = 1, so that at the end a^-1 = +-d.
//
// The steps go in batches of 62. A batch reads only the lowest limbs of f and g (the parity that
// step i reads depends on the low i + 1 bits alone) and yields an integer matrix [u v; q r] with
// |u| + |v| <= 2^62 and |q| + |r| <= 2^62 such that
//   f <- (u f + v g) / 2^62,  g <- (q f + r g) / 2^62           (exact divisions)
//   d <- (u d + v e + k m) / 2^62,  e <- (q d + r e + l m) / 2^62  (mod m)
// where the multiples k, l of m clear the low 62 bits. The number of batches depends only on
// the bit length of m, and the steps and limb loops select with masks instead of branching on
// the values, so the time does not reveal a.
//
// Numbers are held as n signed62 limbs, least significant first: limbs 0 .. n-2 in [0, 2^62),
// the top limb a signed 64-bit value that carries the sign. Ranges kept: |f|, |g| <= m and
// d, e in (-2m, m]. n = floor(bits / 62) + 1 leaves room for 2m and the sign.
#include <cstdint>
#include <cstring>

#include "crypto/core/wide.h"
#include "crypto/int/mp_internal.h"
#include "crypto/int/mp_inv.h"

namespace vkt::crypto::mp::detail {
namespace {

using i64 = std::int64_t;
using u64 = std::uint64_t;

constexpr int kBatch = 62;
constexpr i64 kLimbMask = (i64{1} << 62) - 1;

// f (or d) row u, v and g (or e) row q, r of a batch.
struct Matrix {
    i64 u, v, q, r;
};

StaticBuffer gNumbers;  // f, g, d, e and m in signed62 form

// Bit repacking from radix 2^30 (all of a's limbs) to n limbs of 62 bits.
void ToSigned62(MpConst a, i64* out, std::int32_t n) {
    const Limb* digits = Digits(a);
    const std::int32_t size = Size(a);
    u128 acc = 0;
    int held = 0;
    std::int32_t j = 0;
    for (std::int32_t i = 0; i < size; ++i) {
        acc |= static_cast<u128>(digits[i]) << held;
        held += NBITS;
        if (held >= 62) {
            out[j++] = static_cast<i64>(static_cast<u64>(acc) & kLimbMask);
            acc >>= 62;
            held -= 62;
        }
    }
    for (; j < n; ++j) {
        out[j] = static_cast<i64>(static_cast<u64>(acc) & kLimbMask);
        acc >>= 62;
    }
}

// x (non-negative, below 2^(30 size)) back into `size` limbs of 30 bits.
void FromSigned62(const i64* x, std::int32_t n, Limb* out, std::int32_t size) {
    u128 acc = 0;
    int held = 0;
    std::int32_t j = 0;
    for (std::int32_t i = 0; i < size; ++i) {
        if (held < NBITS && j < n) {
            acc |= static_cast<u128>(static_cast<u64>(x[j++])) << held;
            held += 62;
        }
        out[i] = static_cast<Limb>(acc) & kMask;
        acc >>= NBITS;
        held -= NBITS;
    }
}

// m^-1 mod 2^64 for odd m by Newton's iteration (x m = 1 mod 2^k gives mod 2^2k; odd m is its
// own inverse mod 2^3).
u64 InverseModWord(u64 m) {
    u64 x = m;
    for (int i = 0; i < 5; ++i) x *= 2 - m * x;
    return x;
}

// 62 division steps from the lowest limbs of f and g; returns the new delta. After i steps
// the low 62 - i bits of the words are exact, enough for the parity that the next step reads.
// Each step is the same sequence of masked operations: for odd g, g gains -f when delta > 0
// and +f otherwise; when delta > 0 f then gains the new g, which makes it the old g (the swap),
// and delta becomes 1 - delta instead of 1 + delta. zeta = -delta, so that delta > 0 is its
// sign bit.
i64 Divsteps(i64 delta, u64 f, u64 g, Matrix* t) {
    u64 u = 1, v = 0, q = 0, r = 1;  // 2^i f_i = u f + v g, 2^i g_i = q f + r g
    i64 zeta = -delta;
    for (int i = 0; i < kBatch; ++i) {
        const u64 positive = static_cast<u64>(zeta >> 63);
        const u64 odd = 0 - (g & 1);
        g += ((f ^ positive) - positive) & odd;
        q += ((u ^ positive) - positive) & odd;
        r += ((v ^ positive) - positive) & odd;
        const u64 swap = positive & odd;
        zeta = (zeta ^ static_cast<i64>(swap)) - 1 - static_cast<i64>(swap);
        f += g & swap;
        u += q & swap;
        v += r & swap;
        g >>= 1;
        u <<= 1;
        v <<= 1;
    }
    *t = {static_cast<i64>(u), static_cast<i64>(v), static_cast<i64>(q), static_cast<i64>(r)};
    return -zeta;
}

// (f, g) <- ((u f + v g) / 2^62, (q f + r g) / 2^62). Each column sums two products below
// 2^124 and a carry below 2^65.
void UpdateFg(i64* f, i64* g, std::int32_t n, const Matrix& t) {
    i128 cf = static_cast<i128>(t.u) * f[0] + static_cast<i128>(t.v) * g[0];
    i128 cg = static_cast<i128>(t.q) * f[0] + static_cast<i128>(t.r) * g[0];
    cf >>= 62;  // the low 62 bits are zero
    cg >>= 62;
    for (std::int32_t i = 1; i < n; ++i) {
        cf += static_cast<i128>(t.u) * f[i] + static_cast<i128>(t.v) * g[i];
        cg += static_cast<i128>(t.q) * f[i] + static_cast<i128>(t.r) * g[i];
        f[i - 1] = static_cast<i64>(static_cast<u64>(cf) & kLimbMask);
        g[i - 1] = static_cast<i64>(static_cast<u64>(cg) & kLimbMask);
        cf >>= 62;
        cg >>= 62;
    }
    f[n - 1] = static_cast<i64>(cf);
    g[n - 1] = static_cast<i64>(cg);
}

// (d, e) <- ((u d + v e + k m) / 2^62, (q d + r e + l m) / 2^62). A negative d or e counts as
// d + m (e + m), which puts it in (-m, m]; then k, l in (-2^62, 0] clear the low 62 bits, and
// the results land in (-2m, m] again. Columns: three products below 2^125 and a small carry.
void UpdateDe(i64* d, i64* e, const i64* m, std::int32_t n, u64 mInverse, const Matrix& t) {
    const i64 negD = d[n - 1] >> 63;
    const i64 negE = e[n - 1] >> 63;
    i64 k = (t.u & negD) + (t.v & negE);
    i64 l = (t.q & negD) + (t.r & negE);
    i128 cd = static_cast<i128>(t.u) * d[0] + static_cast<i128>(t.v) * e[0];
    i128 ce = static_cast<i128>(t.q) * d[0] + static_cast<i128>(t.r) * e[0];
    k -= static_cast<i64>((mInverse * static_cast<u64>(cd) + static_cast<u64>(k)) & kLimbMask);
    l -= static_cast<i64>((mInverse * static_cast<u64>(ce) + static_cast<u64>(l)) & kLimbMask);
    cd += static_cast<i128>(m[0]) * k;
    ce += static_cast<i128>(m[0]) * l;
    cd >>= 62;  // the low 62 bits are zero
    ce >>= 62;
    for (std::int32_t i = 1; i < n; ++i) {
        cd += static_cast<i128>(t.u) * d[i] + static_cast<i128>(t.v) * e[i] +
              static_cast<i128>(m[i]) * k;
        ce += static_cast<i128>(t.q) * d[i] + static_cast<i128>(t.r) * e[i] +
              static_cast<i128>(m[i]) * l;
        d[i - 1] = static_cast<i64>(static_cast<u64>(cd) & kLimbMask);
        e[i - 1] = static_cast<i64>(static_cast<u64>(ce) & kLimbMask);
        cd >>= 62;
        ce >>= 62;
    }
    d[n - 1] = static_cast<i64>(cd);
    e[n - 1] = static_cast<i64>(ce);
}

// x <- x + times * m for times in {-1, 0, 1}, with the limbs carried back into form.
void AddModulus(i64* x, const i64* m, std::int32_t n, i64 times) {
    i64 carry = 0;
    for (std::int32_t i = 0; i + 1 < n; ++i) {
        carry += x[i] + times * m[i];
        x[i] = carry & kLimbMask;
        carry >>= 62;
    }
    x[n - 1] += carry + times * m[n - 1];
}

// x <- -x when mask is all ones, x when it is zero.
void Negate(i64* x, std::int32_t n, i64 mask) {
    i64 carry = 0;
    for (std::int32_t i = 0; i + 1 < n; ++i) {
        carry += (x[i] ^ mask) - mask;
        x[i] = carry & kLimbMask;
        carry >>= 62;
    }
    x[n - 1] = carry + ((x[n - 1] ^ mask) - mask);
}

i64 SignMask(const i64* x, std::int32_t n) {
    return x[n - 1] >> 63;
}

// x == value, for a value of one limb.
bool EqualsWord(const i64* x, std::int32_t n, i64 value) {
    i64 other = x[0] ^ value;
    for (std::int32_t i = 1; i < n; ++i) other |= x[i];
    return other == 0;
}

}  // namespace

bool InvOddModulus(MpConst a, MpConst m, MpInt* c) {
    const std::int32_t bits = bitlength(m);
    const std::int32_t outLimbs = Size(m);
    const std::int32_t n = bits / 62 + 1;
    i64* f = gNumbers.Get<i64>(5 * static_cast<std::size_t>(n));
    i64* g = f + n;
    i64* d = g + n;
    i64* e = d + n;
    i64* mod = e + n;
    ToSigned62(m, mod, n);
    std::memcpy(f, mod, static_cast<std::size_t>(n) * sizeof(i64));
    ToSigned62(a, g, n);
    std::memset(d, 0, 2 * static_cast<std::size_t>(n) * sizeof(i64));
    e[0] = 1;
    const u64 mInverse = InverseModWord(static_cast<u64>(mod[0]));

    const std::int32_t steps = bits < 46 ? (49 * bits + 80) / 17 : (49 * bits + 57) / 17;
    i64 delta = 1;
    for (std::int32_t done = 0; done < steps; done += kBatch) {
        Matrix t;
        delta = Divsteps(delta, static_cast<u64>(f[0]), static_cast<u64>(g[0]), &t);
        UpdateDe(d, e, mod, n, mInverse, t);
        UpdateFg(f, g, n, t);
    }

    // Now g = 0 and f = +-gcd; with f = -1 the inverse is -d.
    const i64 negative = SignMask(f, n);
    Negate(f, n, negative);
    const bool found = EqualsWord(g, n, 0) && EqualsWord(f, n, 1);
    if (found) {
        Negate(d, n, negative);                  // (-2m, 2m)
        AddModulus(d, mod, n, -SignMask(d, n));  // (-m, 2m)
        AddModulus(d, mod, n, -SignMask(d, n));  // [0, 2m)
        AddModulus(d, mod, n, -1);               // [-m, m)
        AddModulus(d, mod, n, -SignMask(d, n));  // [0, m)
        Reserve(c, outLimbs);
        FromSigned62(d, n, Digits(*c), outLimbs);
        SetSize(*c, outLimbs, false);
    }
    gNumbers.Wipe();
    return found;
}

}  // namespace vkt::crypto::mp::detail
