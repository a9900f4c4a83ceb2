// Reading the private key from its file: LoadPrivateKey, CheckKeyFile, CheckPassword.
#include "protocol/key_context.h"
#include "runtime/file/file_object.h"
#include "runtime/status/status_code.h"

namespace vkt::protocol {
namespace {

using runtime::kInvalidParameter;
using runtime::kKeyControlFailed;
using runtime::kKeyUnavailable;

}  // namespace

std::int32_t KeyContext::LoadPrivateKey(crypto::Handle* privateKey) {
    if (privateKey == nullptr) return CryptoStatus(crypto::kErrPointer);
    *privateKey = 0;
    if (keyOffset_ < 1 || keyLength_ < 1) return kKeyControlFailed;
    char path[kKeyFilePathSize];
    if (!textsValid_ || !FormKeyFilePath(keyDirectory_, userName_, path)) return kInvalidParameter;

    int fd = runtime::kInvalidFd;
    if (runtime::OpenFileFor(path, runtime::kAccessRead, runtime::kOpenExisting, &fd) != 0) {
        return kKeyUnavailable;
    }
    runtime::FileObject file(fd, path, runtime::kAccessRead, false);  // closed on return

    // The key text, NUL-terminated (ReadAt writes the NUL behind the bytes read).
    if (!NewWorkBuffer(std::size_t{keyLength_} + 1)) return runtime::kNoMemory;
    std::uint32_t got = 0;
    if (file.ReadAt(work_, keyOffset_, keyLength_, &got) != 0 || got != keyLength_) {
        FreeWorkBuffer();
        return kKeyUnavailable;
    }
    const std::int32_t result = crypto::CryptoRsaKeyLoad(
        privateKey, reinterpret_cast<const char*>(work_), password_, crypto::kMaskHex);
    FreeWorkBuffer();
    return CryptoStatus(result);
}

std::int32_t KeyContext::CheckKeyFile() {
    char path[kKeyFilePathSize];
    if (!textsValid_ || !FormKeyFilePath(keyDirectory_, userName_, path)) return kInvalidParameter;
    int fd = runtime::kInvalidFd;
    if (runtime::OpenFileFor(path, runtime::kAccessRead, runtime::kOpenExisting, &fd) != 0) {
        return kKeyUnavailable;
    }
    runtime::FileObject file(fd, path, runtime::kAccessRead, false);
    return runtime::kStatusOk;
}

std::int32_t KeyContext::CheckPassword() {
    crypto::Handle key = 0;
    const std::int32_t result = LoadPrivateKey(&key);
    if (result != runtime::kStatusOk) return result;
    return CryptoStatus(crypto::CryptoRsaKeyFree(key));
}

}  // namespace vkt::protocol
