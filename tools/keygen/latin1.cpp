#include "keygen/latin1.h"

#include <cstdint>

#include "rules/utf8_decode.h"

namespace vkt::keygen {

std::optional<SecretBytes> ToLatin1(const SecretBytes& text) {
    SecretBytes latin1;
    latin1.reserve(text.size());
    bool outsideLatin1 = false;
    for (std::size_t i = 0; i < text.size();) {
        std::uint32_t codePoint = 0;
        if (!rules::DecodeUtf8(text.data(), text.size(), &i, &codePoint)) {
            return text;  // not UTF-8: Latin-1 already
        }
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
