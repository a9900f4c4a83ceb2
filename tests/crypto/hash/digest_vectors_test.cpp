// The published vectors of all six digests (tests/data/digests.txt), each fed one-shot, byte
// by byte, split in two at every offset, and through the handle operations.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "crypto/crypto.h"
#include "digest_test_support.h"

namespace vkt::crypto::test {
namespace {

struct Vector {
    std::int32_t algorithm;
    std::string name;
    std::string message;
    std::string digest;
};

std::string NamedMessage(const std::string& name) {
    if (name == "empty") return "";
    if (name == "a..z") return "abcdefghijklmnopqrstuvwxyz";
    if (name == "448-bit") return "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    if (name == "62-char") {
        return "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    }
    if (name == "80-digit") {
        std::string text;
        for (int k = 0; k < 8; ++k) text += "1234567890";
        return text;
    }
    if (name == "million-a") return std::string(1000000, 'a');
    return name;  // "a", "abc", "message digest" stand for themselves
}

std::vector<Vector> LoadVectors() {
    std::ifstream file(std::string(VKT_TEST_DATA_DIR) + "/digests.txt");
    std::vector<Vector> vectors;
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string id, name, digest;
        std::getline(fields, id, '\t');
        std::getline(fields, name, '\t');
        std::getline(fields, digest, '\t');
        vectors.push_back({std::stoi(id), name, NamedMessage(name), digest});
    }
    return vectors;
}

const std::vector<Vector>& Vectors() {
    static const std::vector<Vector> vectors = LoadVectors();
    return vectors;
}

std::size_t LengthOf(std::int32_t algorithm) {
    return static_cast<std::size_t>(HashDigestLength(algorithm));
}

void CheckOneShot(const Vector& v) {
    std::uint8_t out[20] = {};
    CryptoHashOneShot(out, v.algorithm, v.message.data(), v.message.size());
    EXPECT_EQ(ToHex(out, LengthOf(v.algorithm)), v.digest) << v.algorithm << " " << v.name;
}

void CheckByteByByte(const Vector& v) {
    HashContext context;
    HashContextInit(&context, v.algorithm);
    for (char c : v.message) HashContextUpdate(&context, reinterpret_cast<std::uint8_t*>(&c), 1);
    HashContextFinal(&context);
    EXPECT_EQ(ToHex(context.digest, LengthOf(v.algorithm)), v.digest)
        << v.algorithm << " " << v.name << " byte by byte";
}

void CheckEverySplit(const Vector& v) {
    if (v.message.size() > 1000) return;
    for (std::size_t split = 0; split <= v.message.size(); ++split) {
        EXPECT_EQ(DigestInPieces(v.algorithm, v.message, {split}), v.digest)
            << v.algorithm << " " << v.name << " split at " << split;
    }
}

// Create, update in 8192-byte pieces as the file digests do, import the published value as
// lower-case hexadecimal, compare.
void CheckThroughHandles(const Vector& v) {
    Handle computed = 0, published = 0;
    ASSERT_EQ(CryptoHashCreate(&computed, v.algorithm), kOk);
    for (std::size_t done = 0; done < v.message.size(); done += 8192) {
        const std::size_t piece = std::min<std::size_t>(8192, v.message.size() - done);
        ASSERT_EQ(
            CryptoHashUpdate(computed, v.message.data() + done, static_cast<std::uint32_t>(piece)),
            kOk);
    }
    ASSERT_EQ(CryptoHashImport(&published, v.algorithm, v.digest.c_str(), kMaskHex), kOk);
    EXPECT_EQ(CryptoHashCompare(computed, published), kOk) << v.algorithm << " " << v.name;
    EXPECT_EQ(CryptoHashFree(computed), kOk);
    EXPECT_EQ(CryptoHashFree(published), kOk);
}

void CheckEveryFeeding(const Vector& v) {
    CheckOneShot(v);
    CheckByteByByte(v);
    CheckEverySplit(v);
    CheckThroughHandles(v);
}

TEST(HashVectors, FileCoversAllSixAlgorithms) {
    int perAlgorithm[6] = {};
    for (const Vector& v : Vectors()) ++perAlgorithm[v.algorithm - kAlgMd4];
    for (int count : perAlgorithm) EXPECT_GE(count, 8);
}

TEST(HashVectors, EveryFeedingMatches) {
    for (const Vector& v : Vectors()) {
        if (v.algorithm != kAlgSha1) CheckEveryFeeding(v);
    }
}

class HashSha1Vectors : public Sha1PathTest {};

TEST_P(HashSha1Vectors, EveryFeedingMatches) {
    for (const Vector& v : Vectors()) {
        if (v.algorithm == kAlgSha1) CheckEveryFeeding(v);
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, HashSha1Vectors,
                         testing::Values(Sha1Path::kHardware, Sha1Path::kPortable), PathName);

}  // namespace
}  // namespace vkt::crypto::test
