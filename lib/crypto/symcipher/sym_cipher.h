// The block cipher of a key object, chosen once per call rather than once per block: the
// mode loops are written against a small cipher type and instantiated for each algorithm.
#pragma once

#include <cstdint>

#include "crypto/crypto.h"
#include "crypto/symcipher/des.h"
#include "crypto/symcipher/idea.h"
#include "crypto/symcipher/sym_key.h"

namespace vkt::crypto {

struct DesCipher {
    const DesSchedule* schedule;
    std::uint64_t Encrypt(std::uint64_t block) const { return DesEncryptBlock(*schedule, block); }
    std::uint64_t Decrypt(std::uint64_t block) const { return DesDecryptBlock(*schedule, block); }
};

struct TripleDesCipher {
    const DesSchedule* schedules;  // K1, K2, K3
    std::uint64_t Encrypt(std::uint64_t block) const { return Des3EncryptBlock(schedules, block); }
    std::uint64_t Decrypt(std::uint64_t block) const { return Des3DecryptBlock(schedules, block); }
};

struct IdeaCipher {
    const IdeaSchedule* schedule;
    std::uint64_t Encrypt(std::uint64_t block) const {
        return IdeaCryptBlock(schedule->encrypt, block);
    }
    std::uint64_t Decrypt(std::uint64_t block) const {
        return IdeaCryptBlock(schedule->decrypt, block);
    }
};

// Runs body(cipher) with the cipher of the key object's algorithm.
template <typename Body>
void WithBlockCipher(const SymKeyContext& context, Body&& body) {
    switch (context.algorithm) {
        case kAlgDes:
            body(DesCipher{&context.schedule.des[0]});
            break;
        case kAlgTripleDes2:
        case kAlgTripleDes3:
            body(TripleDesCipher{context.schedule.des});
            break;
        default:
            body(IdeaCipher{&context.schedule.idea});
            break;
    }
}

// One block enciphered with the key object (for keystream blocks outside the mode loops).
inline std::uint64_t SymEncryptBlock(const SymKeyContext& context, std::uint64_t block) {
    std::uint64_t result = 0;
    WithBlockCipher(context, [&](const auto& cipher) { result = cipher.Encrypt(block); });
    return result;
}

}  // namespace vkt::crypto
