// 128-bit integers for the generator and the integer kernels: u128 and i128 are the compiler's
// own where it has them, else Wide128, a pair of 64-bit halves (32-bit targets). Defining
// VKT_PORTABLE_WIDE selects Wide128 everywhere, to run the whole layer on it on a 64-bit host.
//
// Wide128 gives exactly what that code does with the native types: + - * (the low 128 bits, as
// native wrap-around), shifts (arithmetic right shift for the signed one), & | ^ ~, comparisons,
// conversions from and to the built-in integers (truncating, sign-extending from signed ones)
// and, unsigned only, % (the generator's reduction). Its arithmetic runs the same instructions
// whatever the values, shifts included: carries, borrows and the choice between halves are
// taken with masks, never with branches, so the constant-time kernels stay constant-time.
#pragma once

#include <concepts>
#include <cstdint>
#include <type_traits>

namespace vkt::crypto {
namespace wide {

template <bool kSigned>
class Wide128 {
    using u64 = std::uint64_t;
    using i64 = std::int64_t;

  public:
    constexpr Wide128() = default;
    // Implicit, as the built-in widening is: a signed value is sign-extended.
    template <std::integral T>
    constexpr Wide128(T value)  // NOLINT(google-explicit-constructor)
        : low_(static_cast<u64>(value)),
          high_(std::is_signed_v<T> ? static_cast<u64>(static_cast<i64>(value) >> 63) : 0) {}
    constexpr explicit Wide128(const Wide128<!kSigned>& other)
        : low_(other.Low()), high_(other.High()) {}
    static constexpr Wide128 FromHalves(u64 high, u64 low) {
        Wide128 w;
        w.high_ = high;
        w.low_ = low;
        return w;
    }

    constexpr u64 Low() const { return low_; }
    constexpr u64 High() const { return high_; }
    // Truncation to the low bits, as a built-in narrowing conversion.
    template <std::integral T>
    constexpr explicit operator T() const {
        return static_cast<T>(low_);
    }

    friend constexpr Wide128 operator+(Wide128 a, Wide128 b) {
        const u64 low = a.low_ + b.low_;
        return FromHalves(a.high_ + b.high_ + static_cast<u64>(low < a.low_), low);
    }
    friend constexpr Wide128 operator-(Wide128 a, Wide128 b) {
        return FromHalves(a.high_ - b.high_ - static_cast<u64>(a.low_ < b.low_), a.low_ - b.low_);
    }
    friend constexpr Wide128 operator*(Wide128 a, Wide128 b) {
        const Wide128 low = MulWords(a.low_, b.low_);
        return FromHalves(low.high_ + a.low_ * b.high_ + a.high_ * b.low_, low.low_);
    }
    friend constexpr Wide128 operator-(Wide128 a) { return Wide128{} - a; }
    friend constexpr Wide128 operator~(Wide128 a) { return FromHalves(~a.high_, ~a.low_); }
    friend constexpr Wide128 operator&(Wide128 a, Wide128 b) {
        return FromHalves(a.high_ & b.high_, a.low_ & b.low_);
    }
    friend constexpr Wide128 operator|(Wide128 a, Wide128 b) {
        return FromHalves(a.high_ | b.high_, a.low_ | b.low_);
    }
    friend constexpr Wide128 operator^(Wide128 a, Wide128 b) {
        return FromHalves(a.high_ ^ b.high_, a.low_ ^ b.low_);
    }

