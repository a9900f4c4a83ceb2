// The send request's payload: internal name, and the additional text's count of bytes (at most
// 2,048), zero bytes after a NUL, never read beyond it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "protocol/request.h"
#include "protocol/send.h"

namespace vkt::protocol {
namespace {

struct PayloadCase {
    const char* what;
    std::string additional;  // empty: none given
    std::int32_t length;
    std::string expected;
};

TEST(SendRequestPayload, NameAndAdditionalText) {
    const std::string long5000(5000, 'x');
    const std::vector<PayloadCase> cases = {
        {"no text", "", 10, "nomina"},
        {"length 0 means none", "abc", 0, "nomina"},
        {"negative length means none", "abc", -5, "nomina"},
        {"whole text", "Importe=12", 10, "nomina,Importe=12"},
        {"length shorter than the text", "Importe=12", 3, "nomina,Imp"},
        {"cut at 2,048 bytes", long5000, 5000, "nomina," + std::string(2048, 'x')},
        {"an empty text keeps the comma and its count of zero bytes", std::string("\0abc", 4), 4,
         std::string("nomina,\0\0\0\0", 11)},
        {"a NUL inside: zero bytes up to the count", std::string("ab\0cd", 5), 5,
         std::string("nomina,ab\0\0\0", 12)},
    };
    for (const PayloadCase& c : cases) {
        SCOPED_TRACE(c.what);
        char out[253 + 1 + 2048 + 1];
        const char* additional = c.additional.empty() ? nullptr : c.additional.c_str();
        const std::uint32_t length =
            SendRequestPayload("nomina", additional, c.length, out, sizeof out);
        ASSERT_EQ(length, c.expected.size());
        EXPECT_EQ(std::string(out, length), c.expected);
        EXPECT_EQ(out[length], '\0');
    }
}

// The copy stops at the caller's NUL: a text of 4 bytes with a length of 2,000 is read no
// further (the buffer is exactly 4 bytes long, so the sanitizer build catches a read past it),
// and the payload still carries 2,000 bytes after the ",".
TEST(SendRequestPayload, NeverReadsPastTheCallersNul) {
    const std::vector<char> text = {'a', 'b', 'c', '\0'};
    char out[4096];
    const std::uint32_t length = SendRequestPayload("n", text.data(), 2000, out, sizeof out);
    ASSERT_EQ(length, 2u + 2000u);
    EXPECT_EQ(std::string(out, 5), "n,abc");
    EXPECT_EQ(std::string(out + 5, 1997), std::string(1997, '\0'));
}

TEST(SendRequestPayload, RefusesWhatDoesNotFit) {
    char out[8];
    EXPECT_EQ(SendRequestPayload("nomina", "123456", 6, out, sizeof out), 0u);
    EXPECT_EQ(SendRequestPayload("", "x", 1, out, sizeof out), 0u);
}

TEST(DestinationPath, JoinsWithASlashWithinTheCapacity) {
    char out[16];
    ASSERT_TRUE(DestinationPath("/tmp", "f1", out, sizeof out));
    EXPECT_STREQ(out, "/tmp/f1");
    EXPECT_FALSE(DestinationPath("/tmp/abcdefgh", "f1", out, sizeof out));
}

}  // namespace
}  // namespace vkt::protocol
