// The fatal conditions of the integer package: the exact text on standard error and exit
// status 0.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "crypto/int/mp.h"
#include "crypto/int/mp_internal.h"
#include "crypto/int/mp_oracle.h"

namespace vkt::crypto::mp::test {
namespace {

TEST(MpFatal, EveryConditionWritesItsTextAndExitsWithZero) {
    struct Case {
        const char* text;
        std::function<void()> run;
    };
    Int five, two, minusOne, twoLimbs, zeroValue, c;
    intoz(5, five.out());
    intoz(2, two.out());
    intoz(-1, minusOne.out());
    intoz(RADIXM + 2, twoLimbs.out());
    zero(zeroValue.out());
    const Case cases[] = {
        {"neg size alloc in setlength", [&] { setlength(c.out(), -1); }},
        {"div by zero in div", [&] { div(five, zeroValue, c.out(), nullptr); }},
        {"div by zero in div", [&] { div(five, nullptr, nullptr, c.out()); }},
        {"div by zero in mod", [&] { mod(five, zeroValue, c.out()); }},
        {"div by zero in mod", [&] { mod(five, nullptr, c.out()); }},
        {"mod zero in mulmod", [&] { mulmod(five, two, nullptr, c.out()); }},
        {"mod zero in sqmod", [&] { sqmod(five, zeroValue, c.out()); }},
        {"mod zero in expmod", [&] { expmod(five, two, nullptr, c.out()); }},
        {"mod zero in expmod_m_ary", [&] { expmod_m_ary(five, twoLimbs, zeroValue, c.out(), 1); }},
        {"mod zero in expmod_m_ary", [&] { expmod_m_ary(five, two, nullptr, c.out(), 1); }},
        {"undef quotient in expmod", [&] { expmod(five, minusOne, five, c.out()); }},
        {"undef result in expmod_m_ary", [&] { expmod_m_ary(two, minusOne, five, c.out(), 4); }},
        {"zero or neg args in inv", [&] { inv(zeroValue, five, c.out()); }},
        {"zero or neg args in inv", [&] { inv(minusOne, five, c.out()); }},
        {"zero or neg args in inv", [&] { inv(two, minusOne, c.out()); }},
        {"zstart failure: recompile with smaller NBITS\n",
         [] { detail::CheckQuotientEstimate(24); }},  // a machine with single-precision doubles
    };
    for (const Case& k : cases) {
        std::string expected = std::string("^fatal error:\n   ") + k.text + "\nexit\\.\\.\\.\n$";
        EXPECT_EXIT(k.run(), ::testing::ExitedWithCode(0), expected) << k.text;
    }
}

}  // namespace
}  // namespace vkt::crypto::mp::test
