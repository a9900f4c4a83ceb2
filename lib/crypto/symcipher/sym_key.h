// The symmetric key object behind a key handle (handle type kTypeSymKey).
//
// One object holds the cipher, its key schedules and the chaining state of the modes:
//   algorithm  101 DES, 102 two-key triple DES, 103 three-key triple DES, 104 IDEA
//   key        the key bytes (8, 16, 24 or 16 used); DES-family bytes carry odd parity
//   schedule   DES family: the schedules of K1, K2, K3 (K3 = K1 for 102; 101 uses only the
//              first); IDEA: 52 enciphering and 52 deciphering sub-keys
//   vector     the initialisation vector last set
//   reg        the feedback register of the modes (a copy of vector when it is set)
//   position   modes 3 and 4: keystream bytes of reg already used, 0 to 7; 0 means none is
//              left, so the next byte enciphers reg first
//   state      kSymStateKey, kSymStateVector, or kSymStateResidual after a residual final block
// The object comes from the wiping allocator and is wiped when freed.
#pragma once

#include <cstdint>

#include "crypto/symcipher/des.h"
#include "crypto/symcipher/idea.h"

namespace vkt::crypto {

enum : std::int32_t {
    kSymStateKey = 1,       // key set, no initialisation vector
    kSymStateResidual = 2,  // a residual final block was processed
    kSymStateVector = 3,    // initialisation vector set
};

struct SymKeyContext {
    std::int32_t algorithm;
    std::uint8_t key[24];
    union {
        DesSchedule des[3];
        IdeaSchedule idea;
    } schedule;
    std::uint8_t vector[8];
    std::uint8_t reg[8];
    std::int32_t position;
    std::int32_t state;
};

// The helpers below take an identifier that SymKeyLength (crypto.h) accepts.

// True when a decoded key is weak: a DES-family part of eight bytes all 0x01, 0xFE, 0x1F or
// 0xE0, or an IDEA key of sixteen zero bytes. Tested on the bytes as given, before parity.
bool SymKeyIsWeak(std::int32_t algorithm, const std::uint8_t* key);

// Fills a zeroed object: identifier, key bytes (odd parity forced for the DES family),
// schedules, state kSymStateKey.
void SymKeyBuild(SymKeyContext& context, std::int32_t algorithm, const std::uint8_t* key);

// Sets the initialisation vector: vector and register take the 8 bytes, position 0,
// state kSymStateVector.
void SymKeySetVector(SymKeyContext& context, const std::uint8_t vector[8]);

}  // namespace vkt::crypto
