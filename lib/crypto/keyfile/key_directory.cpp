// Key directory resolution: the key file is the directory, the user name and ".pri", so the
// directory must end in the path separator.
#include "crypto/core/layer.h"
#include "crypto/crypto.h"

namespace vkt::crypto {

std::string CryptoResolveKeyDirectory(const std::string& directory) {
    LayerGuard guard;
    if (!directory.empty() && directory.back() == '/') return directory;
    return directory + '/';
}

}  // namespace vkt::crypto
