// Digest length of an algorithm identifier; 0 marks an identifier that names no digest.
#include "crypto/crypto.h"

namespace vkt::crypto {

int HashDigestLength(std::int32_t algorithm) {
    switch (algorithm) {
        case kAlgMd4:
        case kAlgMd5:
        case kAlgRipemd:
            return 16;
        case kAlgSha:
        case kAlgSha1:
        case kAlgRipemd160:
            return 20;
        default:
            return 0;
    }
}

}  // namespace vkt::crypto
