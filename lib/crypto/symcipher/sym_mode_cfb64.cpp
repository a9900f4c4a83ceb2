// Mode 3, cipher feedback with 64-bit feedback, byte-granular.
//
// The register holds E(previous ciphertext block) with its first `position` bytes already
// replaced by ciphertext; position 0 means no keystream byte is left, so the next byte
// starts a block with R = E(R) (the first byte after a new vector uses E(vector)).
#include "crypto/symcipher/block_io.h"
#include "crypto/symcipher/sym_cipher.h"
#include "crypto/symcipher/sym_modes.h"

namespace vkt::crypto {

void SymCfb64(SymKeyContext& context, bool decipher, std::uint8_t* out, const std::uint8_t* in,
              std::size_t length) {
    std::uint8_t* reg = context.reg;
    std::size_t p = static_cast<std::size_t>(context.position);
    std::size_t i = 0;
    // One byte against the register: the ciphertext byte takes the keystream byte's place.
    auto step = [&]() {
        std::uint8_t input = in[i];
        std::uint8_t output = input ^ reg[p];
        reg[p] = decipher ? input : output;
        out[i] = output;
        ++i;
        ++p;
    };
    while (p % 8 != 0 && i < length) step();  // what is left of the current block
    p %= 8;
    if (p == 0 && i < length) {
        WithBlockCipher(context, [&](const auto& cipher) {
            std::uint64_t feedback = LoadBlock(reg);
            for (; length - i >= 8; i += 8) {
                std::uint64_t input = LoadBlock(in + i);
                std::uint64_t output = input ^ cipher.Encrypt(feedback);
                StoreBlock(out + i, output);
                feedback = decipher ? input : output;
            }
            if (i < length) feedback = cipher.Encrypt(feedback);
            StoreBlock(reg, feedback);
        });
        while (i < length) step();
    }
    context.position = static_cast<std::int32_t>(p % 8);
}

}  // namespace vkt::crypto
