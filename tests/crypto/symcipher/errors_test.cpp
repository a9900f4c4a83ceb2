// Every refusal of the key and cipher operations, in the order the checks run: each case is
// built so that only the check under test (and those after it) could fail.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "crypto/symcipher/sym_engine.h"
#include "sym_test_support.h"

namespace vkt::crypto::testing {
namespace {

struct ErrorCase {
    const char* name;
    std::int32_t expected;
    std::function<std::int32_t()> call;
};

void RunCases(const std::vector<ErrorCase>& cases) {
    for (const ErrorCase& c : cases) EXPECT_EQ(c.call(), c.expected) << c.name;
}

const Bytes kDesKey = FromHex("0123456789abcdef");

TEST(Errors, KeyCreate) {
    auto create = [](std::int32_t algorithm, const void* text, std::uint8_t mask) {
        Handle handle = 12345;
        std::int32_t result = CryptoKeyCreate(&handle, algorithm, text, mask);
        EXPECT_EQ(handle == 0, result != kOk) << "out handle is 0 exactly on failure";
        if (result == kOk) CryptoKeyFree(handle);
        return result;
    };
    const Bytes des = kDesKey;
    const Bytes weak01(8, 0x01);
    const Bytes zero24(24, 0x00);
    Bytes secondWeak = FromHex("0123456789abcdef fefefefefefefefe");
    Bytes thirdWeak = FromHex("0123456789abcdef 23456789abcdef01 1f1f1f1f1f1f1f1f");
    const Bytes ideaZero(16, 0x00);
    RunCases({
        {"unknown algorithm", kErrAlgorithm, [&] { return create(105, des.data(), kMaskRaw); }},
        {"digest algorithm", kErrAlgorithm, [&] { return create(kAlgMd5, des.data(), kMaskRaw); }},
        {"unknown algorithm before null text", kErrAlgorithm,
         [&] { return create(0, nullptr, kMaskRaw); }},
        {"null key text", kErrPointer, [&] { return create(kAlgDes, nullptr, kMaskRaw); }},
        {"null out handle", kErrPointer,
         [&] { return CryptoKeyCreate(nullptr, kAlgDes, des.data(), kMaskRaw); }},
        {"invalid mask", kErrMask, [&] { return create(kAlgDes, des.data(), 0x20); }},
        {"hex text too short", kErrInput,
         [&] { return create(kAlgDes, "0123456789abcd", kMaskHex); }},
        {"hex text not hex", kErrInput,
         [&] { return create(kAlgDes, "0123456789abcdeg", kMaskHex); }},
        {"hex text of the key", kOk, [&] { return create(kAlgDes, "0123456789abcdef", kMaskHex); }},
        {"DES all 0x01", kErrWeakKey, [&] { return create(kAlgDes, weak01.data(), kMaskRaw); }},
        {"DES all 0xE0", kErrWeakKey,
         [&] { return create(kAlgDes, "e0e0e0e0e0e0e0e0", kMaskHex); }},
        {"DES all 0x00 is accepted", kOk, [&] { return create(kAlgDes, zero24.data(), kMaskRaw); }},
        {"two keys, second part weak", kErrWeakKey,
         [&] { return create(kAlgTripleDes2, secondWeak.data(), kMaskRaw); }},
        {"three keys, third part weak", kErrWeakKey,
         [&] { return create(kAlgTripleDes3, thirdWeak.data(), kMaskRaw); }},
        {"IDEA all zero", kErrWeakKey, [&] { return create(kAlgIdea, ideaZero.data(), kMaskRaw); }},
        {"IDEA all 0x01 is accepted", kOk,
         [&] { return create(kAlgIdea, Bytes(16, 1).data(), kMaskRaw); }},
    });
}

// A live key, a freed key handle, and a handle of another type.
class HandleErrors : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(CryptoKeyCreate(&freed_, kAlgDes, kDesKey.data(), kMaskRaw), kOk);
        ASSERT_EQ(CryptoKeyFree(freed_), kOk);
        other_ = CryptoHandleNew();
        CryptoHandleAttach(other_, &dummy_, kTypeDigest);
    }
    void TearDown() override { CryptoHandleRelease(other_, kTypeDigest); }

    ScopedKey key_{kAlgDes, kDesKey};
    Handle freed_ = 0;
    Handle other_ = 0;
    int dummy_ = 0;
};

