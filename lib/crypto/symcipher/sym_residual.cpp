// Residual-block termination for modes 1 and 2: a final partial block is combined with the
// encipherment of a chosen block instead of being padded, so the length is unchanged.
#include "crypto/core/alloc.h"
#include "crypto/symcipher/block_io.h"
#include "crypto/symcipher/sym_cipher.h"
#include "crypto/symcipher/sym_modes.h"

namespace vkt::crypto {

void SymResidual(SymKeyContext& context, std::uint8_t* out, const std::uint8_t* in,
                 std::size_t count, const std::uint8_t x[8]) {
    std::uint8_t keystream[8];
    WipeOnExit wipe(keystream);
    StoreBlock(keystream, SymEncryptBlock(context, LoadBlock(x)));
    for (std::size_t i = 0; i < count; ++i) out[i] = in[i] ^ keystream[i];
    context.state = kSymStateResidual;
}

}  // namespace vkt::crypto
