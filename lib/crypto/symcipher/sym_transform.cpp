// The mode engine: one entry for every mode.
#include "crypto/crypto.h"
#include "crypto/symcipher/sym_modes.h"

namespace vkt::crypto {

void SymTransform(SymKeyContext& context, std::int32_t mode, bool decipher, std::uint8_t* out,
                  const std::uint8_t* in, std::size_t length) {
    switch (mode) {
        case kModeEcb:
            SymEcb(context, decipher, out, in, length);
            break;
        case kModeCbc:
            if (decipher) {
                SymCbcDecrypt(context, out, in, length);
            } else {
                SymCbcEncrypt(context, out, in, length);
            }
            break;
        case kModeCfb64:
            SymCfb64(context, decipher, out, in, length);
            break;
        case kModeOfb64:
            SymOfb64(context, out, in, length);
            break;
        case kModeCfb8:
            SymCfb8(context, decipher, out, in, length);
            break;
        case kModeOfb8:
            SymOfb8(context, out, in, length);
            break;
        default:
            break;
    }
}

}  // namespace vkt::crypto
