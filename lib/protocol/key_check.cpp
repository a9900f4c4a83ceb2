// The key check at connect.
//
// The whole file is read (key files are a few kilobytes), its digest checked, the key text
// located, the file closed, and the key loaded with the password through a key context, which
// also makes a trial signature: a record that cannot sign (a public key, fields that do not
// agree) is refused here, before any traffic, and not after a whole file has been sent. The
// file is closed before the load because the load opens it again with an exclusive lock.
//
// Codes of KeyFileLocateKeyText and what they become here:
//   -204  length not blanks then digits (or no room for it)          -> 40052
//   -202  N = 0, the key cannot be read for use                      -> 40052
//   -607  the key text runs into the digest or past the file's end   -> 40032
#include "protocol/key_check.h"

#include <cstdlib>
#include <cstring>

#include "crypto/core/alloc.h"
#include "crypto/keyfile/key_file.h"
#include "platform/files.h"
#include "protocol/key_context.h"
#include "runtime/file/file_object.h"
#include "runtime/status/error_list.h"
#include "runtime/status/status_code.h"

namespace vkt::protocol {
namespace {

using runtime::kInvalidParameter;
using runtime::kKeyControlFailed;
using runtime::kKeyUnavailable;

std::int32_t LocationStatus(std::int32_t code) {
    switch (code) {
        case crypto::kOk:
            return runtime::kStatusOk;
        case crypto::kErrTooLong:
            return kKeyUnavailable;
        default:
            return kKeyControlFailed;
    }
}

// The file's bytes, then its digest and the key text's place.
std::int32_t CheckFileBytes(const char* path, runtime::KeyLocation* location) {
    int fd = runtime::kInvalidFd;
    if (runtime::OpenFileFor(path, runtime::kAccessRead, runtime::kOpenExisting, &fd) != 0) {
        return kKeyUnavailable;
    }
    runtime::FileObject file(fd, path, runtime::kAccessRead, false);
    std::uint64_t fileSize = 0;
    if (platform::SizeOf(fd, &fileSize) != 0 || fileSize < crypto::kKeyFileDigestTail ||
        fileSize >= 0xFFFFFFFFu) {
        return kKeyUnavailable;
    }
    const auto size = static_cast<std::uint32_t>(fileSize);
    auto* bytes = static_cast<std::uint8_t*>(std::malloc(std::size_t{size} + 1));
    if (bytes == nullptr) return runtime::kNoMemory;
    std::uint32_t got = 0;
    std::int32_t result = runtime::kStatusOk;
    if (file.ReadAt(bytes, 0, size, &got) != 0 || got != size) {
        result = kKeyUnavailable;
    } else {
        result = CryptoStatus(crypto::KeyFileVerifyDigest(bytes, size));
    }
    if (result == runtime::kStatusOk) {
        std::size_t offset = 0;
        std::size_t length = 0;
        result = LocationStatus(crypto::KeyFileLocateKeyText(bytes, size, &offset, &length));
        if (result == runtime::kStatusOk) {
            location->keyOffset = static_cast<std::uint32_t>(offset);
            location->keyLength = static_cast<std::uint32_t>(length);
        }
    }
    crypto::CryptoWipe(bytes, std::size_t{size} + 1);
    std::free(bytes);
    return result;
}

std::int32_t Check(const char* userName, const char* password, runtime::KeyLocation* location) {
    if (location == nullptr) return kInvalidParameter;
    location->keyOffset = 0;
    location->keyLength = 0;
    char path[kKeyFilePathSize];
    if (::strnlen(location->keyDirectory, sizeof location->keyDirectory) ==
            sizeof location->keyDirectory ||
        !FormKeyFilePath(location->keyDirectory, userName, path)) {
        return kInvalidParameter;
    }
    const std::int32_t result = CheckFileBytes(path, location);
    if (result != runtime::kStatusOk) return result;
    KeyContext context(userName, password, location->keyDirectory, location->keyOffset,
                       location->keyLength);
    return context.CheckSigningKey();
}

}  // namespace

bool ResolveKeyDirectory(const char* path, runtime::KeyLocation* location) {
    if (location == nullptr) return false;
    std::memset(location->keyDirectory, 0, sizeof location->keyDirectory);
    if (path == nullptr) return false;
    const std::size_t length = ::strnlen(path, kKeyDirectoryMax + 1);
    const bool addSeparator = length > 0 && path[length - 1] != '/';
    if (length + (addSeparator ? 1 : 0) > kKeyDirectoryMax) return false;
    std::memcpy(location->keyDirectory, path, length);
    if (addSeparator) location->keyDirectory[length] = '/';
    return true;
}

std::int32_t CheckKeyAtConnect(const char* userName, const char* password,
                               runtime::KeyLocation* location, runtime::ErrorList* errors) {
    const std::int32_t result = Check(userName, password, location);
    if (result != runtime::kStatusOk && errors != nullptr) errors->Add(result);
    return result;
}

}  // namespace vkt::protocol
