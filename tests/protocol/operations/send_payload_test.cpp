// The send request's payload: internal name, and the additional text cut at 2,048 bytes and at
// a NUL, never read beyond either.
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
        {"an empty text sends no comma", std::string("\0abc", 4), 4, "nomina"},
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

// The copy stops at the caller's NUL: a text of 3 bytes with a length of 2,000 reads 4 bytes
// at most (the guard page test is the sanitizer build's job; here the bytes after the NUL
// must not appear).
TEST(SendRequestPayload, StopsAtTheCallersNul) {
    const char text[] = "abc\0SECRET";
    char out[4096];
    const std::uint32_t length = SendRequestPayload("n", text, 2000, out, sizeof out);
    EXPECT_EQ(std::string(out, length), "n,abc");
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
