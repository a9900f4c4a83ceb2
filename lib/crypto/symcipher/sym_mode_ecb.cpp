// Mode 1, electronic codebook.
#include "crypto/symcipher/block_io.h"
#include "crypto/symcipher/sym_cipher.h"
#include "crypto/symcipher/sym_modes.h"

namespace vkt::crypto {

void SymEcb(const SymKeyContext& context, bool decipher, std::uint8_t* out, const std::uint8_t* in,
            std::size_t length) {
    std::size_t end = length & ~std::size_t{7};
    WithBlockCipher(context, [&](const auto& cipher) {
        if (decipher) {
            for (std::size_t i = 0; i < end; i += 8) {
                StoreBlock(out + i, cipher.Decrypt(LoadBlock(in + i)));
            }
        } else {
            for (std::size_t i = 0; i < end; i += 8) {
                StoreBlock(out + i, cipher.Encrypt(LoadBlock(in + i)));
            }
        }
    });
}

}  // namespace vkt::crypto
