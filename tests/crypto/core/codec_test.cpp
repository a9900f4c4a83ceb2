// Encodings under the conversion masks: hexadecimal (ASCII and EBCDIC, grouping, case, nibble
// order, NUL), raw bytes and Base64, both directions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crypto/crypto.h"

namespace vkt::crypto {
namespace {

std::string Encode(const std::vector<std::uint8_t>& bytes, std::uint8_t mask, std::uint32_t* n) {
    std::string text(bytes.size() * 3 + 8, '#');
    *n = CryptoEncode(text.data(), bytes.data(), static_cast<std::uint32_t>(bytes.size()), mask);
    return text.substr(0, *n);
}

TEST(Codec, EncodesUnderMask) {
    struct Case {
        std::vector<std::uint8_t> bytes;
        std::uint8_t mask;
        std::string text;
    };
    const std::vector<Case> cases = {
        {{0x01, 0xAB}, 0x31, std::string("01ab\0", 5)},
        {{0x01, 0xAB}, 0x01, "01AB"},
        {{0x01, 0xAB}, 0x41, "10BA"},
        {{0x01, 0xAB}, 0x03, "\xF0\xF1\xC1\xC2"},
        {{0x01, 0xAB}, 0x23, "\xF0\xF1\x81\x82"},
        {{1, 2, 3, 4, 5}, 0x05, "01 0203 0405"},
        {{1, 2, 3, 4, 5, 6, 7, 8, 9}, 0x09, "01 02030405 06070809"},
        {{1, 2, 3, 4, 5, 6, 7, 8, 9}, 0x0D, "01 0203040506070809"},
        {{1, 2, 3}, 0x07, "\xF0\xF1\x40\xF0\xF2\xF0\xF3"},
        {{}, 0x31, std::string("\0", 1)},
        {{}, 0x01, ""},
        {{0x00, 0x7F, 0xFF}, 0x00, std::string("\x00\x7F\xFF", 3)},
        {{0x00, 0x7F, 0xFF}, 0x10, std::string("\x00\x7F\xFF", 3)},  // raw: no NUL
    };
    for (const Case& c : cases) {
        std::uint32_t n = 0;
        EXPECT_EQ(Encode(c.bytes, c.mask, &n), c.text) << "mask " << int(c.mask);
        EXPECT_EQ(n, c.text.size());
    }
}

TEST(Codec, DecodesHexWithSeparatorsAndEitherCase) {
    struct Case {
        std::string text;
        std::uint32_t count;
        std::uint8_t mask;
        std::uint32_t result;  // 0 = failure
        std::vector<std::uint8_t> bytes;
    };
    const std::vector<Case> cases = {
        {"01 AB", 2, 0x31, 5, {0x01, 0xAB}},
        {"01ab", 2, 0x01, 4, {0x01, 0xAB}},
        {"0 1 A B", 2, 0x31, 7, {0x01, 0xAB}},
        {"10BA", 2, 0x41, 4, {0x01, 0xAB}},
        {"01abff", 2, 0x31, 4, {0x01, 0xAB}},  // characters after the bytes are not looked at
        {"\xF0\xF1\x40\x81\xC2", 2, 0x03, 5, {0x01, 0xAB}},
        {"0x", 1, 0x31, 0, {}},
        {"0g", 1, 0x31, 0, {}},
        {"01", 2, 0x31, 0, {}},  // the NUL ends the text before the second byte
        {"", 1, 0x31, 0, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> out(c.count + 1, 0xEE);
        const std::uint32_t r = CryptoDecode(out.data(), c.text.c_str(), c.count, c.mask);
        EXPECT_EQ(r, c.result) << c.text;
        if (c.result != 0) {
            EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.begin() + c.count), c.bytes);
        }
        EXPECT_EQ(out[c.count], 0xEE) << "wrote past the requested bytes";
    }
}

TEST(Codec, HexRoundTripsEveryByteValue) {
    std::vector<std::uint8_t> all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);
    for (std::uint8_t mask : {0x31, 0x01, 0x02, 0x03, 0x15, 0x2D, 0x41, 0x73}) {
        std::string text(1024, '\0');
        CryptoEncode(text.data(), all.data(), 256, mask);
        std::vector<std::uint8_t> back(256);
        ASSERT_NE(CryptoDecode(back.data(), text.c_str(), 256, mask), 0u) << int(mask);
        EXPECT_EQ(back, all) << int(mask);
    }
}

TEST(Codec, Base64MatchesTheStandardEncoding) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [plain, encoded] : cases) {
        std::string text(16, '#');
        const auto n =
            CryptoEncode(text.data(), reinterpret_cast<const std::uint8_t*>(plain.data()),
                         static_cast<std::uint32_t>(plain.size()), 0x80);
        EXPECT_EQ(n, encoded.size());
        EXPECT_EQ(std::string(text.c_str()), encoded);  // NUL written, not counted
        if (plain.empty()) continue;
        std::string back(plain.size() + 1, '#');
        EXPECT_EQ(CryptoDecode(reinterpret_cast<std::uint8_t*>(back.data()), encoded.c_str(),
                               static_cast<std::uint32_t>(plain.size()), 0x80),
                  plain.size());
        EXPECT_EQ(back.substr(0, plain.size()), plain);
        EXPECT_EQ(back.back(), '#');
    }
}

TEST(Codec, Base64RefusesMalformedText) {
    struct Case {
        const char* text;
        std::uint32_t count;
    };
    const Case cases[] = {
        {"Zm8=", 3},      // two bytes, three asked
        {"Zm9vYmFy", 3},  // more bytes than asked: refused without writing past them
        {"", 1},         {"Zm8", 2},      {"Zm*=", 2},
        {"Z===", 1},     {"Zg==Zg==", 2},  // text after a padded group
        {"Zm=v", 2},
    };
    for (const Case& c : cases) {
        std::uint8_t out[8] = {};
        out[c.count] = 0xEE;
        EXPECT_EQ(CryptoDecode(out, c.text, c.count, 0x80), 0u) << c.text;
        EXPECT_EQ(out[c.count], 0xEE) << c.text;
    }
}

TEST(Codec, MaskValidity) {
    for (int mask : {0x00, 0x10, 0x80, 0x31, 0x01, 0x7F, 0x43}) EXPECT_TRUE(CryptoMaskValid(mask));
    for (int mask : {0x20, 0x40, 0xA0, 0x60, 0x70}) EXPECT_FALSE(CryptoMaskValid(mask));
}

}  // namespace
}  // namespace vkt::crypto
