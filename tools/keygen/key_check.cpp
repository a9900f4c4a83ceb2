#include "keygen/key_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "crypto/core/layer.h"
#include "crypto/crypto.h"
#include "crypto/keyfile/key_file.h"
#include "crypto/rsa/rsa_key.h"
#include "keygen/key_file_writer.h"
#include "keygen/password_source.h"

namespace vkt::keygen {
namespace {

namespace crypto = vkt::crypto;

constexpr std::size_t kMaxKeyFileBytes = 1 << 20;

[[noreturn]] void Fail(const std::string& message) {
    throw std::runtime_error(message);
}

SecretBytes ReadWholeFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Fail("cannot open " + path + ": " + std::strerror(errno));
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::size_t>(info.st_size) > kMaxKeyFileBytes) {
        close(fd);
        Fail(path + " is not a key file (not a regular file of at most 1 MiB)");
    }
    SecretBytes bytes(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    close(fd);
    if (done != bytes.size()) Fail("cannot read " + path);
    return bytes;
}

std::string DescribeDigestFailure(std::int32_t code) {
    if (code == crypto::kErrHashMismatch) return "file digest mismatch: the file is damaged";
    return "the file digest is unreadable: the file is damaged or is no private-key file";
}

std::string DescribeKeyTextFailure(std::int32_t code) {
    switch (code) {
        case crypto::kErrLength:
            return "the key-text length at offset 18 is 0: the file holds no key";
        case crypto::kErrTooLong:
            return "the key-text length at offset 18 runs past the end of the file";
        default:
            return "the key-text length at offset 18 is not four decimal digits (or blanks "
                   "before digits)";
    }
}

std::string DescribeLoadFailure(std::int32_t code) {
    switch (code) {
        case crypto::kErrKeyRecord:
            return "wrong password or damaged key record";
        case crypto::kErrInput:
            return "the key text is not hexadecimal or is shorter than the key blob it announces";
        default:
            return "the key does not load (result code " + std::to_string(code) + ")";
    }
}

}  // namespace

void CheckKeyFile(const std::string& path, const std::string& passwordFile) {
    const SecretBytes file = ReadWholeFile(path);
    const SecretBytes password = ReadPassword({passwordFile, false});

    std::int32_t result = crypto::KeyFileVerifyDigest(file.data(), file.size());
    if (result != crypto::kOk) Fail(path + ": " + DescribeDigestFailure(result));
    std::size_t offset = 0;
    std::size_t length = 0;
    result = crypto::KeyFileLocateKeyText(file.data(), file.size(), &offset, &length);
    if (result != crypto::kOk) Fail(path + ": " + DescribeKeyTextFailure(result));

    SecretBytes keyText(file.begin() + static_cast<std::ptrdiff_t>(offset),
                        file.begin() + static_cast<std::ptrdiff_t>(offset + length));
    keyText.push_back(0);
    SecretBytes passwordText(password);
    passwordText.push_back(0);
    crypto::Handle key = 0;
    result = crypto::CryptoRsaKeyLoad(&key, reinterpret_cast<const char*>(keyText.data()),
                                      reinterpret_cast<const char*>(passwordText.data()),
                                      crypto::kMaskHex);
    if (result != crypto::kOk) Fail(path + ": " + DescribeLoadFailure(result));

    std::int32_t bits = 0;
    bool isPrivate = false;
    {
        crypto::LayerGuard guard;
        const auto* loaded = static_cast<const crypto::RsaKey*>(
            crypto::CryptoHandleLookup(key, crypto::kTypeRsaKey));
        bits = loaded->bits;
        isPrivate = crypto::CryptoHandleType(key) == crypto::kTypeRsaPrivate;
    }
    crypto::CryptoRsaKeyFree(key);
    std::printf(
        "%s: %s key, %d-bit modulus, %s\n", path.c_str(), isPrivate ? "private" : "public", bits,
        password.empty() ? "unprotected (loads with an empty password)" : "the password opens it");
}

}  // namespace vkt::keygen
