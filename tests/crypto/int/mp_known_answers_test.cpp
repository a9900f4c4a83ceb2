// The integer package against answers computed elsewhere (tests/data/mp_known_answers.txt,
// written by make_known_answers.py from Python's integers): modular products and powers on
// odd moduli of every Montgomery kernel size and on even ones, inverses, products, quotients
// and remainders. It needs no other big-number library, so it also runs where the tests' usual
// oracle is missing (the Windows builds, whose 32-bit compiler has no 128-bit integer).
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "crypto/int/mp.h"

namespace vkt::crypto::mp::test {
namespace {

class Value {
  public:
    Value() = default;
    ~Value() { mp::free(&value_); }
    Value(const Value&) = delete;
    Value& operator=(const Value&) = delete;
    MpInt* out() { return &value_; }
    operator MpConst() const { return value_; }

  private:
    MpInt value_ = nullptr;
};

// From lower-case hex, through the package's own shift and add.
void FromHex(const std::string& hex, MpInt* c) {
    Value digit;
    zero(c);
    for (char ch : hex) {
        const int v = ch <= '9' ? ch - '0' : ch - 'a' + 10;
        lshift(*c, 4, c);
        intoz(v, digit.out());
        add(*c, digit, c);
    }
}

// To lower-case hex without leading zeros ("0" for zero), read off the limbs: radix 2^30,
// least significant first, from word[1].
std::string ToHex(MpConst a) {
    if (a == nullptr || iszero(a)) return "0";
    const int limbs = a[0] < 0 ? -a[0] : a[0];
    std::vector<int> bits;
    for (int i = 1; i <= limbs; ++i) {
        for (int b = 0; b < NBITS; ++b) bits.push_back((a[i] >> b) & 1);
    }
    while (bits.size() % 4 != 0) bits.push_back(0);
    std::string hex;
    for (std::size_t i = bits.size(); i > 0; i -= 4) {
        const int v = bits[i - 1] << 3 | bits[i - 2] << 2 | bits[i - 3] << 1 | bits[i - 4];
        if (hex.empty() && v == 0) continue;
        hex += "0123456789abcdef"[v];
    }
    return (a[0] < 0 ? "-" : "") + hex;
}

struct Case {
    int bits = 0;
    std::map<std::string, std::string> hex;
};

std::vector<Case> LoadCases() {
    std::ifstream in(std::string(VKT_TEST_DATA_DIR) + "/mp_known_answers.txt");
    std::vector<Case> cases;
    std::string name, value;
    while (in >> name) {
        if (name == "#") {
            std::getline(in, value);
        } else if (name == "case") {
            cases.emplace_back();
            in >> cases.back().bits;
        } else if (!cases.empty() && in >> value) {
            cases.back().hex[name] = value;
        }
    }
    return cases;
}

TEST(MpKnownAnswers, EveryOperationGivesThePublishedValue) {
    const std::vector<Case> cases = LoadCases();
    ASSERT_EQ(cases.size(), 15u) << "tests/data/mp_known_answers.txt is missing or cut short";
    for (const Case& c : cases) {
        SCOPED_TRACE("modulus of " + std::to_string(c.bits) + " bits");
        Value m, a, b, e, result, remainder;
        FromHex(c.hex.at("m"), m.out());
        FromHex(c.hex.at("a"), a.out());
        FromHex(c.hex.at("b"), b.out());
        FromHex(c.hex.at("e"), e.out());
        ASSERT_EQ(ToHex(m), c.hex.at("m"));

        mulmod(a, b, m, result.out());
        EXPECT_EQ(ToHex(result), c.hex.at("mulmod"));
        expmod(a, e, m, result.out());
        EXPECT_EQ(ToHex(result), c.hex.at("expmod"));
        for (int width : {1, 4, 6}) {
            expmod_m_ary(a, e, m, result.out(), width);
            EXPECT_EQ(ToHex(result), c.hex.at("expmod")) << "window of " << width << " bits";
        }
        mul(a, b, result.out());
        EXPECT_EQ(ToHex(result), c.hex.at("mul"));
        div(a, b, result.out(), remainder.out());
        EXPECT_EQ(ToHex(result), c.hex.at("quotient"));
        EXPECT_EQ(ToHex(remainder), c.hex.at("remainder"));
        if (c.hex.at("inv") != "0") {
            inv(a, m, result.out());
            EXPECT_EQ(ToHex(result), c.hex.at("inv"));
        }
    }
}

}  // namespace
}  // namespace vkt::crypto::mp::test
