// Internal names: the name under which the server knows a transferred file.
#include <cstring>

#include "protocol/transfer_file.h"

namespace vkt::protocol {

namespace {

// ASCII letters only: the bytes of a UTF-8 file name above 0x7F stay as they are.
char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

// The base name is taken first and then cut at its first ".": cutting the whole path first
// would turn "/datos/v1.2/informe.txt" into "v1" (the directory's name) instead of "informe".
std::size_t InternalNameOfPath(const char* path, char* out) {
    out[0] = '\0';
    if (path == nullptr) return 0;
    const char* base = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '/' || *p == '\\') base = p + 1;
    }
    std::size_t length = 0;
    while (base[length] != '\0' && base[length] != '.' && length < kMaxInternalName) {
        out[length] = Lower(base[length]);
        ++length;
    }
    out[length] = '\0';
    return length;
}

std::size_t InternalNameOfHeader(const std::uint8_t* header, char* out) {
    std::size_t length = 0;
    while (length < kNameWidth) {
        const char c = static_cast<char>(header[kNameOffset + length]);
        if (c == ' ' || c == '\0') break;
        out[length] = Lower(c);
        ++length;
    }
    out[length] = '\0';
    return length;
}

}  // namespace vkt::protocol
