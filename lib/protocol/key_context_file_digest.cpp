// CheckFileDigest: a received file against the MD5 value the server sent, read in pieces so
// that no file is held in memory whole.
#include "platform/files.h"
#include "protocol/key_context.h"
#include "runtime/file/file_object.h"
#include "runtime/status/status_code.h"

namespace vkt::protocol {
namespace {

// Feeds the whole file to the digest: 0, 40051 when a read fails, or the add's status.
std::int32_t DigestWholeFile(int fd, std::uint8_t* piece, crypto::Handle* digest) {
    for (;;) {
        std::uint32_t got = 0;
        if (platform::ReadNext(fd, piece, kDigestPieceSize, &got) != 0) {
            return runtime::kFileIoError;
        }
        if (got == 0) return runtime::kStatusOk;
        const std::int32_t added = KeyContext::DigestUpdate(piece, got, crypto::kAlgMd5, digest);
        if (added != runtime::kStatusOk) return added;
    }
}

}  // namespace

std::int32_t KeyContext::CheckFileDigest(const char* fileName, const char* expectedHex) {
    crypto::Handle expected = 0;
    std::int32_t result = DigestFromHex(expectedHex, crypto::kAlgMd5, &expected);
    if (result != runtime::kStatusOk) return result;
    if (!NewWorkBuffer(kDigestPieceSize + 1)) {
        FreeDigest(expected);
        return runtime::kNoMemory;
    }
    int fd = runtime::kInvalidFd;
    if (runtime::OpenFileFor(fileName, runtime::kAccessRead, runtime::kOpenExisting, &fd) != 0) {
        FreeDigest(expected);
        FreeWorkBuffer();
        return runtime::kFileNotFound;
    }
    crypto::Handle computed = 0;
    {
        runtime::FileObject file(fd, fileName, runtime::kAccessRead, false);  // closed here
        result = CryptoStatus(crypto::CryptoHashCreate(&computed, crypto::kAlgMd5));
        if (result == runtime::kStatusOk) result = DigestWholeFile(file.Fd(), work_, &computed);
    }
    if (result == runtime::kStatusOk) result = CompareDigests(computed, expected);
    if (computed != 0) FreeDigest(computed);
    FreeDigest(expected);
    FreeWorkBuffer();
    return result;
}

}  // namespace vkt::protocol
