// The RSA private operation: the Chinese remainder theorem behind a random blinding factor,
// and a check of the result before it leaves.
//
// Blinding keeps the secret exponents from showing through timing: the value exponentiated is
// x' = x * r^b mod n for a fresh random r prime to n, never x itself, and the result is
// unblinded with r^-1 (since (x r^b)^d = x^d r mod n). b is the exponent that inverts dp and dq
// (the record's e for every sound key, see rsa_blinding_exponent.cpp). With CRT
// (u = p^-1 mod q):
//   m1 = (x' mod p)^dp mod p,  m2 = (x' mod q)^dq mod q,
//   h  = (m2 - m1) * u mod q,  y' = m1 + p * h,  y = y' * r^-1 mod n.
// The result must satisfy y^b = x (mod n). It does for every record whose n, p, q, dp, dq and u
// agree; a record where they do not (a wrong u, n other than p q) gives a y that is no
// signature and no decryption, and a record with no b (neither e nor d belongs to dp and dq)
// does not say for which public key it signs. Both are refused with -608 "La firma o el sobre
// digital están corrompidos o son inválidos" rather than returned as a success. -608
// rather than -604: the record did decipher and pass its digest, so it is no password fault,
// and a 2604 would make the protocol send the server a password-failure notice.
#include <cstdint>

#include "crypto/core/alloc.h"
#include "crypto/int/mp.h"
#include "crypto/rsa/rsa_key.h"

namespace vkt::crypto {
namespace {

// Draws after which a modulus is taken to be no RSA modulus at all: with a real key a draw
// fails only when r is a multiple of p or q, a chance below 2^-250 even at 512 bits.
constexpr int kBlindingDraws = 64;

// r in 2 .. n - 1 (close to uniform) with gcd(r, n) = 1, and its inverse modulo n.
bool DrawBlindingFactor(const RsaKey& key, mp::MpInt* r, mp::MpInt* rInverse) {
    const std::uint32_t k = RsaModulusBytes(key.bits) + 8;  // 64 extra bits flatten mod n
    auto* random = static_cast<std::uint8_t*>(CryptoAlloc(k));
    MpScoped two;
    mp::intoz(2, two.out());
    bool found = false;
    for (int draw = 0; draw < kBlindingDraws && !found; ++draw) {
        CryptoRandomBytes(random, k, false);
        RsaIntFromBytes(random, k, r);
        mp::mod(*r, key.n, r);
        if (mp::compare(*r, two.get()) < 0) continue;
        // The inverse runs in constant time for an odd n; 0 means r shares a factor with n.
        mp::inv(*r, key.n, rInverse);
        found = !mp::iszero(*rInverse);
    }
    CryptoFree(random);
    return found;
}

}  // namespace

std::int32_t RsaPrivateOp(const RsaKey& key, mp::MpConst x, mp::MpInt* y) {
    MpScoped b, r, rInverse, blinded, m1, m2, h, check;
    if (!RsaBlindingExponent(key, b.out())) return kErrBadBlock;
    if (!DrawBlindingFactor(key, r.out(), rInverse.out())) return kErrInternal;

    mp::expmod_m_ary(r.get(), b.get(), key.n, blinded.out(), 1);
    mp::mulmod(x, blinded.get(), key.n, blinded.out());  // x' = x * r^b mod n

    mp::mod(blinded.get(), key.p, m1.out());
    mp::expmod_m_ary(m1.get(), key.dp, key.p, m1.out(), 1);
    mp::mod(blinded.get(), key.q, m2.out());
    mp::expmod_m_ary(m2.get(), key.dq, key.q, m2.out(), 1);

    if (mp::compare(m1.get(), m2.get()) == 0) {
        mp::copy(m1.get(), y);
    } else {
        mp::sub(m2.get(), m1.get(), h.out());
        mp::mulmod(h.get(), key.u, key.q, h.out());  // mod gives 0 <= h < q whatever the sign
        mp::mul(h.get(), key.p, h.out());
        mp::add(h.get(), m1.get(), y);
    }
    mp::mulmod(*y, rInverse.get(), key.n, y);  // unblind; also brings y below n

    mp::expmod_m_ary(*y, b.get(), key.n, check.out(), 1);
    if (mp::compare(check.get(), x) != 0) {
        mp::zero(y);
        return kErrBadBlock;
    }
    return kOk;
}

}  // namespace vkt::crypto
