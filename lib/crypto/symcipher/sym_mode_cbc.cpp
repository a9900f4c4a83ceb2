// Mode 2, cipher-block chaining. The register lives in a local 64-bit word for the loop and
// goes back to the object at the end.
#include "crypto/symcipher/block_io.h"
#include "crypto/symcipher/sym_cipher.h"
#include "crypto/symcipher/sym_modes.h"

namespace vkt::crypto {

void SymCbcEncrypt(SymKeyContext& context, std::uint8_t* out, const std::uint8_t* in,
                   std::size_t length) {
    std::size_t end = length & ~std::size_t{7};
    std::uint64_t reg = LoadBlock(context.reg);
    WithBlockCipher(context, [&](const auto& cipher) {
        for (std::size_t i = 0; i < end; i += 8) {
            reg = cipher.Encrypt(LoadBlock(in + i) ^ reg);
            StoreBlock(out + i, reg);
        }
    });
    StoreBlock(context.reg, reg);
}

void SymCbcDecrypt(SymKeyContext& context, std::uint8_t* out, const std::uint8_t* in,
                   std::size_t length) {
    std::size_t end = length & ~std::size_t{7};
    std::uint64_t reg = LoadBlock(context.reg);
    WithBlockCipher(context, [&](const auto& cipher) {
        for (std::size_t i = 0; i < end; i += 8) {
            std::uint64_t block = LoadBlock(in + i);  // read before out, which may alias in
            StoreBlock(out + i, cipher.Decrypt(block) ^ reg);
            reg = block;
        }
    });
    StoreBlock(context.reg, reg);
}

}  // namespace vkt::crypto