TEST_F(HandleErrors, KeySetIVAndFree) {
    const Bytes vector(8, 0x42);
    const Handle k = key_.handle();
    RunCases({
        {"null vector", kErrPointer, [&] { return CryptoKeySetIV(k, nullptr, kMaskRaw); }},
        {"null vector before bad handle", kErrPointer,
         [&] { return CryptoKeySetIV(freed_, nullptr, kMaskRaw); }},
        {"invalid mask", kErrMask, [&] { return CryptoKeySetIV(k, vector.data(), 0x40); }},
        {"invalid mask before bad handle", kErrMask,
         [&] { return CryptoKeySetIV(0, vector.data(), 0xA0); }},
        {"handle 0", kErrHandle, [&] { return CryptoKeySetIV(0, vector.data(), kMaskRaw); }},
        {"freed handle", kErrHandle,
         [&] { return CryptoKeySetIV(freed_, vector.data(), kMaskRaw); }},
        {"digest handle", kErrHandle,
         [&] { return CryptoKeySetIV(other_, vector.data(), kMaskRaw); }},
        {"hex vector too short", kErrInput,
         [&] { return CryptoKeySetIV(k, "1234567890abcd", kMaskHex); }},
        {"hex vector", kOk, [&] { return CryptoKeySetIV(k, "1234567890abcdef", kMaskHex); }},
        {"free a freed handle", kErrHandle, [&] { return CryptoKeyFree(freed_); }},
        {"free a digest handle", kErrHandle, [&] { return CryptoKeyFree(other_); }},
    });
    EXPECT_EQ(ToHex(key_.context().vector, 8), "1234567890abcdef");
    EXPECT_EQ(key_.context().state, kSymStateVector);
}

TEST_F(HandleErrors, Encrypt) {
    const Bytes in(16, 0x33);
    Bytes out(40);
    std::uint32_t length = 0;
    const Handle k = key_.handle();
    auto encrypt = [&](Handle h, std::uint8_t* o, const std::uint8_t* i, std::uint32_t n,
                       std::int32_t mode, std::int32_t padding) {
        length = 77;
        std::int32_t result = CryptoEncrypt(h, o, &length, i, n, mode, padding);
        if (result != kOk) {
            EXPECT_EQ(length, 0u) << "out length is cleared";
        }
        return result;
    };
    const std::uint8_t* i = in.data();
    std::uint8_t* o = out.data();
    RunCases({
        {"null output, chained", kErrPointer, [&] { return encrypt(k, nullptr, i, 16, 2, 3); }},
        {"null output, mode 1", kErrPointer, [&] { return encrypt(k, nullptr, i, 16, 1, 3); }},
        {"null input", kErrPointer, [&] { return encrypt(k, o, nullptr, 16, 2, 3); }},
        {"null out length", kErrPointer, [&] { return CryptoEncrypt(k, o, nullptr, i, 16, 2, 3); }},
        {"freed handle, chained", kErrHandle, [&] { return encrypt(freed_, o, i, 16, 2, 3); }},
        {"digest handle, mode 1", kErrHandle, [&] { return encrypt(other_, o, i, 16, 1, 3); }},
        {"bad handle before bad mode", kErrHandle, [&] { return encrypt(freed_, o, i, 16, 7, 3); }},
        {"mode 0", kErrMode, [&] { return encrypt(k, o, i, 16, 0, 3); }},
        {"mode 7", kErrMode, [&] { return encrypt(k, o, i, 16, 7, 3); }},
        {"mode before padding", kErrMode, [&] { return encrypt(k, o, i, 16, 7, 2); }},
        {"padding 2", kErrPadding, [&] { return encrypt(k, o, i, 16, 2, 2); }},
        {"padding 0", kErrPadding, [&] { return encrypt(k, o, i, 16, 1, 0); }},
        {"padding 5", kErrPadding, [&] { return encrypt(k, o, i, 16, 3, 5); }},
        {"padding before length", kErrPadding, [&] { return encrypt(k, o, i, 0, 2, 2); }},
        {"length 0", kErrLength, [&] { return encrypt(k, o, i, 0, 2, 3); }},
        {"mode 1 without padding, 5 bytes", kErrLength, [&] { return encrypt(k, o, i, 5, 1, 1); }},
        {"mode 1 without padding, 8 bytes", kOk, [&] { return encrypt(k, o, i, 8, 1, 1); }},
        {"mode 1 with padding, 5 bytes", kOk, [&] { return encrypt(k, o, i, 5, 1, 3); }},
        // Refused before a byte is read: the output would not have a 32-bit length.
        {"length too large", kErrLength, [&] { return encrypt(k, o, i, kSymMaxInput + 1, 2, 3); }},
    });
}

