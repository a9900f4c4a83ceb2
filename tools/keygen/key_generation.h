// vkt-keygen's key generation: an RSA key pair written as USER.pri (the private-key file, mode
// 0600) and USER.pub (PEM SubjectPublicKeyInfo, for the server) in the output folder.
#pragma once

#include <string>

namespace vkt::keygen {

constexpr int kMinBits = 512;
constexpr int kMaxBits = 4096;
constexpr int kDefaultBits = 2048;
constexpr std::size_t kMaxUserNameBytes = 253;

struct GenerateOptions {
    std::string bits;          // as given; empty: kDefaultBits
    std::string folder = ".";  // must exist
    std::string passwordFile;  // empty: VKT_PASSWORD or a prompt
    bool force = false;        // replace existing files
    std::string user;
};

// Checks the options, reads the password, generates and writes the pair. Throws
// std::runtime_error with a message for the user on every failure; nothing is left in the
// folder then.
void GenerateKeyFiles(const GenerateOptions& options);

}  // namespace vkt::keygen
