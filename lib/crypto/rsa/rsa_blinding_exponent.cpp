// The exponent that blinds a private operation, and that checks its result.
//
// The private operation computes x^dp mod p and x^dq mod q. Blinding by x' = x * r^b only
// cancels (y' * r^-1 = x^d) when b inverts both exponents:
//   b * dp = 1 (mod p - 1)  and  b * dq = 1 (mod q - 1),
// since then (x r^b)^dp = x^dp * r (mod p), and likewise mod q; and a result y with y^b = x is
// then a signature that verifies with the public key (n, b). Nothing in a record ties its e to
// its dp and dq, so b must be an exponent the record itself states and that passes both
// congruences:
//   1. the record's e (every sound key);
//   2. else the public exponent that belongs to the record's d: b = d^-1 mod lcm(p - 1, q - 1)
//      (a record whose e field is wrong but whose d, dp and dq agree: b is then the key's true
//      public exponent, reduced modulo the lcm);
//   3. else none: the record does not say which public key its signatures are for.
// An exponent derived from dp and dq alone would always pass the congruences and so could not
// tell a damaged dp from a sound one; d is the second witness that does.
//
// The congruence tests divide by p - 1 and q - 1 at every use; the lcm and the inverse (only
// for a record whose e fails the congruences) use Euclid's variable-time divisions on d, p - 1
// and q - 1. All of them run on the same values at every use of a key, so their time is one
// fixed figure per key, not one that varies with the data signed. A derived b is as long as
// the lcm when the true e is not small, which makes the blinding and the check of such a
// record cost about two more full exponentiations modulo n.
#include "crypto/int/mp.h"
#include "crypto/rsa/rsa_key.h"

namespace vkt::crypto {
namespace {

// (b * exponent - 1) mod m = 0; m >= 1.
bool Inverts(mp::MpConst b, mp::MpConst exponent, mp::MpConst m) {
    MpScoped product, one;
    mp::one(one.out());
    mp::mul(b, exponent, product.out());
    mp::sub(product.get(), one.get(), product.out());
    mp::mod(product.get(), m, product.out());
    return mp::iszero(product.get());
}

// b = d^-1 mod lcm(p - 1, q - 1); false when there is none (p or q below 3, or d not prime to
// the lcm).
bool ExponentOfD(const RsaKey& key, mp::MpConst pm1, mp::MpConst qm1, mp::MpInt* b) {
    MpScoped two, g, lcm, reduced;
    mp::intoz(2, two.out());
    // p and q are above 1 (checked at load); p - 1 = 1 leaves no lcm to invert modulo.
    if (mp::compare(pm1, two.get()) < 0 || mp::compare(qm1, two.get()) < 0) return false;
    mp::xxeucl(pm1, qm1, g.out(), nullptr, nullptr);
    mp::div(qm1, g.get(), lcm.out(), nullptr);
    mp::mul(lcm.get(), pm1, lcm.out());
    mp::mod(key.d, lcm.get(), reduced.out());
    if (mp::iszero(reduced.get())) return false;
    mp::inv(reduced.get(), lcm.get(), b);  // 0 when gcd(d, lcm) != 1
    return !mp::iszero(*b);
}

}  // namespace

bool RsaBlindingExponent(const RsaKey& key, mp::MpInt* b) {
    MpScoped pm1, qm1, one;
    mp::one(one.out());
    mp::sub(key.p, one.get(), pm1.out());
    mp::sub(key.q, one.get(), qm1.out());
    auto invertsBoth = [&](mp::MpConst candidate) {
        return Inverts(candidate, key.dp, pm1.get()) && Inverts(candidate, key.dq, qm1.get());
    };
    if (invertsBoth(key.e)) {
        mp::copy(key.e, b);
        return true;
    }
    return ExponentOfD(key, pm1.get(), qm1.get(), b) && invertsBoth(*b);
}

}  // namespace vkt::crypto
