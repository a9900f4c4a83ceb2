// Montgomery product and square kernels on 64-bit words.
//
// Product scanning: column k of the result gathers every a[i] b[k-i] and q[i] m[k-i] in a
// three-word accumulator (c2:c1:c0); in the low n columns the quotient word q[k] is chosen to
// clear c0, the high n columns are the result. The square adds each cross product a[i] a[j],
// i < j, once into a second accumulator and doubles it. The result t < 2m loses m under a mask.
// Every loop bound depends only on n, so the timing does not depend on the operands. Common
// sizes (moduli of 512 to 4096 bits) get kernels with n fixed at compile time; the rest use the
// same code with n at run time.
//
// Accumulator bound: a column holds at most 2n products below 2^128 plus the carry of the
// previous column, far below 2^192.
#include <utility>

#include "crypto/int/mp_mont.h"

namespace vkt::crypto::mp::detail {
namespace {

// (c2:c1:c0) += a b. With kMulx the product comes from MULX (BMI2), which leaves the flags and
// fixed registers alone and runs the carry chains markedly faster; the caller checks that the
// processor has it.
template <bool kMulx>
[[gnu::always_inline]] inline void MulAdd(u64& c0, u64& c1, u64& c2, u64 a, u64 b) {
#if defined(__x86_64__)
    if constexpr (kMulx) {
        u64 low, high;
        __asm__(
            "mulx %[b], %[low], %[high]\n\t"
            "addq %[low], %[c0]\n\t"
            "adcq %[high], %[c1]\n\t"
            "adcq $0, %[c2]"
            : [c0] "+r"(c0), [c1] "+r"(c1), [c2] "+r"(c2), [low] "=&r"(low), [high] "=&r"(high)
            : [b] "rm"(b), "d"(a)
            : "cc");
    } else {
        u64 high;
        __asm__(
            "mulq %[b]\n\t"
            "addq %%rax, %[c0]\n\t"
            "adcq %%rdx, %[c1]\n\t"
            "adcq $0, %[c2]"
            : [c0] "+r"(c0), [c1] "+r"(c1), [c2] "+r"(c2), "+a"(a), "=&d"(high)
            : [b] "rm"(b)
            : "cc");
    }
#else
    u128 p = static_cast<u128>(a) * b;
    u128 s = static_cast<u128>(c0) + static_cast<u64>(p);
    c0 = static_cast<u64>(s);
    s = static_cast<u128>(c1) + static_cast<u64>(p >> 64) + static_cast<u64>(s >> 64);
    c1 = static_cast<u64>(s);
    c2 += static_cast<u64>(s >> 64);
#endif
}

// (c2:c1:c0) += 2 (d2:d1:d0)
[[gnu::always_inline]] inline void AddTwice(u64& c0, u64& c1, u64& c2, u64 d0, u64 d1, u64 d2) {
#if defined(__x86_64__)
    __asm__(
        "addq %[d0], %[d0]\n\t"
        "adcq %[d1], %[d1]\n\t"
        "adcq %[d2], %[d2]\n\t"
        "addq %[d0], %[c0]\n\t"
        "adcq %[d1], %[c1]\n\t"
        "adcq %[d2], %[c2]"
        : [c0] "+r"(c0), [c1] "+r"(c1), [c2] "+r"(c2), [d0] "+r"(d0), [d1] "+r"(d1), [d2] "+r"(d2)
        :
        : "cc");
#else
    u128 s = static_cast<u128>(c0) + (d0 << 1);
    c0 = static_cast<u64>(s);
    s = static_cast<u128>(c1) + ((d1 << 1) | (d0 >> 63)) + static_cast<u64>(s >> 64);
    c1 = static_cast<u64>(s);
    c2 += (d2 << 1) + (d1 >> 63) + static_cast<u64>(s >> 64);
#endif
}

// Keeps the compiler from knowing that a mask is all ones or all zeros (and from turning the
// selection into a branch).
inline u64 Opaque(u64 x) {
    __asm__("" : "+r"(x));
    return x;
}

// r = t - m if the (n+1)-word value (top, t) is at least m, else t. t < 2m; r may not be t.
inline void SubtractIfAbove(u64* r, const u64* t, u64 top, const u64* m, int n) {
    u64 borrow = 0;
    for (int j = 0; j < n; ++j) {
        u128 d = static_cast<u128>(t[j]) - m[j] - borrow;
        r[j] = static_cast<u64>(d);
        borrow = static_cast<u64>(d >> 64) & 1;
    }
    // Keep t unless t - m went below zero: top = 0 and a final borrow.
    u64 keepT = Opaque(0 - ((top ^ 1) & borrow));
    for (int j = 0; j < n; ++j) r[j] = (t[j] & keepT) | (r[j] & ~keepT);
}

// Low column k < n: add the q m products of the column, choose q[k], shift.
template <bool kMulx>
inline void ReduceLowColumn(u64& c0, u64& c1, u64& c2, u64* q, const u64* m, u64 m0inv, int k) {
#pragma GCC unroll 8
    for (int i = 0; i < k; ++i) MulAdd<kMulx>(c0, c1, c2, q[i], m[k - i]);
    const u64 qk = c0 * m0inv;
    q[k] = qk;
    MulAdd<kMulx>(c0, c1, c2, qk, m[0]);  // c0 becomes 0
    c0 = c1;
    c1 = c2;
    c2 = 0;
}

// High column k >= n: add the q m products of the column, emit its word, shift.
template <bool kMulx>
inline void ReduceHighColumn(u64& c0, u64& c1, u64& c2, const u64* q, const u64* m, int n, int k,
                             u64* t) {
#pragma GCC unroll 8
    for (int i = k - n + 1; i < n; ++i) MulAdd<kMulx>(c0, c1, c2, q[i], m[k - i]);
    t[k - n] = c0;
    c0 = c1;
    c1 = c2;
    c2 = 0;
}

template <int N, bool kMulx>
void MontMul(u64* r, const u64* a, const u64* b, const u64* m, u64 m0inv, int n, u64* work) {
    const int len = N > 0 ? N : n;
    u64 local[N > 0 ? 2 * N : 1];
    u64* q = N > 0 ? local : work;
    u64* t = q + len;
    u64 c0 = 0, c1 = 0, c2 = 0;
    for (int k = 0; k < len; ++k) {
#pragma GCC unroll 8
        for (int i = 0; i <= k; ++i) MulAdd<kMulx>(c0, c1, c2, a[i], b[k - i]);
        ReduceLowColumn<kMulx>(c0, c1, c2, q, m, m0inv, k);
    }
    for (int k = len; k < 2 * len - 1; ++k) {
#pragma GCC unroll 8
        for (int i = k - len + 1; i < len; ++i) MulAdd<kMulx>(c0, c1, c2, a[i], b[k - i]);
        ReduceHighColumn<kMulx>(c0, c1, c2, q, m, len, k, t);
    }
    t[len - 1] = c0;
    SubtractIfAbove(r, t, c1, m, len);
}

template <int N, bool kMulx>
void MontSqr(u64* r, const u64* a, const u64* m, u64 m0inv, int n, u64* work) {
    const int len = N > 0 ? N : n;
    u64 local[N > 0 ? 2 * N : 1];
    u64* q = N > 0 ? local : work;
    u64* t = q + len;
    u64 c0 = 0, c1 = 0, c2 = 0;
    for (int k = 0; k < 2 * len - 1; ++k) {
        // Cross products a[i] a[k-i], i < k - i, once each, then doubled; the square of
        // a[k/2] on even columns.
        u64 d0 = 0, d1 = 0, d2 = 0;
        const int low = k < len ? 0 : k - len + 1;
#pragma GCC unroll 8
        for (int i = low; i < k - i; ++i) MulAdd<kMulx>(d0, d1, d2, a[i], a[k - i]);
        AddTwice(c0, c1, c2, d0, d1, d2);
        if ((k & 1) == 0) MulAdd<kMulx>(c0, c1, c2, a[k / 2], a[k / 2]);
        if (k < len) {
            ReduceLowColumn<kMulx>(c0, c1, c2, q, m, m0inv, k);
        } else {
            ReduceHighColumn<kMulx>(c0, c1, c2, q, m, len, k, t);
        }
    }
    t[len - 1] = c0;
    SubtractIfAbove(r, t, c1, m, len);
}

// Fully unrolled variants for small sizes: every index is a constant, so the columns become
// straight-line code with no loop or index arithmetic.
template <int K, int Low, int High, bool kMulx>
[[gnu::always_inline]] inline void ProductColumn(u64& c0, u64& c1, u64& c2, const u64* a,
                                                 const u64* b) {
    [&]<int... I>(std::integer_sequence<int, I...>) __attribute__((always_inline)) {
        (MulAdd<kMulx>(c0, c1, c2, a[Low + I], b[K - Low - I]), ...);
    }
    (std::make_integer_sequence<int, High - Low>{});
}

template <int K, int Low, int High, bool kMulx>
[[gnu::always_inline]] inline void CrossColumn(u64& d0, u64& d1, u64& d2, const u64* a) {
    [&]<int... I>(std::integer_sequence<int, I...>) __attribute__((always_inline)) {
        (MulAdd<kMulx>(d0, d1, d2, a[Low + I], a[K - Low - I]), ...);
    }
    (std::make_integer_sequence<int, High - Low>{});
}

template <int N, int K, bool kMulx>
[[gnu::always_inline]] inline void UnrolledReduce(u64& c0, u64& c1, u64& c2, u64* q, u64* t,
                                                  const u64* m, u64 m0inv) {
    if constexpr (K < N) {
        ProductColumn<K, 0, K, kMulx>(c0, c1, c2, q, m);
        const u64 qk = c0 * m0inv;
        q[K] = qk;
        MulAdd<kMulx>(c0, c1, c2, qk, m[0]);
    } else {
        ProductColumn<K, K - N + 1, N, kMulx>(c0, c1, c2, q, m);
        t[K - N] = c0;
    }
    c0 = c1;
    c1 = c2;
    c2 = 0;
}

template <int N, bool kMulx>
void MontMulUnrolled(u64* r, const u64* a, const u64* b, const u64* m, u64 m0inv, int, u64*) {
    u64 q[N];
    u64 t[N];
    u64 c0 = 0, c1 = 0, c2 = 0;
    [&]<int... K>(std::integer_sequence<int, K...>) __attribute__((always_inline)) {
        ((ProductColumn<K, (K < N ? 0 : K - N + 1), (K < N ? K + 1 : N), kMulx>(c0, c1, c2, a, b),
          UnrolledReduce<N, K, kMulx>(c0, c1, c2, q, t, m, m0inv)),
         ...);
    }
    (std::make_integer_sequence<int, 2 * N - 1>{});
    t[N - 1] = c0;
    SubtractIfAbove(r, t, c1, m, N);
}

template <int N, bool kMulx>
void MontSqrUnrolled(u64* r, const u64* a, const u64* m, u64 m0inv, int, u64*) {
    u64 q[N];
    u64 t[N];
    u64 c0 = 0, c1 = 0, c2 = 0;
    auto column = [&]<int K>(std::integral_constant<int, K>) __attribute__((always_inline)) {
        u64 d0 = 0, d1 = 0, d2 = 0;
        constexpr int low = K < N ? 0 : K - N + 1;
        constexpr int high = (K + 1) / 2;  // i < K - i
        if constexpr (high > low) CrossColumn<K, low, high, kMulx>(d0, d1, d2, a);
        AddTwice(c0, c1, c2, d0, d1, d2);
        if constexpr (K % 2 == 0) MulAdd<kMulx>(c0, c1, c2, a[K / 2], a[K / 2]);
        UnrolledReduce<N, K, kMulx>(c0, c1, c2, q, t, m, m0inv);
    };
    [&]<int... K>(std::integer_sequence<int, K...>) __attribute__((always_inline)) {
        (column(std::integral_constant<int, K>{}), ...);
    }
    (std::make_integer_sequence<int, 2 * N - 1>{});
    t[N - 1] = c0;
    SubtractIfAbove(r, t, c1, m, N);
}

// The fully unrolled kernels need the compiler's own 128-bit words: made of the portable pair
// (32-bit targets), their straight-line code takes the compiler many minutes to build and runs
// no faster than the loops, which those targets use at every size.
#if defined(__SIZEOF_INT128__) && !defined(VKT_PORTABLE_WIDE)
#define VKT_UNROLLED(kernel, n, kMulx) kernel##Unrolled<n, kMulx>
#else
#define VKT_UNROLLED(kernel, n, kMulx) kernel<n, kMulx>
#endif

template <bool kMulx>
MontKernels SelectFor(int n) {
    switch (n) {
        case 8:
            return {&VKT_UNROLLED(MontMul, 8, kMulx), &VKT_UNROLLED(MontSqr, 8, kMulx)};
        case 16:
            return {&VKT_UNROLLED(MontMul, 16, kMulx), &VKT_UNROLLED(MontSqr, 16, kMulx)};
        case 24:
            return {&MontMul<24, kMulx>, &MontSqr<24, kMulx>};
        case 32:
            return {&VKT_UNROLLED(MontMul, 32, kMulx), &VKT_UNROLLED(MontSqr, 32, kMulx)};
        case 48:
            return {&MontMul<48, kMulx>, &MontSqr<48, kMulx>};
        case 64:
            return {&MontMul<64, kMulx>, &MontSqr<64, kMulx>};
        default:
            return {&MontMul<0, kMulx>, &MontSqr<0, kMulx>};
    }
}

#undef VKT_UNROLLED

}  // namespace

MontKernels SelectMontKernels(int n) {
#if defined(__x86_64__)
    static const bool hasMulx = __builtin_cpu_supports("bmi2");
    if (hasMulx) return SelectFor<true>(n);
#endif
    return SelectFor<false>(n);
}

}  // namespace vkt::crypto::mp::detail
