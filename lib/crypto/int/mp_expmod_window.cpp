// Modular exponentiation by fixed windows of w exponent bits, for secret exponents.
//
// Side channels: the exponent's bits decide neither a branch nor a memory address. The table
// holds every power base^i, 0 <= i < 2^w; each window costs w squarings and one product, zero
// windows included; each table read touches every entry and keeps the wanted one with a mask.
// The number of windows follows the exponent's bit length, which is all that the timing tells.
// For odd moduli (every RSA prime) the squarings and products are the Montgomery kernels, which
// are free of data-dependent branches as well. Even moduli keep the windows and masked reads
// but reduce with long division, whose timing depends on the data.
//
// The tables live in static storage, one per window width, and are wiped after every call.
#include <algorithm>
#include <cstring>

#include "crypto/core/alloc.h"
#include "crypto/int/mp_mont.h"

namespace vkt::crypto::mp {

using namespace detail;

namespace {

// Widths beyond this would only cost memory and table reads: 2^12 entries already exceed the
// products that any exponent below a million bits needs.
constexpr int kMaxWindowBits = 12;

StaticBuffer gPowerTables[kMaxWindowBits + 1];
StaticBuffer gAccumWords;
StaticBuffer gEntryWords;
MontContext gMont;
MpInt gModulus = nullptr;  // |m|
MpInt gResult = nullptr;
MpInt gEntry = nullptr;  // a selected table entry (even moduli)

// Window width for an exponent of `limbs` limbs.
int AutomaticWidth(std::int32_t limbs) {
    if (limbs <= 2) return 3;
    if (limbs <= 6) return 4;
    if (limbs <= 15) return 5;
    if (limbs <= 34) return 6;
    if (limbs <= 74) return 7;
    if (limbs <= 159) return 8;
    if (limbs <= 339) return 9;
    return 10;
}

inline std::uint64_t Opaque(std::uint64_t x) {
    __asm__("" : "+r"(x));
    return x;
}

// All ones when i == index, else zero; no branch.
inline std::uint64_t EqualMask(std::uint64_t i, std::uint64_t index) {
    std::uint64_t diff = i ^ index;
    return Opaque(((diff | (0 - diff)) >> 63) - 1);
}

// r = table[index], reading all `count` entries of `size` words. Built once per instruction set
// so that the masked reads run in the widest vectors the processor has; the version is chosen
// at first use with a plain function pointer (no ifunc: an ifunc resolver runs while the
// shared object is being relocated, before a sanitizer's runtime is ready).
using Vector = std::uint64_t __attribute__((vector_size(64)));

__attribute__((always_inline)) inline void SelectWordsBody(std::uint64_t* r,
                                                           const std::uint64_t* table, int count,
                                                           std::size_t size, std::uint64_t index) {
    constexpr std::size_t kLanes = sizeof(Vector) / sizeof(std::uint64_t);
    std::size_t j = 0;
    for (; j + kLanes <= size; j += kLanes) {
        Vector acc = {};
        for (int i = 0; i < count; ++i) {
            Vector entry;
            std::memcpy(&entry, table + static_cast<std::size_t>(i) * size + j, sizeof(entry));
            acc |= entry & EqualMask(static_cast<std::uint64_t>(i), index);
        }
        std::memcpy(r + j, &acc, sizeof(acc));
    }
    for (; j < size; ++j) {
        std::uint64_t acc = 0;
        for (int i = 0; i < count; ++i) {
            acc |= table[static_cast<std::size_t>(i) * size + j] &
                   EqualMask(static_cast<std::uint64_t>(i), index);
        }
        r[j] = acc;
    }
}

using SelectFn = void (*)(std::uint64_t*, const std::uint64_t*, int, std::size_t, std::uint64_t);

__attribute__((target("avx512f"))) void SelectWordsAvx512(std::uint64_t* r,
                                                          const std::uint64_t* table, int count,
                                                          std::size_t size, std::uint64_t index) {
    SelectWordsBody(r, table, count, size, index);
}

__attribute__((target("avx2"))) void SelectWordsAvx2(std::uint64_t* r, const std::uint64_t* table,
                                                     int count, std::size_t size,
                                                     std::uint64_t index) {
    SelectWordsBody(r, table, count, size, index);
}

void SelectWordsPortable(std::uint64_t* r, const std::uint64_t* table, int count, std::size_t size,
                         std::uint64_t index) {
    SelectWordsBody(r, table, count, size, index);
}

void SelectWords(std::uint64_t* r, const std::uint64_t* table, int count, std::size_t size,
                 std::uint64_t index) {
    static const SelectFn select = [] {
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx512f")) return SelectFn{SelectWordsAvx512};
        if (__builtin_cpu_supports("avx2")) return SelectFn{SelectWordsAvx2};
        return SelectFn{SelectWordsPortable};
    }();
    select(r, table, count, size, index);
}

// The same for 30-bit limbs (even moduli), where speed matters less than the division.
void SelectLimbs(Limb* r, const Limb* table, int count, std::size_t size, std::uint64_t index) {
    std::memset(r, 0, size * sizeof(Limb));
    for (int i = 0; i < count; ++i) {
        const Limb mask = static_cast<Limb>(EqualMask(static_cast<std::uint64_t>(i), index));
        const Limb* entry = table + static_cast<std::size_t>(i) * size;
        for (std::size_t j = 0; j < size; ++j) r[j] |= entry[j] & mask;
    }
}

// Bits [pos, pos + width) of the exponent, zeros beyond its top; width <= 12 spans at most two
// limbs.
std::uint64_t ExponentWindow(MpConst e, std::int32_t pos, int width) {
    const Limb* d = Digits(e);
    std::int32_t n = Size(e);
    std::int32_t limb = pos / NBITS;
    int off = pos % NBITS;
    std::uint64_t v = limb < n ? d[limb] >> off : 0;
    if (off + width > NBITS && limb + 1 < n) {
        v |= static_cast<std::uint64_t>(d[limb + 1]) << (NBITS - off);
    }
    return v & ((std::uint64_t{1} << width) - 1);
}

// Odd moduli: Montgomery words, all 2^w powers in the table.
void PowerMontgomery(MpConst a, MpConst e, int width) {
    gMont.Init(gModulus);
    const std::size_t n = static_cast<std::size_t>(gMont.Words());
    const int count = 1 << width;
    u64* table = gPowerTables[width].Get<u64>(static_cast<std::size_t>(count) * n);
    u64* acc = gAccumWords.Get<u64>(n);
    u64* entry = gEntryWords.Get<u64>(n);
    auto at = [&](int i) { return table + static_cast<std::size_t>(i) * n; };

    gMont.One(at(0));
    gMont.Enter(a, at(1));
    for (int i = 2; i < count; ++i) {
        if (i % 2 == 0) {
            gMont.Sqr(at(i), at(i / 2));
        } else {
            gMont.Mul(at(i), at(i - 1), at(1));
        }
    }

    const std::int32_t bits = bitlength(e);
    const std::int32_t windows = (bits + width - 1) / width;
    const std::int32_t lead = bits - (windows - 1) * width;  // bits in the leading window
    SelectWords(acc, table, count, n, ExponentWindow(e, (windows - 1) * width, lead));
    for (std::int32_t w = windows - 2; w >= 0; --w) {
        for (int s = 0; s < width; ++s) gMont.Sqr(acc, acc);
        SelectWords(entry, table, count, n, ExponentWindow(e, w * width, width));
        gMont.Mul(acc, acc, entry);
    }
    gMont.Leave(acc, &gResult);

    CryptoWipe(table, static_cast<std::size_t>(count) * n * sizeof(u64));
    gAccumWords.Wipe();
    gEntryWords.Wipe();
    gMont.Finish(false);
}

void PowerDivision(MpConst a, MpConst e, int width) {
    const std::size_t n = static_cast<std::size_t>(Size(gModulus));
    const int count = 1 << width;
    Limb* table = gPowerTables[width].Get<Limb>(static_cast<std::size_t>(count) * n);
    std::memset(table, 0, static_cast<std::size_t>(count) * n * sizeof(Limb));
    auto store = [&](int i, MpConst x) {
        std::memcpy(table + static_cast<std::size_t>(i) * n, Digits(x),
                    static_cast<std::size_t>(Size(x)) * sizeof(Limb));
    };
    // Entries padded to the modulus' length, so that every read is the same size.
    setlength(&gEntry, static_cast<std::int32_t>(n));
    auto select = [&](std::uint64_t index) {
        SelectLimbs(Digits(gEntry), table, count, n, index);
        SetSize(gEntry, static_cast<std::int32_t>(n), false);
    };

    intoz(1, &gResult);
    mod(gResult, gModulus, &gResult);
    store(0, gResult);
    mod(a, gModulus, &gResult);
    store(1, gResult);
    copy(gResult, &gEntry);
    for (int i = 2; i < count; ++i) {
        mulmod(gResult, gEntry, gModulus, &gResult);
        store(i, gResult);
    }

    const std::int32_t bits = bitlength(e);
    const std::int32_t windows = (bits + width - 1) / width;
    const std::int32_t lead = bits - (windows - 1) * width;
    select(ExponentWindow(e, (windows - 1) * width, lead));
    copy(gEntry, &gResult);
    for (std::int32_t w = windows - 2; w >= 0; --w) {
        for (int s = 0; s < width; ++s) sqmod(gResult, gModulus, &gResult);
        select(ExponentWindow(e, w * width, width));
        mulmod(gResult, gEntry, gModulus, &gResult);
    }

    CryptoWipe(table, static_cast<std::size_t>(count) * n * sizeof(Limb));
    WipeInt(gEntry);
}

}  // namespace

void expmod_m_ary(MpConst a, MpConst e, MpConst m, MpInt* c, int k) {
    a = OrZero(a);
    e = OrZero(e);
    m = OrZero(m);
    if (iszero(m)) Fatal("mod zero in expmod_m_ary");
    if (IsNegative(e)) Fatal("undef result in expmod_m_ary");
    if (Size(e) == 1) {
        expmod(a, e, m, c);
        return;
    }
    int width = k <= 1 ? AutomaticWidth(Size(e)) : std::min(k, 29);
    width = std::min(width, kMaxWindowBits);

    bool negativeModulus = IsNegative(m);
    copy(m, &gModulus);
    abs(&gModulus);
    if (bitlength(gModulus) == 1) {
        zero(&gResult);  // everything is 0 modulo 1
    } else if (Digits(gModulus)[0] & 1) {
        PowerMontgomery(a, e, width);
    } else {
        PowerDivision(a, e, width);
    }
    StoreResidue(gResult, gModulus, negativeModulus, c);
    WipeInt(gResult);
    WipeInt(gModulus);
}

}  // namespace vkt::crypto::mp
