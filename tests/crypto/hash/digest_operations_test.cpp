// The digest operations' checks and codes, and the state of the objects after each outcome.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "crypto/core/layer.h"
#include "crypto/crypto.h"
#include "digest_test_support.h"

namespace vkt::crypto::test {
namespace {

const char kMd5Empty[] = "d41d8cd98f00b204e9800998ecf8427e";
const char kMd5Abc[] = "900150983cd24fb0d6963f7d28e17f72";
const char kSha1Abc[] = "a9993e364706816aba3e25717850c26c9cd0d89d";

// Owns the handles a case makes and frees whatever is still live afterwards.
class Objects {
  public:
    ~Objects() {
        for (Handle h : handles_) CryptoHashFree(h);  // -205 for those a case freed itself
    }
    Handle Open(std::int32_t algorithm, const std::string& data = "") {
        Handle h = 0;
        EXPECT_EQ(CryptoHashCreate(&h, algorithm), kOk);
        if (!data.empty()) {
            EXPECT_EQ(CryptoHashUpdate(h, data.data(), static_cast<std::uint32_t>(data.size())),
                      kOk);
        }
        handles_.push_back(h);
        return h;
    }
    Handle Imported(std::int32_t algorithm, const char* text) {
        Handle h = 0;
        EXPECT_EQ(CryptoHashImport(&h, algorithm, text, kMaskHex), kOk);
        handles_.push_back(h);
        return h;
    }

