// One UTF-8 sequence decoded, for the programs that take typed text (passwords, user names,
// paths) and hand it to the library as Latin-1.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vkt::rules {

// Decodes the sequence at text[*i] (size bytes in all) and advances *i past it; false when it
// is not well-formed: a bad lead or continuation byte, a truncated sequence, an overlong form,
// a surrogate or a value above U+10FFFF.
inline bool DecodeUtf8(const std::uint8_t* text, std::size_t size, std::size_t* i,
                       std::uint32_t* codePoint) {
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
    if (size - *i <= static_cast<std::size_t>(extra)) return false;
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

}  // namespace vkt::rules
