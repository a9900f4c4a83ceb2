// Test helpers for the integer package: an owning wrapper, exact conversions to and from
// OpenSSL's BIGNUM (the independent oracle), random operands and a representation check.
#pragma once

#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/crypto.h>

#include <cstdint>
#include <memory>
#include <string>

#include "crypto/int/mp.h"

namespace vkt::crypto::mp::test {

struct BnFree {
    void operator()(BIGNUM* bn) const { BN_free(bn); }
};
using Bn = std::unique_ptr<BIGNUM, BnFree>;

inline Bn NewBn() {
    return Bn(BN_new());
}

// Owns one integer of the package and frees it.
class Int {
  public:
    Int() = default;
    ~Int() { mp::free(&value_); }
    Int(const Int&) = delete;
    Int& operator=(const Int&) = delete;

    MpInt* out() { return &value_; }
    MpInt get() const { return value_; }
    operator MpConst() const { return value_; }

  private:
    MpInt value_ = nullptr;
};

// Reads the limbs directly (not through the package's own shifts and additions).
inline Bn ToBn(MpConst a) {
    Bn bn = NewBn();
    BN_zero(bn.get());
    if (a == nullptr) return bn;
    std::int32_t n = a[0] < 0 ? -a[0] : a[0];
    for (std::int32_t i = n; i >= 1; --i) {
        BN_lshift(bn.get(), bn.get(), NBITS);
        BN_add_word(bn.get(), static_cast<BN_ULONG>(a[i]));
    }
    BN_set_negative(bn.get(), a[0] < 0 ? 1 : 0);
    return bn;
}

// Writes the representation directly: limbs from the bits of the magnitude.
inline void FromBn(const BIGNUM* bn, MpInt* c) {
    int bits = BN_num_bits(bn);
    std::int32_t n = bits == 0 ? 1 : (bits + NBITS - 1) / NBITS;
    setlength(c, n);
    for (std::int32_t i = 0; i < n; ++i) {
        std::int32_t limb = 0;
        for (int k = 0; k < NBITS; ++k) {
            if (BN_is_bit_set(bn, i * NBITS + k)) limb |= 1 << k;
        }
        (*c)[i + 1] = limb;
    }
    (*c)[0] = (BN_is_negative(bn) && bits != 0) ? -n : n;
}

inline void FromHex(const char* hex, MpInt* c) {
    BIGNUM* bn = nullptr;
    BN_hex2bn(&bn, hex);
    FromBn(bn, c);
    BN_free(bn);
}

inline std::string Hex(const BIGNUM* bn) {
    char* text = BN_bn2hex(bn);
    std::string s(text);
    OPENSSL_free(text);
    return s;
}

inline std::string Hex(MpConst a) {
    return Hex(ToBn(a).get());
}

// Uniform in [0, n).
inline int RandomBelow(int n) {
    Bn bn = NewBn();
    Bn range = NewBn();
    BN_set_word(range.get(), static_cast<BN_ULONG>(n));
    BN_rand_range(bn.get(), range.get());
    return static_cast<int>(BN_get_word(bn.get()));
}

// A random integer of exactly `bits` bits (0 gives zero), negative half of the time if asked.
inline Bn RandomBn(int bits, bool maybeNegative = false) {
    Bn bn = NewBn();
    if (bits == 0) {
        BN_zero(bn.get());
    } else {
        BN_rand(bn.get(), bits, BN_RAND_TOP_ONE, BN_RAND_BOTTOM_ANY);
    }
    if (maybeNegative && bits != 0) BN_set_negative(bn.get(), RandomBelow(2));
    return bn;
}

inline Bn RandomOddBn(int bits) {
    Bn bn = NewBn();
    BN_rand(bn.get(), bits, BN_RAND_TOP_ONE, BN_RAND_BOTTOM_ODD);
    return bn;
}

// Representation invariants: length within capacity, limbs below 2^30, no leading zero limb,
// zero as length 1 with limb 0 and never negative.
inline ::testing::AssertionResult Normalised(MpConst a) {
    if (a == nullptr) return ::testing::AssertionFailure() << "null";
    std::int32_t n = a[0] < 0 ? -a[0] : a[0];
    if (n < 1 || n > a[-1]) return ::testing::AssertionFailure() << "length " << a[0];
    for (std::int32_t i = 1; i <= n; ++i) {
        if (a[i] < 0 || a[i] > RADIXM) return ::testing::AssertionFailure() << "limb " << i;
    }
    if (n > 1 && a[n] == 0) return ::testing::AssertionFailure() << "leading zero limb";
    if (n == 1 && a[1] == 0 && a[0] < 0) return ::testing::AssertionFailure() << "negative zero";
    return ::testing::AssertionSuccess();
}

}  // namespace vkt::crypto::mp::test
