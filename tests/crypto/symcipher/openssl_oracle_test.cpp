// OpenSSL's ciphers as an independent oracle, on random keys, vectors, lengths and message
// splits, in both directions. Single DES and IDEA live in OpenSSL's legacy provider; where it
// is missing, single DES is checked as three-key triple DES with K1 = K2 = K3, and where
// OpenSSL has no IDEA, IDEA is left to its published vectors. Modes OpenSSL lacks (8-bit OFB; 8-bit
// CFB for two-key triple DES and IDEA) and residual-block termination are built from OpenSSL's
// single-block encipherment.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <algorithm>
#include <random>
#include <string>

#include "crypto/symcipher/sym_engine.h"
#include "sym_test_support.h"

namespace vkt::crypto::testing {
namespace {

class OpenSsl {
  public:
    static OpenSsl& Get() {
        static OpenSsl instance;
        return instance;
    }
    bool legacy() const { return legacy_ != nullptr; }
    bool idea() const { return idea_; }

    // The OpenSSL cipher and key for one of our algorithms and modes, or null when OpenSSL
    // has no such cipher (the caller then builds the mode from single blocks).
    EVP_CIPHER* Fetch(std::int32_t algorithm, std::int32_t mode, const Bytes& key,
                      Bytes& openSslKey) const {
        static const char* const kSuffix[] = {"", "ECB", "CBC", "CFB", "OFB", "CFB8", nullptr};
        if (kSuffix[mode] == nullptr) return nullptr;
        std::string family;
        openSslKey = key;
        switch (algorithm) {
            case kAlgDes:
                family = "DES-";
                if (!legacy()) {
                    family = "DES-EDE3-";
                    openSslKey = Repeat(key, key, key);
                }
                break;
            case kAlgTripleDes2:
                family = "DES-EDE-";
                if (mode == kModeCfb8) {  // no two-key variant: K1, K2, K1 as three keys
                    family = "DES-EDE3-";
                    openSslKey = Repeat(Part(key, 0), Part(key, 1), Part(key, 0));
                }
                break;
            case kAlgTripleDes3:
                family = "DES-EDE3-";
                break;
            default:
                if (!idea_ || mode == kModeCfb8) return nullptr;
                family = "IDEA-";
                break;
        }
        return EVP_CIPHER_fetch(nullptr, (family + kSuffix[mode]).c_str(), nullptr);
    }

  private:
    OpenSsl() {
        legacy_ = OSSL_PROVIDER_load(nullptr, "legacy");
        default_ = OSSL_PROVIDER_load(nullptr, "default");
        idea_ = ProbeIdea();
    }
    // Whether OpenSSL really enciphers IDEA (a build may name the cipher and still refuse it):
    // the designers' example block.
    static bool ProbeIdea() {
        EVP_CIPHER* idea = EVP_CIPHER_fetch(nullptr, "IDEA-ECB", nullptr);
        if (idea == nullptr) return false;
        const Bytes key = FromHex("00010002000300040005000600070008");
        const Bytes in = FromHex("0000000100020003");
        Bytes out(16);
        int written = 0;
        EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
        bool works = EVP_EncryptInit_ex(ctx, idea, nullptr, key.data(), nullptr) == 1 &&
                     EVP_CIPHER_CTX_set_padding(ctx, 0) == 1 &&
                     EVP_EncryptUpdate(ctx, out.data(), &written, in.data(), 8) == 1 &&
                     written == 8 && ToHex(out.data(), 8) == "11fbed2b01986de5";
        EVP_CIPHER_CTX_free(ctx);
        EVP_CIPHER_free(idea);
        return works;
    }
    ~OpenSsl() {
        if (legacy_ != nullptr) OSSL_PROVIDER_unload(legacy_);
        if (default_ != nullptr) OSSL_PROVIDER_unload(default_);
    }
    static Bytes Part(const Bytes& key, int i) {
        return Bytes(key.begin() + 8 * i, key.begin() + 8 * i + 8);
    }
    static Bytes Repeat(const Bytes& a, const Bytes& b, const Bytes& c) {
        Bytes all = a;
        all.insert(all.end(), b.begin(), b.end());
        all.insert(all.end(), c.begin(), c.end());
        return all;
    }

