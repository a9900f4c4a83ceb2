// Key length of each symmetric algorithm identifier.
#include "crypto/crypto.h"

namespace vkt::crypto {

int SymKeyLength(std::int32_t algorithm) {
    switch (algorithm) {
        case kAlgDes:
            return 8;
        case kAlgTripleDes2:
            return 16;
        case kAlgTripleDes3:
            return 24;
        case kAlgIdea:
            return 16;
        default:
            return 0;
    }
}

}  // namespace vkt::crypto