  private:
    std::vector<Handle> handles_;
};

struct Case {
    const char* name;
    std::int32_t expected;
    std::function<std::int32_t(Objects&)> run;
};

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        // Closed objects refuse data.
        {"update after compare", kErrHashClosed,
         [](Objects& o) {
             Handle a = o.Open(kAlgMd5, "abc"), b = o.Imported(kAlgMd5, kMd5Abc);
             EXPECT_EQ(CryptoHashCompare(a, b), kOk);
             return CryptoHashUpdate(a, "x", 1);
         }},
        {"update of an imported object", kErrHashClosed,
         [](Objects& o) { return CryptoHashUpdate(o.Imported(kAlgMd5, kMd5Abc), "x", 1); }},
        {"closed beats null pointer", kErrHashClosed,
         [](Objects& o) { return CryptoHashUpdate(o.Imported(kAlgMd5, kMd5Abc), nullptr, 1); }},
        {"update after a mismatch", kErrHashClosed,
         [](Objects& o) {
             Handle a = o.Open(kAlgMd5, "abd"), b = o.Open(kAlgMd5, "abc");
             EXPECT_EQ(CryptoHashCompare(a, b), kErrHashMismatch);
             return CryptoHashUpdate(b, "x", 1);
         }},
        // Comparison outcomes.
        {"different algorithms, both closed", kErrHashAlgorithms,
         [](Objects& o) {
             return CryptoHashCompare(o.Imported(kAlgMd5, kMd5Abc), o.Imported(kAlgSha1, kSha1Abc));
         }},
        {"values differ", kErrHashMismatch,
         [](Objects& o) {
             return CryptoHashCompare(o.Open(kAlgMd5, "abc"), o.Imported(kAlgMd5, kMd5Empty));
         }},
        {"an object with itself", kOk,
         [](Objects& o) {
             Handle a = o.Open(kAlgRipemd160, "abc");
             return CryptoHashCompare(a, a);
         }},
        // Null data pointer, whatever the length; length 0 with a pointer changes nothing.
        {"null data", kErrPointer,
         [](Objects& o) { return CryptoHashUpdate(o.Open(kAlgMd5), nullptr, 3); }},
        {"null data, length 0", kErrPointer,
         [](Objects& o) { return CryptoHashUpdate(o.Open(kAlgMd5), nullptr, 0); }},
        {"length 0 leaves the digest", kOk,
         [](Objects& o) {
             Handle a = o.Open(kAlgMd5);
             EXPECT_EQ(CryptoHashUpdate(a, "abc", 0), kOk);
             return CryptoHashCompare(a, o.Imported(kAlgMd5, kMd5Empty));
         }},
        // Handles that name no digest object.
        {"update of a freed handle", kErrHandle,
         [](Objects& o) {
             Handle a = o.Open(kAlgMd5);
             EXPECT_EQ(CryptoHashFree(a), kOk);
             return CryptoHashUpdate(a, "x", 1);
         }},
        {"free twice", kErrHandle,
         [](Objects& o) {
             Handle a = o.Open(kAlgSha);
             EXPECT_EQ(CryptoHashFree(a), kOk);
             return CryptoHashFree(a);
         }},
        {"compare with a freed handle", kErrHandle,
         [](Objects& o) {
             Handle a = o.Open(kAlgMd5), b = o.Open(kAlgMd5);
             EXPECT_EQ(CryptoHashFree(b), kOk);
             return CryptoHashCompare(a, b);
         }},
        {"freed handle of a reused entry", kErrHandle,
         [](Objects& o) {
             Handle a = o.Open(kAlgMd5);
             EXPECT_EQ(CryptoHashFree(a), kOk);
             // Fill entries until the freed one is taken again with a new value.
             for (int k = 0; k < 256; ++k) {
                 if ((o.Open(kAlgMd4) & 0xFF) == (a & 0xFF)) break;
             }
             return CryptoHashUpdate(a, "x", 1);
         }},
        {"handle 0", kErrHandle, [](Objects&) { return CryptoHashUpdate(0, "x", 1); }},
        {"handle of another type", kErrHandle,
         [](Objects&) {
             int other = 0;
             const Handle h = CryptoHandleNew();
             CryptoHandleAttach(h, &other, kTypeSymKey);
             const std::int32_t code = CryptoHashUpdate(h, "x", 1);
             EXPECT_EQ(CryptoHashFree(h), kErrHandle);
             EXPECT_EQ(CryptoHandleRelease(h, kTypeSymKey), &other);
             return code;
         }},
        // Creation and import checks, in their order.
        {"create with identifier 301", kErrAlgorithm,
         [](Objects&) {
             Handle h = 77;
             const std::int32_t code = CryptoHashCreate(&h, 301);
             EXPECT_EQ(h, 0u);
             return code;
         }},
        {"create with identifier 308", kErrAlgorithm,
         [](Objects&) {
             Handle h = 77;
             return CryptoHashCreate(&h, 308);
         }},
        {"create with a cipher identifier", kErrAlgorithm,
         [](Objects&) {
             Handle h = 77;
             return CryptoHashCreate(&h, kAlgDes);
         }},
        {"create: null out handle", kErrPointer,
         [](Objects&) { return CryptoHashCreate(nullptr, kAlgMd5); }},
        {"import: null out handle", kErrPointer,
         [](Objects&) { return CryptoHashImport(nullptr, kAlgMd5, kMd5Abc, kMaskHex); }},
        {"import: algorithm before text", kErrAlgorithm,
         [](Objects&) {
             Handle h = 77;
             return CryptoHashImport(&h, 0, nullptr, 0x20);
         }},
        {"import: null text", kErrPointer,
         [](Objects&) {
             Handle h = 77;
             const std::int32_t code = CryptoHashImport(&h, kAlgMd5, nullptr, kMaskHex);
             EXPECT_EQ(h, 0u);
             return code;
         }},
        {"import: invalid mask", kErrMask,
         [](Objects&) {
             Handle h = 77;
             return CryptoHashImport(&h, kAlgMd5, kMd5Abc, 0x20);
         }},
        {"import: 31 digits", kErrInput,
         [](Objects&) {
             Handle h = 77;
             const std::int32_t code =
                 CryptoHashImport(&h, kAlgMd5, std::string(kMd5Abc, 31).c_str(), kMaskHex);
             EXPECT_EQ(h, 0u);
             return code;
         }},
        {"import: 32 digits for SHA-1", kErrInput,
         [](Objects&) {
             Handle h = 77;
             return CryptoHashImport(&h, kAlgSha1, kMd5Abc, kMaskHex);
         }},
        {"import: not a digit", kErrInput,
         [](Objects&) {
             Handle h = 77;
             return CryptoHashImport(&h, kAlgMd5, "900150983cd24fb0d6963f7d28e17fxx", kMaskHex);
         }},
        {"import: 40 digits for MD5 uses the first 32", kOk,
         [](Objects& o) {
             Handle h = 77;
             EXPECT_EQ(CryptoHashImport(&h, kAlgMd5, (std::string(kMd5Abc) + "00112233").c_str(),
                                        kMaskHex),
                       kOk);
             const std::int32_t code = CryptoHashCompare(h, o.Open(kAlgMd5, "abc"));
             CryptoHashFree(h);
             return code;
         }},
        {"import: upper-case digits", kOk,
         [](Objects& o) {
             Handle h = 0;
             EXPECT_EQ(CryptoHashImport(&h, kAlgMd5, "900150983CD24FB0D6963F7D28E17F72", kMaskHex),
                       kOk);
             const std::int32_t code = CryptoHashCompare(h, o.Open(kAlgMd5, "abc"));
             CryptoHashFree(h);
             return code;
         }},
    };
    return cases;
}

