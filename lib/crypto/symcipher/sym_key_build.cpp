// Building a key object from decoded key bytes.
#include <bit>
#include <cstdint>
#include <cstring>

#include "crypto/crypto.h"
#include "crypto/symcipher/sym_key.h"

namespace vkt::crypto {

void SymKeyBuild(SymKeyContext& context, std::int32_t algorithm, const std::uint8_t* key) {
    int length = SymKeyLength(algorithm);
    context.algorithm = algorithm;
    std::memcpy(context.key, key, static_cast<std::size_t>(length));
    if (algorithm == kAlgIdea) {
        IdeaKeySchedule(context.schedule.idea, context.key);
    } else {
        // Odd parity: bit 0 flipped in every byte with an even number of one bits.
        for (int i = 0; i < length; ++i) {
            if (std::popcount(context.key[i]) % 2 == 0) context.key[i] ^= 1;
        }
        DesKeySchedule(context.schedule.des[0], context.key);
        if (algorithm != kAlgDes) {
            DesKeySchedule(context.schedule.des[1], context.key + 8);
            // K3 = bytes 16-23 for three keys, K1 again for two.
            DesKeySchedule(context.schedule.des[2],
                           algorithm == kAlgTripleDes3 ? context.key + 16 : context.key);
        }
    }
    context.state = kSymStateKey;
}

}  // namespace vkt::crypto
