// Mode 6, output feedback with 8-bit feedback: one block encipherment per byte.
#include "crypto/symcipher/block_io.h"
#include "crypto/symcipher/sym_cipher.h"
#include "crypto/symcipher/sym_modes.h"

namespace vkt::crypto {

void SymOfb8(SymKeyContext& context, std::uint8_t* out, const std::uint8_t* in,
             std::size_t length) {
    std::uint64_t reg = LoadBlock(context.reg);
    WithBlockCipher(context, [&](const auto& cipher) {
        for (std::size_t i = 0; i < length; ++i) {
            std::uint64_t keyByte = cipher.Encrypt(reg) >> 56;
            out[i] = static_cast<std::uint8_t>(in[i] ^ keyByte);
            reg = (reg << 8) | keyByte;
        }
    });
    StoreBlock(context.reg, reg);
}

}  // namespace vkt::crypto
