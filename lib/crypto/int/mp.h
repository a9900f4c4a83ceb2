// The multi-precision integer package: signed integers of up to 8192 bits and more, for the
// public-key operations and the random generator.
//
// Representation (binding for every caller):
//   An MpInt is a pointer to an array of 32-bit signed words.
//   word[-1]  capacity in limbs
//   word[0]   signed length: |word[0]| limbs in use, its sign is the sign of the number
//   word[1..] limbs, least significant first, each 0 .. 2^30 - 1 (radix 2^30)
//   Zero is length 1 with limb 0 (never a negative length); a normalised integer has no
//   leading zero limb except zero itself.
// A null pointer reads as zero. Outputs are passed as MpInt*: a null pointer gets storage
// (at least 140 limbs on first allocation), storage that is too small is grown. Inputs and
// outputs may be the same object. All storage comes from the wiping allocator.
//
// Fatal conditions write "fatal error:\n   <text>\nexit...\n" to standard error and end the
// process with status 0 (see Fatal below). The package is not reentrant (static scratch);
// the layer lock serialises it.
#pragma once

#include <cstdint>

namespace vkt::crypto::mp {

using MpInt = std::int32_t*;
using MpConst = const std::int32_t*;

constexpr int NBITS = 30;
constexpr std::int32_t RADIXM = 0x3FFFFFFF;
constexpr std::int32_t kMinLimbs = 140;  // first allocation: room for 4200 bits

// Tuning constants.
constexpr int kKaratsubaMulLimbs = 18;
constexpr int kKaratsubaMulDepth = 100;
constexpr int kKaratsubaSqLimbs = 18;
constexpr int kKaratsubaSqDepth = 60;

[[noreturn]] void Fatal(const char* text);

void setlength(MpInt* c, std::int32_t n);
void free(MpInt* c);
void zero(MpInt* c);
void one(MpInt* c);
void copy(MpConst a, MpInt* c);
void intoz(std::int32_t s, MpInt* c);
int compare(MpConst a, MpConst b);
int sign(MpConst a);
void abs(MpInt* c);
bool iszero(MpConst a);

void add(MpConst a, MpConst b, MpInt* c);
void sub(MpConst a, MpConst b, MpInt* c);
void mul(MpConst a, MpConst b, MpInt* c);
void sq(MpConst a, MpInt* c);
void lshift(MpConst a, std::int32_t k, MpInt* c);
void rshift(MpConst a, std::int32_t k, MpInt* c);
void div(MpConst a, MpConst b, MpInt* q, MpInt* r);  // q or r may be null
void mod(MpConst a, MpConst m, MpInt* c);            // remainder with the sign of the divisor

void mulmod(MpConst a, MpConst b, MpConst m, MpInt* c);
void sqmod(MpConst a, MpConst m, MpInt* c);
void expmod(MpConst a, MpConst e, MpConst m, MpInt* c);
void expmod_m_ary(MpConst a, MpConst e, MpConst m, MpInt* c, int k);
// Extended Euclid: g = gcd(a, b) = a*x + b*y (x or y may be null).
void xxeucl(MpConst a, MpConst b, MpInt* g, MpInt* x, MpInt* y);
void inv(MpConst a, MpConst m, MpInt* c);  // c = a^-1 mod m; fatal for zero or negative args

// Bit length of |a| (0 for zero).
std::int32_t bitlength(MpConst a);

}  // namespace vkt::crypto::mp
