#include "keygen/key_generation.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>

#include "keygen/atomic_file.h"
#include "keygen/key_file_writer.h"
#include "keygen/latin1.h"
#include "keygen/password_source.h"
#include "keygen/usage_failure.h"

namespace vkt::keygen {
namespace {

[[noreturn]] void Fail(const std::string& message) {
    throw std::runtime_error(message);
}

struct PkeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct BioDeleter {
    void operator()(BIO* bio) const { BIO_free(bio); }
};

int ParseBits(const std::string& text) {
    if (text.empty()) return kDefaultBits;
    int bits = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || bits > kMaxBits) {
            throw UsageFailure("--bits: '" + text + "' is not a number of bits from 512 to 4096");
        }
        bits = bits * 10 + (c - '0');
    }
    if (bits < kMinBits || bits > kMaxBits || bits % 64 != 0) {
        throw UsageFailure("--bits: '" + text +
                           "' is not a key size: the modulus must have 512 to 4096 bits, a "
                           "multiple of 64 (envelopes carry the size in units of 64 bits)");
    }
    return bits;
}

void CheckUserName(const std::string& user) {
    if (user.empty()) Fail("the user name is empty");
    if (user.find('/') != std::string::npos) Fail("the user name must not contain '/'");
    if (user.size() > kMaxUserNameBytes) {
        Fail("the user name is longer than 253 bytes");
    }
}

void CheckFolder(const std::string& folder) {
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0) Fail("the output folder " + folder + " does not exist");
    if (!S_ISDIR(info.st_mode)) Fail(folder + " is not a folder");
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        Fail("the output folder " + folder + " is not writable");
    }
}

void CheckNotThere(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0) Fail(path + " already exists (use --force to replace it)");
}

std::unique_ptr<EVP_PKEY, PkeyDeleter> GenerateRsaKey(int bits) {
    std::unique_ptr<EVP_PKEY, PkeyDeleter> key(
        EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", static_cast<size_t>(bits)));
    if (key == nullptr || EVP_PKEY_get_bits(key.get()) != bits) {
        Fail("OpenSSL could not generate an RSA key of " + std::to_string(bits) + " bits");
    }
    return key;
}

std::string PublicKeyPem(EVP_PKEY* key) {
    std::unique_ptr<BIO, BioDeleter> bio(BIO_new(BIO_s_mem()));
    if (bio == nullptr || PEM_write_bio_PUBKEY(bio.get(), key) != 1) {
        Fail("cannot write the public key as PEM");
    }
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(size));
}

void Warn(const std::string& message) {
    std::fprintf(stderr, "vkt-keygen: warning: %s\n", message.c_str());
}

}  // namespace

void GenerateKeyFiles(const GenerateOptions& options) {
    CheckUserName(options.user);
    const int bits = ParseBits(options.bits);
    CheckFolder(options.folder);
    const std::string privateName = options.user + ".pri";
    const std::string publicName = options.user + ".pub";
    if (!options.force) {
        CheckNotThere(JoinPath(options.folder, privateName));
        CheckNotThere(JoinPath(options.folder, publicName));
    }
    const SecretBytes userBytes(options.user.begin(), options.user.end());
    const std::optional<SecretBytes> userLatin1 = ToLatin1(userBytes);
    if (!userLatin1) Fail("the user name holds a character outside Latin-1 (above U+00FF)");

    const SecretBytes password = ReadPassword({options.passwordFile, true});
    if (HasLowerCaseLetter(*userLatin1)) {
        Warn(
            "the user name has lower-case letters; the desktop client sends user names in "
            "upper case");
    }
    if (HasLowerCaseLetter(password)) {
        Warn(
            "the password has lower-case letters; the desktop client turns every typed "
            "letter to upper case, so this key could not be opened from it");
    }
    if (password.empty()) {
        Warn(
            "empty password: the private-key file is NOT protected; anyone who can read it "
            "can use the key");
    }

    const auto key = GenerateRsaKey(bits);
    const SecretBytes file = BuildPrivateKeyFile(key.get(), password);
    const std::string pem = PublicKeyPem(key.get());

    StagedFile privateFile(options.folder, privateName, file.data(), file.size(), 0600);
    StagedFile publicFile(options.folder, publicName,
                          reinterpret_cast<const std::uint8_t*>(pem.data()), pem.size(), 0644);
    privateFile.Place(options.force);
    try {
        publicFile.Place(options.force);
    } catch (...) {
        unlink(privateFile.path().c_str());  // no private key without its public half
        throw;
    }
    std::printf("wrote %s (RSA private key, %d bits, %s) and %s\n", privateFile.path().c_str(),
                bits, password.empty() ? "unprotected" : "protected by the password",
                publicFile.path().c_str());
}

}  // namespace vkt::keygen