    OSSL_PROVIDER* legacy_ = nullptr;
    OSSL_PROVIDER* default_ = nullptr;
    bool idea_ = false;
};

// One pass of an OpenSSL cipher over data, padding on or off.
Bytes RunEvp(EVP_CIPHER* cipher, const Bytes& key, const Bytes& vector, const Bytes& data,
             bool encrypt, bool pad) {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    Bytes out(data.size() + 16);
    int written = 0;
    int final = 0;
    EXPECT_EQ(EVP_CipherInit_ex(ctx, cipher, nullptr, key.data(), vector.data(), encrypt ? 1 : 0),
              1);
    EVP_CIPHER_CTX_set_padding(ctx, pad ? 1 : 0);
    EXPECT_EQ(
        EVP_CipherUpdate(ctx, out.data(), &written, data.data(), static_cast<int>(data.size())), 1);
    EXPECT_EQ(EVP_CipherFinal_ex(ctx, out.data() + written, &final), 1);
    EVP_CIPHER_CTX_free(ctx);
    out.resize(static_cast<std::size_t>(written + final));
    return out;
}

// OpenSSL's encipherment of one block under our algorithm's key.
std::uint64_t OracleBlock(std::int32_t algorithm, const Bytes& key, std::uint64_t block) {
    Bytes openSslKey;
    EVP_CIPHER* ecb = OpenSsl::Get().Fetch(algorithm, kModeEcb, key, openSslKey);
    Bytes in(8);
    for (int i = 0; i < 8; ++i) in[i] = static_cast<std::uint8_t>(block >> (56 - 8 * i));
    Bytes out = RunEvp(ecb, openSslKey, Bytes(8, 0), in, true, false);
    EVP_CIPHER_free(ecb);
    std::uint64_t result = 0;
    for (int i = 0; i < 8; ++i) result = (result << 8) | out[i];
    return result;
}

// 8-bit feedback from single blocks: T = E(R); out = in xor T[0]; R shifts in the ciphertext
// byte (CFB) or T[0] (OFB).
Bytes OracleByteFeedback(std::int32_t algorithm, std::int32_t mode, const Bytes& key,
                         const Bytes& vector, const Bytes& data, bool encrypt) {
    std::uint64_t reg = 0;
    for (std::uint8_t b : vector) reg = (reg << 8) | b;
    Bytes out(data.size());
    for (std::size_t i = 0; i < data.size(); ++i) {
        auto t = static_cast<std::uint8_t>(OracleBlock(algorithm, key, reg) >> 56);
        out[i] = data[i] ^ t;
        std::uint8_t cipherByte = encrypt ? out[i] : data[i];
        reg = (reg << 8) | (mode == kModeCfb8 ? cipherByte : t);
    }
    return out;
}

// The whole transformation of a message without padding, as OpenSSL computes it.
Bytes Oracle(std::int32_t algorithm, std::int32_t mode, const Bytes& key, const Bytes& vector,
             const Bytes& data, bool encrypt) {
    Bytes openSslKey;
    EVP_CIPHER* cipher = OpenSsl::Get().Fetch(algorithm, mode, key, openSslKey);
    if (cipher == nullptr) return OracleByteFeedback(algorithm, mode, key, vector, data, encrypt);
    if (mode >= kModeCfb64) {
        Bytes out = RunEvp(cipher, openSslKey, vector, data, encrypt, false);
        EVP_CIPHER_free(cipher);
        return out;
    }
    // Modes 1 and 2: whole blocks, then a partial block XOR E(last ciphertext block or vector).
    std::size_t whole = data.size() & ~std::size_t{7};
    Bytes head(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(whole));
    Bytes out = RunEvp(cipher, openSslKey, vector, head, encrypt, false);
    EVP_CIPHER_free(cipher);
    if (whole < data.size()) {
        const Bytes& ciphertext = encrypt ? out : data;
        std::uint64_t x = 0;
        for (int i = 0; i < 8; ++i)
            x = (x << 8) | (whole >= 8 ? ciphertext[whole - 8 + i] : vector[i]);
        std::uint64_t t = OracleBlock(algorithm, key, x);
        for (std::size_t i = whole; i < data.size(); ++i) {
            out.push_back(data[i] ^ static_cast<std::uint8_t>(t >> (56 - 8 * (i - whole))));
        }
    }
    return out;
}

bool Covered(std::int32_t algorithm) {
    return algorithm != kAlgIdea || OpenSsl::Get().idea();
}

// Random messages, enciphered and deciphered in two or three calls (block-aligned cuts in
// modes 1 and 2, any cut in the byte modes) against OpenSSL's one pass.
TEST(OpenSslOracle, EveryModeInBothDirections) {
    std::mt19937 random(7);
    for (std::int32_t algorithm : kAlgorithms) {
        if (!Covered(algorithm)) continue;
        for (std::int32_t mode : kModes) {
            for (int trial = 0; trial < 12; ++trial) {
                const Bytes key = RandomKey(random, algorithm);
                const Bytes vector = RandomBytes(random, 8);
                std::size_t length = 8 + random() % 57;
                const Bytes data = RandomBytes(random, length);
                SCOPED_TRACE(std::to_string(algorithm) + " mode " + std::to_string(mode) +
                             " length " + std::to_string(length));

                std::size_t cuts[2] = {random() % (length + 1), random() % (length + 1)};
                if (cuts[0] > cuts[1]) std::swap(cuts[0], cuts[1]);
                // Modes 1 and 2 chain whole blocks; mode 1 also needs a final piece of at
                // least a block, so that its partial tail has the same X as in one pass.
                for (auto& c : cuts) {
                    if (mode == kModeEcb) c = std::min(c, length - 8);
                    if (mode <= kModeCbc) c &= ~std::size_t{7};
                }
                ScopedKey k(algorithm, key);
                auto run = [&](const Bytes& in, bool encrypt) {
                    k.SetVector(vector);
                    Bytes out(length);
                    std::size_t from = 0;
                    for (std::size_t to : {cuts[0], cuts[1], length}) {
                        if (to == from) continue;
                        std::uint32_t n = 0;
                        auto piece = static_cast<std::uint32_t>(to - from);
                        std::int32_t result =
                            encrypt ? SymEncipher(k.context(), out.data() + from, &n,
                                                  in.data() + from, piece, mode, kPadNone)
                                    : SymDecipher(k.context(), out.data() + from, &n,
                                                  in.data() + from, piece, mode, kPadNone);
                        EXPECT_EQ(result, kOk);
                        EXPECT_EQ(n, piece);
                        from = to;
                    }
                    return out;
                };
                const Bytes expected = Oracle(algorithm, mode, key, vector, data, true);
                EXPECT_EQ(ToHex(run(data, true)), ToHex(expected));
                EXPECT_EQ(ToHex(Oracle(algorithm, mode, key, vector, expected, false)),
                          ToHex(data));
                EXPECT_EQ(ToHex(run(expected, false)), ToHex(data));
            }
        }
    }
}

// The protocol's form, CBC with padding 3 and the vector in front, read and written by
// OpenSSL's CBC with its standard padding.
TEST(OpenSslOracle, SealedMessagesInterchange) {
    std::mt19937 random(11);
    for (std::int32_t algorithm : kAlgorithms) {
        if (!Covered(algorithm)) continue;
        for (std::size_t length = 1; length <= 48; length += 5) {
            SCOPED_TRACE(std::to_string(algorithm) + " length " + std::to_string(length));
            const Bytes key = RandomKey(random, algorithm);
            const Bytes data = RandomBytes(random, length);
            Bytes openSslKey;
            EVP_CIPHER* cbc = OpenSsl::Get().Fetch(algorithm, kModeCbc, key, openSslKey);
            ASSERT_NE(cbc, nullptr);
            ScopedKey k(algorithm, key);

            Bytes sealed((length & ~std::size_t{7}) + 16);
            std::uint32_t n = 0;
            ASSERT_EQ(CryptoEncrypt(k.handle(), sealed.data(), &n, data.data(),
                                    static_cast<std::uint32_t>(length), kModeCbc, kPadPkcs),
                      kOk);
            const Bytes vector(sealed.begin(), sealed.begin() + 8);
            const Bytes body(sealed.begin() + 8, sealed.end());
            EXPECT_EQ(ToHex(RunEvp(cbc, openSslKey, vector, body, false, true)), ToHex(data));

            const Bytes peerVector = RandomBytes(random, 8);
            Bytes message = peerVector;
            const Bytes peerBody = RunEvp(cbc, openSslKey, peerVector, data, true, true);
            message.insert(message.end(), peerBody.begin(), peerBody.end());
            Bytes plain(message.size());
            ASSERT_EQ(CryptoDecrypt(k.handle(), plain.data(), &n, message.data(),
                                    static_cast<std::uint32_t>(message.size()), kModeCbc, kPadPkcs),
                      kOk);
            EXPECT_EQ(ToHex(plain.data(), n), ToHex(data));
            EVP_CIPHER_free(cbc);
        }
    }
}

// Says in the test log which checks the local OpenSSL could not serve.
TEST(OpenSslOracle, ProvidersAvailable) {
    if (!OpenSsl::Get().legacy()) {
        GTEST_SKIP() << "no legacy provider: single DES checked as triple DES with K1 = K2 = K3";
    }
    if (!OpenSsl::Get().idea()) {
        GTEST_SKIP() << "OpenSSL built without IDEA: IDEA checked by its published vectors";
    }
}

}  // namespace
}  // namespace vkt::crypto::testing
