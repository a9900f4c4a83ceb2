#include "server/hex_text.h"

namespace vkt::server {

namespace {

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string HexEncode(const std::uint8_t* bytes, std::size_t size) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text(size * 2, '0');
    for (std::size_t i = 0; i < size; ++i) {
        text[2 * i] = kDigits[bytes[i] >> 4];
        text[2 * i + 1] = kDigits[bytes[i] & 0x0F];
    }
    return text;
}

bool HexDecode(const std::string& text, std::vector<std::uint8_t>* bytes) {
    if (text.size() % 2 != 0) return false;
    bytes->assign(text.size() / 2, 0);
    for (std::size_t i = 0; i < bytes->size(); ++i) {
        const int high = DigitValue(text[2 * i]);
        const int low = DigitValue(text[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        (*bytes)[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return true;
}

}  // namespace vkt::server
