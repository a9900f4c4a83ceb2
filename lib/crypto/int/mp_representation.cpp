// Storage and representation of the integers: allocation, the fatal exit, the start-up check,
// and the operations that only read or set the length word and the low limbs.
//
// Storage block (words of 32 bits): [capacity][signed length][limb 1] ... [limb capacity]; the
// MpInt points at the length word. Blocks come from the wiping allocator, so released storage
// is overwritten with zeros.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "crypto/core/alloc.h"
#include "crypto/int/mp_internal.h"

namespace vkt::crypto::mp {
namespace {

// Capacity 1, length 1, limb 0.
constexpr std::int32_t kZeroStorage[3] = {1, 1, 0};

bool gStarted = false;

// Mantissa bits of the machine's double, measured rather than taken from the headers so that
// the check sees the arithmetic the division really runs on.
int MeasuredMantissaBits() {
    volatile double one = 1.0;
    volatile double step = 1.0;
    int bits = 0;
    while (one + step != one) {
        step = step / 2.0;
        ++bits;
    }
    return bits;
}

std::size_t BlockBytes(std::int32_t capacity) {
    return (static_cast<std::size_t>(capacity) + 2) * sizeof(std::int32_t);
}

}  // namespace

namespace detail {

const std::int32_t* const kZero = kZeroStorage + 1;

void CheckQuotientEstimate(int mantissaBits) {
    // The division estimates a 30-bit quotient limb from three limbs of the remainder and the
    // divisor's leading limbs; with 8 guard bits beyond the limb the estimate is off by at most
    // one, which the correction step absorbs.
    if (mantissaBits < NBITS + 8) Fatal("zstart failure: recompile with smaller NBITS\n");
}

void EnsureStarted() {
    if (gStarted) return;
    CheckQuotientEstimate(MeasuredMantissaBits());
    gStarted = true;
}

void Reserve(MpInt* c, std::int32_t n, MpConst* alias1, MpConst* alias2) {
    MpInt old = *c;
    if (old != nullptr && Capacity(old) >= n) return;
    setlength(c, n);
    if (old == nullptr) return;
    if (alias1 != nullptr && *alias1 == old) *alias1 = *c;
    if (alias2 != nullptr && *alias2 == old) *alias2 = *c;
}

void SetSize(MpInt c, std::int32_t n, bool negative) {
    const Limb* d = Digits(c);
    while (n > 1 && d[n - 1] == 0) --n;
    if (n == 1 && d[0] == 0) negative = false;
    c[0] = negative ? -n : n;
}

void WipeInt(MpInt a) {
    if (a == nullptr) return;
    CryptoWipe(a + 1, static_cast<std::size_t>(Capacity(a)) * sizeof(std::int32_t));
    a[0] = 1;
}

void StoreResidue(MpConst r, MpConst absM, bool negativeModulus, MpInt* c) {
    if (negativeModulus && !iszero(r)) {
        sub(r, absM, c);
    } else {
        copy(r, c);
    }
}

void* StaticBuffer::Reserve(std::size_t size) {
    if (block == nullptr || size > bytes) {
        block = CryptoRealloc(block, size);
        bytes = size;
    }
    return block;
}

void StaticBuffer::Wipe() {
    CryptoWipe(block, bytes);
}

}  // namespace detail

using namespace detail;

void Fatal(const char* text) {
    std::fprintf(stderr, "fatal error:\n   %s\nexit...\n", text);
    std::fflush(stderr);
    std::exit(0);
}

void setlength(MpInt* c, std::int32_t n) {
    if (n < 0) Fatal("neg size alloc in setlength");
    EnsureStarted();
    if (*c == nullptr) {
        std::int32_t capacity = n < kMinLimbs ? kMinLimbs : n;
        auto* block = static_cast<std::int32_t*>(CryptoAlloc(BlockBytes(capacity)));
        block[0] = capacity;
        block[1] = 1;  // zero: length 1, limb 0
        *c = block + 1;
        return;
    }
    if (Capacity(*c) >= n) return;
    auto* block = static_cast<std::int32_t*>(CryptoRealloc(*c - 1, BlockBytes(n)));
    block[0] = n;
    *c = block + 1;
}

void free(MpInt* c) {
    if (*c == nullptr) return;
    CryptoFree(*c - 1);
    *c = nullptr;
}

void zero(MpInt* c) {
    Reserve(c, 1);
    (*c)[0] = 1;
    (*c)[1] = 0;
}

void one(MpInt* c) {
    intoz(1, c);
}

void copy(MpConst a, MpInt* c) {
    a = OrZero(a);
    if (a == *c) return;
    std::int32_t n = Size(a);
    Reserve(c, n);
    std::memcpy(*c, a, (static_cast<std::size_t>(n) + 1) * sizeof(std::int32_t));
}

void intoz(std::int32_t s, MpInt* c) {
    Reserve(c, 2);
    std::uint32_t magnitude = static_cast<std::uint32_t>(s);
    if (s < 0) magnitude = 0u - magnitude;
    Limb* d = Digits(*c);
    d[0] = magnitude & kMask;
    d[1] = magnitude >> NBITS;
    SetSize(*c, 2, s < 0);
}

int compare(MpConst a, MpConst b) {
    a = OrZero(a);
    b = OrZero(b);
    bool negA = IsNegative(a);
    if (negA != IsNegative(b)) return negA ? -1 : 1;
    int magnitude = CompareLimbs(Digits(a), Size(a), Digits(b), Size(b));
    return negA ? -magnitude : magnitude;
}

int sign(MpConst a) {
    a = OrZero(a);
    if (IsNegative(a)) return -1;
    return (a[0] == 1 && a[1] == 0) ? 0 : 1;
}

void abs(MpInt* c) {
    if (*c != nullptr && (*c)[0] < 0) (*c)[0] = -(*c)[0];
}

bool iszero(MpConst a) {
    return sign(a) == 0;
}

std::int32_t bitlength(MpConst a) {
    a = OrZero(a);
    std::int32_t n = Size(a);
    Limb top = Digits(a)[n - 1];
    if (top == 0) return 0;  // normalised: only zero has a zero top limb
    return (n - 1) * NBITS + (32 - __builtin_clz(top));
}

}  // namespace vkt::crypto::mp
