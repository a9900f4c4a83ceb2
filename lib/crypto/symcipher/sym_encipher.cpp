// Enciphering with a mode and a padding.
#include <cstring>

#include "crypto/core/alloc.h"
#include "crypto/crypto.h"
#include "crypto/symcipher/sym_engine.h"
#include "crypto/symcipher/sym_modes.h"
#include "crypto/symcipher/sym_padding.h"

namespace vkt::crypto {

std::int32_t SymEncipher(SymKeyContext& context, std::uint8_t* out, std::uint32_t* outLength,
                         const std::uint8_t* in, std::uint32_t inLength, std::int32_t mode,
                         std::int32_t padding) {
    *outLength = 0;
    if (mode < kModeEcb || mode > kModeOfb8) return kErrMode;
    if (padding != kPadNone && padding != kPadPkcs && padding != kPadFfCount) return kErrPadding;
    if (inLength == 0 || inLength > kSymMaxInput) return kErrLength;
    if (mode == kModeEcb && padding == kPadNone && inLength < 8) return kErrLength;
    if (mode != kModeEcb && context.state != kSymStateVector) return kErrNoVector;

    if (padding == kPadNone && mode >= kModeCfb64) {
        SymTransform(context, mode, false, out, in, inLength);
        *outLength = inLength;
        return kOk;
    }

    std::uint32_t whole = inLength & ~7u;
    std::uint32_t rest = inLength - whole;
    SymTransform(context, mode, false, out, in, whole);

    if (padding != kPadNone) {
        std::uint8_t last[8];
        WipeOnExit wipe(last);
        SymPadBlock(last, in + whole, rest, padding);
        SymTransform(context, mode, false, out + whole, last, 8);
        *outLength = whole + 8;
        return kOk;
    }

    // Modes 1 and 2 without padding: a final partial block is enciphered against E(X), X the
    // last complete ciphertext block, or the register when there is none.
    if (rest != 0) {
        std::uint8_t x[8];
        std::memcpy(x, inLength > 8 ? out + whole - 8 : context.reg, 8);
        SymResidual(context, out + whole, in + whole, rest, x);
    }
    *outLength = inLength;
    return kOk;
}

}  // namespace vkt::crypto
