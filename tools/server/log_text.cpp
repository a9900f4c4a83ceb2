#include "server/log_text.h"

#include <cstdint>
#include <cstdio>

namespace vkt::server {

namespace {

void AppendEscape(unsigned char byte, std::string* out) {
    char escape[5];
    std::snprintf(escape, sizeof escape, "\\x%02X", byte);
    out->append(escape);
}

// Length of the well-formed UTF-8 sequence of a printable character (U+00A0 up, not U+2028 or
// U+2029) at text[at]; 0 when there is none.
std::size_t PrintableSequence(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    std::uint32_t point = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        point = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        point = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        point = lead & 0x07u;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0u) != 0x80u) return 0;
        point = (point << 6) | (byte(i) & 0x3Fu);
    }
    const std::uint32_t lowest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < lowest[length] || point > 0x10FFFF) return 0;  // overlong or beyond Unicode
    if (point >= 0xD800 && point <= 0xDFFF) return 0;          // surrogate
    if (point < 0xA0 || point == 0x2028 || point == 0x2029) return 0;
    return length;
}

}  // namespace

std::string LogText(const std::string& text) {
    if (text.empty()) return "-";
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto c = static_cast<unsigned char>(text[at]);
        if (c == '\\') {
            out.append("\\\\");
        } else if (c >= 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(c));
        } else if (const std::size_t length = PrintableSequence(text, at); length > 0) {
            out.append(text, at, length);
            at += length;
            continue;
        } else if (c >= 0xA0) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            AppendEscape(c, &out);
        }
        ++at;
    }
    return out;
}

std::string LineText(const std::string& event) {
    std::string line;
    line.reserve(event.size());
    for (const char c : event) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            AppendEscape(byte, &line);
        else
            line.push_back(c);
    }
    return line;
}

std::string JsonText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[7];
            std::snprintf(escape, sizeof escape, "\\u%04X", byte);
            out.append(escape);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace vkt::server
