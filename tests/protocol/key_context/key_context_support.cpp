#include "key_context_support.h"

#include <openssl/sha.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>

namespace vkt::protocol::test {

EVP_PKEY* TestKey(int bits) {
    static struct Cache {
        std::map<int, EVP_PKEY*> keys;
        ~Cache() {
            for (auto& entry : keys) EVP_PKEY_free(entry.second);
        }
    } cache;
    EVP_PKEY*& key = cache.keys[bits];
    if (key == nullptr) key = EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", static_cast<size_t>(bits));
    return key;
}

Bytes FileBytes(EVP_PKEY* key, const std::string& password) {
    const keygen::SecretBytes file =
        keygen::BuildPrivateKeyFile(key, keygen::SecretBytes(password.begin(), password.end()));
    return Bytes(file.begin(), file.end());
}

Bytes RecordFileBytes(const keygen::SecretBytes& record, const std::string& password) {
    const keygen::SecretBytes file = keygen::BuildKeyFile(keygen::BuildKeyText(
        keygen::BuildKeyBlob(record, keygen::SecretBytes(password.begin(), password.end()))));
    return Bytes(file.begin(), file.end());
}

void Redigest(Bytes& file) {
    std::uint8_t digest[SHA_DIGEST_LENGTH];
    SHA1(file.data(), file.size() - 41, digest);
    const std::string digits = Hex(Bytes(digest, digest + sizeof digest));
    std::copy(digits.begin(), digits.end(), file.end() - 41);
}

std::string Hex(const Bytes& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

Bytes FromHex(const std::string& text) {
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

void KeyDirectoryTest::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vkt-keyctx-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern + "/";
}

void KeyDirectoryTest::TearDown() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

std::string KeyDirectoryTest::Write(const std::string& name, const Bytes& bytes) const {
    const std::string path = dir_ + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(out.good()) << path;
    return path;
}

void KeyDirectoryTest::WriteKeyFile(const std::string& user, const std::string& password) const {
    Write(user + ".pri", FileBytes(TestKey(1024), password));
}

Bytes OpenSslCbc(bool encrypt, const Bytes& key, const Bytes& vector, const Bytes& data) {
    const EVP_CIPHER* cipher = key.size() == 16 ? EVP_des_ede_cbc() : EVP_des_ede3_cbc();
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    Bytes out(data.size() + 16);
    int n = 0;
    int last = 0;
    bool ok =
        EVP_CipherInit_ex(ctx, cipher, nullptr, key.data(), vector.data(), encrypt ? 1 : 0) == 1 &&
        EVP_CipherUpdate(ctx, out.data(), &n, data.data(), static_cast<int>(data.size())) == 1 &&
        EVP_CipherFinal_ex(ctx, out.data() + n, &last) == 1;
    EVP_CIPHER_CTX_free(ctx);
    EXPECT_TRUE(ok);
    out.resize(ok ? static_cast<std::size_t>(n + last) : 0);
    return out;
}

}  // namespace vkt::protocol::test