TEST_F(HandleErrors, Decrypt) {
    const Bytes in(24, 0x33);
    Bytes out(24);
    std::uint32_t length = 0;
    const Handle k = key_.handle();
    auto decrypt = [&](Handle h, std::uint8_t* o, const std::uint8_t* i, std::uint32_t n,
                       std::int32_t mode, std::int32_t padding) {
        length = 77;
        std::int32_t result = CryptoDecrypt(h, o, &length, i, n, mode, padding);
        if (result != kOk) {
            EXPECT_EQ(length, 0u) << "out length is cleared";
        }
        return result;
    };
    const std::uint8_t* i = in.data();
    std::uint8_t* o = out.data();
    RunCases({
        {"null input, chained", kErrPointer, [&] { return decrypt(k, o, nullptr, 24, 2, 1); }},
        {"null input, mode 1", kErrPointer, [&] { return decrypt(k, o, nullptr, 24, 1, 1); }},
        {"null output", kErrPointer, [&] { return decrypt(k, nullptr, i, 24, 2, 1); }},
        {"null out length", kErrPointer, [&] { return CryptoDecrypt(k, o, nullptr, i, 24, 2, 1); }},
        {"freed handle, chained", kErrHandle, [&] { return decrypt(freed_, o, i, 24, 2, 1); }},
        {"digest handle, mode 1", kErrHandle, [&] { return decrypt(other_, o, i, 24, 1, 1); }},
        {"chained, only a vector", kErrLength, [&] { return decrypt(k, o, i, 8, 2, 1); }},
        {"chained, short of a vector", kErrLength, [&] { return decrypt(k, o, i, 3, 4, 1); }},
        {"mode 0", kErrMode, [&] { return decrypt(k, o, i, 24, 0, 1); }},
        {"mode 9", kErrMode, [&] { return decrypt(k, o, i, 24, 9, 1); }},
        {"padding 2", kErrPadding, [&] { return decrypt(k, o, i, 24, 2, 2); }},
        {"length 0, mode 1", kErrLength, [&] { return decrypt(k, o, i, 0, 1, 1); }},
        {"padding 3, mode 1, 13 bytes", kErrLength, [&] { return decrypt(k, o, i, 13, 1, 3); }},
        {"padding 4, mode 2, 8 + 13 bytes", kErrLength, [&] { return decrypt(k, o, i, 21, 2, 4); }},
        {"padding 1, mode 2, 8 + 13 bytes", kOk, [&] { return decrypt(k, o, i, 21, 2, 1); }},
        {"padding 1, mode 1, 5 bytes", kOk, [&] { return decrypt(k, o, i, 5, 1, 1); }},
    });
}

// No public path leaves a chaining mode without a vector (both operations set one), so the
// -505 refusal is reached through the entry points below them: on a new key object and after
// a residual final block.
TEST(Errors, ChainingModesNeedAVector) {
    const Bytes in(16, 0x44);
    Bytes out(24);
    std::uint32_t length = 0;
    ScopedKey key(kAlgTripleDes2, FromHex("0123456789abcdef 23456789abcdef01"));
    for (std::int32_t mode : {kModeCbc, kModeCfb64, kModeOfb64, kModeCfb8, kModeOfb8}) {
        EXPECT_EQ(SymEncipher(key.context(), out.data(), &length, in.data(), 16, mode, kPadPkcs),
                  kErrNoVector)
            << mode;
        EXPECT_EQ(SymDecipher(key.context(), out.data(), &length, in.data(), 16, mode, kPadNone),
                  kErrNoVector)
            << mode;
    }
    EXPECT_EQ(SymEncipher(key.context(), out.data(), &length, in.data(), 16, kModeEcb, kPadNone),
              kOk);

    key.SetVector(Bytes(8, 0));
    ASSERT_EQ(SymEncipher(key.context(), out.data(), &length, in.data(), 13, kModeCbc, kPadNone),
              kOk);
    EXPECT_EQ(SymEncipher(key.context(), out.data(), &length, in.data(), 16, kModeCbc, kPadNone),
              kErrNoVector);
}

// Creating keys until the table is full: the refusal creates nothing, and every key that was
// made can be freed (the sanitizer build checks that nothing leaks).
TEST(Errors, HandleTableFull) {
    const Bytes ideaKey = FromHex("00010002000300040005000600070008");
    std::vector<Handle> handles;
    Handle handle = 0;
    std::int32_t result = kOk;
    while (handles.size() <= 256 &&
           (result = CryptoKeyCreate(&handle, kAlgIdea, ideaKey.data(), kMaskRaw)) == kOk) {
        handles.push_back(handle);
    }
    EXPECT_EQ(result, kErrNoHandle);
    EXPECT_EQ(handle, 0u);
    EXPECT_LE(handles.size(), 256u);
    for (Handle h : handles) EXPECT_EQ(CryptoKeyFree(h), kOk);
}

}  // namespace
}  // namespace vkt::crypto::testing
