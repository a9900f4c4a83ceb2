// The session-key envelope as the connect operation opens it: the input is the text of the
// server's envelope frame, opened with the private key of a fixed key file (fuzz/data).
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "crypto/keyfile/key_file.h"
#include "fuzz/fuzz_support.h"
#include "protocol/key_context.h"

namespace {

struct KeyFile {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
};

// Copies the key file into the scratch folder as fuzz.pri and locates its key text.
KeyFile InstallKeyFile() {
    std::ifstream in(VKT_FUZZ_DATA "/fuzz.pri", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (bytes.empty()) std::abort();
    const auto* raw = reinterpret_cast<const std::uint8_t*>(bytes.data());
    vkt::fuzz::WriteWholeFile(vkt::fuzz::Scratch().File("fuzz.pri"), raw, bytes.size());
    std::size_t offset = 0;
    std::size_t length = 0;
    if (vkt::crypto::KeyFileLocateKeyText(raw, bytes.size(), &offset, &length) != 0) std::abort();
    return {static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(length)};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const KeyFile key = InstallKeyFile();
    const std::string folder = vkt::fuzz::Scratch().path() + "/";
    vkt::protocol::KeyContext context("fuzz", "", folder.c_str(), key.offset, key.length);
    vkt::crypto::Handle sessionKey = 0;
    const std::int32_t status = context.OpenEnvelope(
        &sessionKey, reinterpret_cast<const char*>(data), static_cast<std::uint32_t>(size));
    if ((status == 0) != (sessionKey != 0)) std::abort();
    if (sessionKey != 0 && vkt::protocol::KeyContext::DestroySessionKey(sessionKey) != 0)
        std::abort();
    return 0;
}
