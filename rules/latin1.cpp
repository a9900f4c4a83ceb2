#include "rules/latin1.h"

#include <cstdint>

#include "rules/utf8_decode.h"

namespace vkt::rules {

bool Utf8ToLatin1(const std::string& text, std::string* latin1) {
    latin1->clear();
    latin1->reserve(text.size());
    bool outsideLatin1 = false;
    for (std::size_t i = 0; i < text.size();) {
        std::uint32_t codePoint = 0;
        if (!DecodeUtf8(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), &i,
                        &codePoint)) {
            latin1->assign(text);  // not UTF-8: Latin-1 already
            return true;
        }
        if (codePoint > 0xFF) outsideLatin1 = true;
        latin1->push_back(codePoint > 0xFF ? '?' : static_cast<char>(codePoint));
    }
    return !outsideLatin1;
}

std::string Latin1ToUtf8(const std::string& latin1) {
    std::string utf8;
    utf8.reserve(latin1.size());
    for (const char c : latin1) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte < 0x80) {
            utf8.push_back(c);
        } else {
            utf8.push_back(static_cast<char>(0xC0 | byte >> 6));
            utf8.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return utf8;
}

bool IsUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        std::uint32_t codePoint = 0;
        if (!DecodeUtf8(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), &i,
                        &codePoint)) {
            return false;
        }
    }
    return true;
}

}  // namespace vkt::rules
