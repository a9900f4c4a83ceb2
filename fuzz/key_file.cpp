// The private-key file as the connect operation checks it: the file's digest, the place of
// its key text, the key record opened with or without a password, the trial signature.
//
// Input: byte 0 chooses: bit 0 set, the password "fuzz" (else none); bit 1 set, the file's
// digest is made right before the check, so that the checks behind it are reached with any
// bytes. The rest is the file, written as USER.pri in a scratch folder.
#include "crypto/keyfile/key_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "crypto/crypto.h"
#include "fuzz/fuzz_support.h"
#include "protocol/key_check.h"
#include "runtime/status/error_list.h"

namespace {

// Writes the SHA-1 of bytes 0 .. S - 42 as lower-case digits at S - 41.
void MakeDigestRight(std::vector<std::uint8_t>& file) {
    constexpr std::size_t kTail = vkt::crypto::kKeyFileDigestTail;
    if (file.size() < kTail) return;
    std::uint8_t digest[20];
    vkt::crypto::CryptoHashOneShot(digest, vkt::crypto::kAlgSha1, file.data(), file.size() - kTail);
    char digits[41];
    for (int i = 0; i < 20; ++i) std::snprintf(digits + 2 * i, 3, "%02x", digest[i]);
    std::memcpy(file.data() + file.size() - kTail, digits, 40);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const char* password = (data[0] & 1) != 0 ? "fuzz" : "";
    std::vector<std::uint8_t> file(data + 1, data + size);
    if ((data[0] & 2) != 0) MakeDigestRight(file);
    const std::string path = vkt::fuzz::Scratch().File("fuzz.pri");
    vkt::fuzz::WriteWholeFile(path, file.data(), file.size());

    vkt::runtime::KeyLocation location{};
    if (!vkt::protocol::ResolveKeyDirectory(vkt::fuzz::Scratch().path().c_str(), &location))
        std::abort();
    vkt::runtime::ErrorList errors;
    const std::int32_t status =
        vkt::protocol::CheckKeyAtConnect("fuzz", password, &location, &errors);
    if ((status == 0) != (errors.Count() == 0)) std::abort();
    return 0;
}
