// Modular inverse for an odd modulus, without long division (see mp_inv_odd.cpp).
#pragma once

#include "crypto/int/mp.h"

namespace vkt::crypto::mp::detail {

// c = |a|^-1 mod |m| in 0 .. |m| - 1, for odd m and |a| < |m|. The running time depends only
// on the bit length of m (and the limb count of a), not on the value of a. Returns false and
// leaves c untouched when gcd(a, m) != 1; the caller decides what that means. c may be the same
// object as a or m.
bool InvOddModulus(MpConst a, MpConst m, MpInt* c);

}  // namespace vkt::crypto::mp::detail