TEST(HashOperations, CodesOfEveryCase) {
    for (const Case& c : Cases()) {
        Objects objects;
        EXPECT_EQ(c.run(objects), c.expected) << c.name;
    }
}

// A refused comparison of different algorithms leaves both objects open and unchanged.
TEST(HashOperations, AlgorithmMismatchClosesNothing) {
    Objects o;
    const Handle md5 = o.Open(kAlgMd5, "ab"), sha1 = o.Open(kAlgSha1, "ab");
    ASSERT_EQ(CryptoHashCompare(md5, sha1), kErrHashAlgorithms);
    ASSERT_EQ(CryptoHashUpdate(md5, "c", 1), kOk);
    ASSERT_EQ(CryptoHashUpdate(sha1, "c", 1), kOk);
    EXPECT_EQ(CryptoHashCompare(md5, o.Imported(kAlgMd5, kMd5Abc)), kOk);
    EXPECT_EQ(CryptoHashCompare(sha1, o.Imported(kAlgSha1, kSha1Abc)), kOk);
}

// A full table refuses create and import with -105, leaves the out handle 0, and a freed
// entry serves again.
TEST(HashOperations, HandleTableFull) {
    std::vector<Handle> live;
    for (;;) {
        Handle h = 0;
        const std::int32_t code = CryptoHashCreate(&h, kAlgMd5);
        if (code != kOk) {
            EXPECT_EQ(code, kErrNoHandle);
            EXPECT_EQ(h, 0u);
            break;
        }
        live.push_back(h);
        ASSERT_LE(live.size(), 256u);
    }
    Handle h = 77;
    EXPECT_EQ(CryptoHashImport(&h, kAlgMd5, kMd5Abc, kMaskHex), kErrNoHandle);
    EXPECT_EQ(h, 0u);
    EXPECT_EQ(CryptoHashFree(live.back()), kOk);
    live.pop_back();
    EXPECT_EQ(CryptoHashImport(&h, kAlgMd5, kMd5Abc, kMaskHex), kOk);
    live.push_back(h);
    for (Handle each : live) EXPECT_EQ(CryptoHashFree(each), kOk);
}

// SHA (304) and SHA-1 (305) share everything but the schedule rotation: their digests differ.
TEST(HashOperations, ShaDiffersFromSha1) {
    for (const char* text : {"", "abc", "message digest"}) {
        std::uint8_t sha[20], sha1[20];
        CryptoHashOneShot(sha, kAlgSha, text, std::char_traits<char>::length(text));
        CryptoHashOneShot(sha1, kAlgSha1, text, std::char_traits<char>::length(text));
        EXPECT_NE(ToHex(sha, 20), ToHex(sha1, 20)) << text;
    }
}

// An identifier that names no digest gives an inert closed context and a one-shot that writes
// nothing.
TEST(HashOperations, UnknownIdentifierIsInert) {
    HashContext context;
    HashContextInit(&context, 0);
    EXPECT_EQ(context.closed, 1);
    HashContextUpdate(&context, reinterpret_cast<const std::uint8_t*>("abc"), 3);
    HashContextFinal(&context);
    EXPECT_EQ(ToHex(context.digest, 20), std::string(40, '0'));

    std::uint8_t out[20];
    std::fill(std::begin(out), std::end(out), 0xEE);
    CryptoHashOneShot(out, 300, "abc", 3);
    EXPECT_EQ(ToHex(out, 20), std::string(40, 'e'));
}

}  // namespace
}  // namespace vkt::crypto::test
