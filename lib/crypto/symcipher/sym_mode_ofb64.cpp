// Mode 4, output feedback with 64-bit feedback, byte-granular.
//
// The register holds the current keystream block, of which `position` bytes are used;
// position 0 means none is left, so the next byte starts a block with R = E(R).
#include "crypto/symcipher/block_io.h"
#include "crypto/symcipher/sym_cipher.h"
#include "crypto/symcipher/sym_modes.h"

namespace vkt::crypto {

void SymOfb64(SymKeyContext& context, std::uint8_t* out, const std::uint8_t* in,
              std::size_t length) {
    std::uint8_t* reg = context.reg;
    std::size_t p = static_cast<std::size_t>(context.position);
    std::size_t i = 0;
    while (p % 8 != 0 && i < length) {  // what is left of the current block
        out[i] = in[i] ^ reg[p];
        ++i;
        ++p;
    }
    p %= 8;
    if (p == 0 && i < length) {
        WithBlockCipher(context, [&](const auto& cipher) {
            std::uint64_t keystream = LoadBlock(reg);
            for (; length - i >= 8; i += 8) {
                keystream = cipher.Encrypt(keystream);
                StoreBlock(out + i, LoadBlock(in + i) ^ keystream);
            }
            if (i < length) keystream = cipher.Encrypt(keystream);
            StoreBlock(reg, keystream);
        });
        for (; i < length; ++i, ++p) out[i] = in[i] ^ reg[p];
    }
    context.position = static_cast<std::int32_t>(p % 8);
}

}  // namespace vkt::crypto
