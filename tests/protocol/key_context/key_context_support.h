// Shared by the key-context tests: a scratch key directory, key files written with OpenSSL
// keys by the key-file writer, and OpenSSL as the oracle for ciphers and signatures.
#pragma once

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstdint>
#include <string>
#include <vector>

#include "crypto/crypto.h"
#include "keygen/key_file_writer.h"

namespace vkt::protocol::test {

using Bytes = std::vector<std::uint8_t>;

// An OpenSSL RSA key of the given size, generated once per run.
EVP_PKEY* TestKey(int bits);

Bytes FileBytes(EVP_PKEY* key, const std::string& password);
// The key file around a key record (protected when the password is not empty).
Bytes RecordFileBytes(const keygen::SecretBytes& record, const std::string& password);
// Rewrites the 40 digest digits of a key file after a change to its content.
void Redigest(Bytes& file);
std::string Hex(const Bytes& bytes);
Bytes FromHex(const std::string& text);

// A fresh directory (ending in "/") removed with everything in it at the end of the test.
class KeyDirectoryTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Writes dir_ + name with the bytes; returns the full path.
    std::string Write(const std::string& name, const Bytes& bytes) const;
    // Writes dir_ + user + ".pri": a key file of a 1024-bit key under the password.
    void WriteKeyFile(const std::string& user, const std::string& password) const;

    std::string dir_;
};

// OpenSSL CBC with PKCS padding under a two- or three-key triple DES key (16 or 24 bytes).
Bytes OpenSslCbc(bool encrypt, const Bytes& key, const Bytes& vector, const Bytes& data);

}  // namespace vkt::protocol::test
