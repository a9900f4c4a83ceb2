// The key context's texts, its work buffer and the key-file name.
#include "protocol/key_context.h"

#include <cstdlib>
#include <cstring>

#include "crypto/core/alloc.h"
#include "runtime/status/status_code.h"

namespace vkt::protocol {
namespace {

// Copies text into a field of capacity bytes; false (field left empty) when it does not fit.
bool CopyText(char* field, std::size_t capacity, const char* text) {
    if (text == nullptr) return true;
    const std::size_t length = ::strnlen(text, capacity);
    if (length == capacity) return false;
    std::memcpy(field, text, length);
    field[length] = '\0';
    return true;
}

}  // namespace

std::int32_t CryptoStatus(std::int32_t code) {
    return code == crypto::kOk ? runtime::kStatusOk
                               : runtime::ComposeStatus(code, runtime::kSourceCrypto);
}

bool FormKeyFilePath(const char* keyDirectory, const char* userName, char* path) {
    if (keyDirectory == nullptr || userName == nullptr || path == nullptr) return false;
    const std::size_t directoryLength = ::strnlen(keyDirectory, kKeyDirectoryMax + 1);
    const std::size_t userLength = ::strnlen(userName, kKeyUserNameMax + 1);
    if (directoryLength > kKeyDirectoryMax || userLength > kKeyUserNameMax || userLength == 0 ||
        std::memchr(userName, '/', userLength) != nullptr) {
        return false;
    }
    // The directory with its "/" holds at most 254 bytes (a 254-byte directory lacking the
    // "/" is refused), so the path takes at most 254 + 253 + 5 = kKeyFilePathSize bytes.
    const bool addSeparator = directoryLength > 0 && keyDirectory[directoryLength - 1] != '/';
    if (addSeparator && directoryLength == kKeyDirectoryMax) return false;
    std::size_t at = 0;
    std::memcpy(path + at, keyDirectory, directoryLength);
    at += directoryLength;
    if (addSeparator) path[at++] = '/';
    std::memcpy(path + at, userName, userLength);
    at += userLength;
    std::memcpy(path + at, ".pri", 5);
    return true;
}

KeyContext::KeyContext() = default;

KeyContext::KeyContext(const char* userName, const char* password, const char* keyDirectory,
                       std::uint32_t keyOffset, std::uint32_t keyLength)
    : keyOffset_(keyOffset), keyLength_(keyLength) {
    textsValid_ = CopyText(userName_, sizeof userName_, userName) &&
                  CopyText(password_, sizeof password_, password) &&
                  CopyText(keyDirectory_, sizeof keyDirectory_, keyDirectory);
    if (!textsValid_) crypto::CryptoWipe(password_, sizeof password_);
}

KeyContext::~KeyContext() {
    FreeWorkBuffer();
    crypto::CryptoWipe(password_, sizeof password_);
}

void KeyContext::FreeWorkBuffer() {
    if (work_ != nullptr) {
        crypto::CryptoWipe(work_, workSize_);
        std::free(work_);
    }
    work_ = nullptr;
    workSize_ = 0;
    workLength_ = 0;
}

bool KeyContext::NewWorkBuffer(std::size_t size) {
    FreeWorkBuffer();
    work_ = static_cast<std::uint8_t*>(std::calloc(size, 1));
    if (work_ == nullptr) return false;
    workSize_ = size;
    return true;
}

}  // namespace vkt::protocol
