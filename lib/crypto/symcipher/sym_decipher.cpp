// Deciphering with a mode and a padding.
#include <cstring>

#include "crypto/core/alloc.h"
#include "crypto/crypto.h"
#include "crypto/symcipher/sym_engine.h"
#include "crypto/symcipher/sym_modes.h"
#include "crypto/symcipher/sym_padding.h"

namespace vkt::crypto {

std::int32_t SymDecipher(SymKeyContext& context, std::uint8_t* out, std::uint32_t* outLength,
                         const std::uint8_t* in, std::uint32_t inLength, std::int32_t mode,
                         std::int32_t padding) {
    *outLength = 0;
    if (mode < kModeEcb || mode > kModeOfb8) return kErrMode;
    if (padding != kPadNone && padding != kPadPkcs && padding != kPadFfCount) return kErrPadding;
    if (inLength == 0) return kErrLength;
    if (padding != kPadNone && inLength % 8 != 0) return kErrLength;
    if (mode != kModeEcb && context.state != kSymStateVector) return kErrNoVector;

    if (padding == kPadNone) {
        if (mode >= kModeCfb64) {
            SymTransform(context, mode, true, out, in, inLength);
            *outLength = inLength;
            return kOk;
        }
        // Modes 1 and 2: X for a final partial block is taken before anything is deciphered,
        // since out may overwrite in.
        std::uint32_t whole = inLength & ~7u;
        std::uint32_t rest = inLength - whole;
        std::uint8_t x[8];
        std::memcpy(x, inLength > 8 ? in + whole - 8 : context.reg, 8);
        SymTransform(context, mode, true, out, in, whole);
        if (rest != 0) SymResidual(context, out + whole, in + whole, rest, x);
        *outLength = inLength;
        return kOk;
    }

    // Paddings 3 and 4: the final block goes to a scratch block, and only its data bytes to
    // the output, so nothing is written past the plaintext.
    std::uint32_t body = inLength - 8;
    SymTransform(context, mode, true, out, in, body);
    std::uint8_t last[8];
    WipeOnExit wipe(last);
    SymTransform(context, mode, true, last, in + body, 8);
    int n = SymPaddingCount(last);
    if (n == 0) {
        CryptoWipe(out, body);
        return kErrInput;
    }
    std::memcpy(out + body, last, static_cast<std::size_t>(8 - n));
    *outLength = inLength - static_cast<std::uint32_t>(n);
    return kOk;
}

}  // namespace vkt::crypto
