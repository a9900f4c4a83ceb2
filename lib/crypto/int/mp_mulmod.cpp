// Modular product and square: the full product, then the remainder.
#include "crypto/int/mp_internal.h"

namespace vkt::crypto::mp {

using namespace detail;

namespace {

MpInt gProduct = nullptr;  // the full product; wiped after use

}  // namespace

void mulmod(MpConst a, MpConst b, MpConst m, MpInt* c) {
    if (iszero(m)) Fatal("mod zero in mulmod");
    mul(a, b, &gProduct);
    mod(gProduct, m, c);
    WipeInt(gProduct);
}

void sqmod(MpConst a, MpConst m, MpInt* c) {
    if (iszero(m)) Fatal("mod zero in sqmod");
    sq(a, &gProduct);
    mod(gProduct, m, c);
    WipeInt(gProduct);
}

}  // namespace vkt::crypto::mp