    // Shifts by 0 to 127 places. (x >> 1) >> (63 - s) is x >> (64 - s) without the undefined
    // shift by 64 when s = 0; `far` selects the result of a shift by 64 or more.
    friend constexpr Wide128 operator<<(Wide128 a, int places) {
        const unsigned s = static_cast<unsigned>(places) & 63;
        const u64 far = 0 - static_cast<u64>((places >> 6) & 1);
        const u64 low = a.low_ << s;
        const u64 high = (a.high_ << s) | ((a.low_ >> 1) >> (63 - s));
        return FromHalves((high & ~far) | (low & far), low & ~far);
    }
    friend constexpr Wide128 operator>>(Wide128 a, int places) {
        const unsigned s = static_cast<unsigned>(places) & 63;
        const u64 far = 0 - static_cast<u64>((places >> 6) & 1);
        const u64 fill = kSigned ? static_cast<u64>(static_cast<i64>(a.high_) >> 63) : 0;
        const u64 high = kSigned ? static_cast<u64>(static_cast<i64>(a.high_) >> s) : a.high_ >> s;
        const u64 low = (a.low_ >> s) | ((a.high_ << 1) << (63 - s));
        return FromHalves((high & ~far) | (fill & far), (low & ~far) | (high & far));
    }

    friend constexpr bool operator==(Wide128 a, Wide128 b) {
        return ((a.high_ ^ b.high_) | (a.low_ ^ b.low_)) == 0;
    }
    friend constexpr bool operator<(Wide128 a, Wide128 b) {
        // The signed order is the unsigned one with the sign bits flipped.
        constexpr u64 flip = kSigned ? u64{1} << 63 : 0;
        const u64 ah = a.high_ ^ flip, bh = b.high_ ^ flip;
        return (ah < bh) | ((ah == bh) & (a.low_ < b.low_));
    }
    friend constexpr bool operator>(Wide128 a, Wide128 b) { return b < a; }
    friend constexpr bool operator<=(Wide128 a, Wide128 b) { return !(b < a); }
    friend constexpr bool operator>=(Wide128 a, Wide128 b) { return !(a < b); }

    // Remainder by restoring binary division: 128 steps, each subtracting d under a mask.
    // A divisor of 0 is undefined, as for the built-in types.
    friend constexpr Wide128 operator%(Wide128 n, Wide128 d) requires(!kSigned) {
        Wide128 r;
        for (int i = 127; i >= 0; --i) {
            // r < d before the step, so 2r + bit < 2d; the bit shifted out of r is the 2^128
            // of that value, and with it set the value is at least d.
            const u64 out = r.high_ >> 63;
            r = (r << 1) | ((n >> i) & Wide128(1));
            const u64 take = 0 - (out | static_cast<u64>(!(r < d)));
            const Wide128 mask = FromHalves(take, take);
            r = r - (d & mask);
        }
        return r;
    }

    constexpr Wide128& operator+=(Wide128 b) { return *this = *this + b; }
    constexpr Wide128& operator-=(Wide128 b) { return *this = *this - b; }
    constexpr Wide128& operator*=(Wide128 b) { return *this = *this * b; }
    constexpr Wide128& operator&=(Wide128 b) { return *this = *this & b; }
    constexpr Wide128& operator|=(Wide128 b) { return *this = *this | b; }
    constexpr Wide128& operator^=(Wide128 b) { return *this = *this ^ b; }
    constexpr Wide128& operator<<=(int places) { return *this = *this << places; }
    constexpr Wide128& operator>>=(int places) { return *this = *this >> places; }

  private:
    // The full product of two words from four 32 by 32 bit products.
    static constexpr Wide128 MulWords(u64 a, u64 b) {
        const u64 a0 = a & 0xFFFFFFFFu, a1 = a >> 32, b0 = b & 0xFFFFFFFFu, b1 = b >> 32;
        const u64 p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
        const u64 mid = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
        return FromHalves(p11 + (p01 >> 32) + (p10 >> 32) + (mid >> 32),
                          (mid << 32) | (p00 & 0xFFFFFFFFu));
    }

    // Low half first, as the built-in type is laid out on the little-endian targets.
    u64 low_ = 0;
    u64 high_ = 0;
};

using PortableU128 = Wide128<false>;
using PortableI128 = Wide128<true>;

}  // namespace wide

#if defined(__SIZEOF_INT128__) && !defined(VKT_PORTABLE_WIDE)
__extension__ typedef unsigned __int128 u128;
__extension__ typedef __int128 i128;
#else
using u128 = wide::PortableU128;
using i128 = wide::PortableI128;
#endif

}  // namespace vkt::crypto
