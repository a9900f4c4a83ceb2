#include "keygen/latin1.h"

#include <cstdint>

namespace vkt::keygen {
namespace {

// Decodes one UTF-8 sequence at text[*i]; false when it is not well-formed (overlong forms,
// surrogates and values above U+10FFFF included).
bool DecodeUtf8(const SecretBytes& text, std::size_t* i, std::uint32_t* codePoint) {
    const std::uint8_t lead = text[*i];
    int extra = 0;
    std::uint32_t value = 0;
    std::uint32_t minimum = 0;
    if (lead < 0x80) {
        *codePoint = lead;
        ++*i;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, value = lead & 0x07, minimum = 0x10000;
    } else {
        return false;
    }
    if (text.size() - *i <= static_cast<std::size_t>(extra)) return false;
    for (int k = 1; k <= extra; ++k) {
        const std::uint8_t next = text[*i + static_cast<std::size_t>(k)];
        if ((next & 0xC0) != 0x80) return false;
        value = value << 6 | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return false;
    }
    *codePoint = value;
    *i += static_cast<std::size_t>(extra) + 1;
    return true;
}

}  // namespace

std::optional<SecretBytes> ToLatin1(const SecretBytes& text) {
    SecretBytes latin1;
    latin1.reserve(text.size());
    bool outsideLatin1 = false;
    for (std::size_t i = 0; i < text.size();) {
        std::uint32_t codePoint = 0;
        if (!DecodeUtf8(text, &i, &codePoint)) return text;  // not UTF-8: Latin-1 already
        if (codePoint > 0xFF) outsideLatin1 = true;
        latin1.push_back(static_cast<std::uint8_t>(codePoint));
    }
    if (outsideLatin1) return std::nullopt;
    return latin1;
}

bool HasLowerCaseLetter(const SecretBytes& latin1) {
    for (std::uint8_t c : latin1) {
        if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return true;
    }
    return false;
}

}  // namespace vkt::keygen
