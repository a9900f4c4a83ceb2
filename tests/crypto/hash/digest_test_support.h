// Helpers shared by the digest tests: hex conversion, the SHA-1 path switch, and the named
// messages of the published vectors.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "crypto/hash/hash_algorithms.h"
#include "crypto/hash/hash_context.h"

namespace vkt::crypto::test {

inline std::string ToHex(const std::uint8_t* bytes, std::size_t count) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t k = 0; k < count; ++k) {
        text += kDigits[bytes[k] >> 4];
        text += kDigits[bytes[k] & 15];
    }
    return text;
}

// Which SHA-1 routine new contexts get while a test runs: the hardware one (skipped on a
// processor without the instructions) or the portable one.
enum class Sha1Path { kHardware, kPortable };

inline std::string PathName(const testing::TestParamInfo<Sha1Path>& info) {
    return info.param == Sha1Path::kHardware ? "Hardware" : "Portable";
}

class Sha1PathTest : public testing::TestWithParam<Sha1Path> {
  protected:
    void SetUp() override {
        if (GetParam() == Sha1Path::kHardware && !Sha1HardwareAvailable()) {
            GTEST_SKIP() << "processor has no SHA instructions";
        }
        Sha1ForcePortable(GetParam() == Sha1Path::kPortable);
    }
    void TearDown() override { Sha1ForcePortable(false); }
};

// Digest of `message` fed to a context in pieces of the given sizes (the rest in one piece).
inline std::string DigestInPieces(std::int32_t algorithm, const std::string& message,
                                  const std::vector<std::size_t>& pieces) {
    HashContext context;
    HashContextInit(&context, algorithm);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(message.data());
    std::size_t done = 0;
    for (std::size_t piece : pieces) {
        HashContextUpdate(&context, bytes + done, piece);
        done += piece;
    }
    HashContextUpdate(&context, bytes + done, message.size() - done);
    HashContextFinal(&context);
    return ToHex(context.digest, static_cast<std::size_t>(HashDigestLength(algorithm)));
}

}  // namespace vkt::crypto::test
