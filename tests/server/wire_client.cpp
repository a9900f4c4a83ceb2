#include "server/wire_client.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <openssl/pem.h>
#include <openssl/provider.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <memory>

namespace vkt::server::test {

namespace {

std::string Hex(const std::uint8_t* bytes, std::size_t size) {
    std::string text;
    char digits[3];
    for (std::size_t i = 0; i < size; ++i) {
        std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
        text += digits;
    }
    return text;
}

std::vector<std::uint8_t> Unhex(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    return bytes;
}

const EVP_CIPHER* CipherOf(int id) {
    static const bool loaded = OSSL_PROVIDER_load(nullptr, "default") != nullptr &&
                               OSSL_PROVIDER_load(nullptr, "legacy") != nullptr;
    (void)loaded;
    static EVP_CIPHER* des = EVP_CIPHER_fetch(nullptr, "DES-CBC", nullptr);
    switch (id) {
        case 101:
            return des;
        case 102:
            return EVP_des_ede_cbc();
        case 103:
            return EVP_des_ede3_cbc();
        default:
            return nullptr;
    }
}

// CBC under the session key; padded adds (or checks and strips) the n bytes of value n.
bool Crypt(const Envelope& envelope, bool encrypt, const std::uint8_t* iv, const std::string& in,
           std::string* out, bool padded = true) {
    const EVP_CIPHER* cipher = CipherOf(envelope.cipher);
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    out->assign(in.size() + 16, '\0');
    int written = 0;
    int last = 0;
    const bool good =
        cipher != nullptr &&
        EVP_CipherInit_ex(context, cipher, nullptr, envelope.key.data(), iv, encrypt) == 1 &&
        EVP_CIPHER_CTX_set_padding(context, padded ? 1 : 0) == 1 &&
        EVP_CipherUpdate(context, reinterpret_cast<std::uint8_t*>(out->data()), &written,
                         reinterpret_cast<const std::uint8_t*>(in.data()),
                         static_cast<int>(in.size())) == 1 &&
        EVP_CipherFinal_ex(context, reinterpret_cast<std::uint8_t*>(out->data()) + written,
                           &last) == 1;
    EVP_CIPHER_CTX_free(context);
    out->resize(good ? static_cast<std::size_t>(written + last) : 0);
    return good;
}

}  // namespace

EVP_PKEY* TestKey(int bits) {
    // Kept for the whole run (and reachable to the end, so not reported as leaked).
    static auto* keys = new std::map<int, EVP_PKEY*>;
    EVP_PKEY*& key = (*keys)[bits];
    if (key == nullptr) key = EVP_RSA_gen(static_cast<unsigned int>(bits));
    return key;
}

void WritePublicKey(EVP_PKEY* key, const std::string& folder, const std::string& user) {
    std::FILE* file = std::fopen((folder + "/" + user + ".pub").c_str(), "wb");
    PEM_write_PUBKEY(file, key);
    std::fclose(file);
}

std::string Md5Hex(const std::string& data) {
    std::uint8_t md5[16];
    unsigned int size = 0;
    EVP_Digest(data.data(), data.size(), md5, &size, EVP_md5(), nullptr);
    return Hex(md5, size);
}

std::string SignatureText(EVP_PKEY* key, const std::string& signedData) {
    std::vector<std::uint8_t> payload = {0x01, 0x2F, 0x00, 0x10, 0x00, 0x00};
    const std::vector<std::uint8_t> md5 = Unhex(Md5Hex(signedData));
    payload.insert(payload.end(), md5.begin(), md5.end());
    const int bits = EVP_PKEY_get_bits(key);
    std::vector<std::uint8_t> form = {static_cast<std::uint8_t>(bits >> 8),
                                      static_cast<std::uint8_t>(bits & 0xFF)};
    std::size_t size = static_cast<std::size_t>(EVP_PKEY_get_size(key));
    form.resize(2 + size);
    EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr);
    EVP_PKEY_sign_init(context);
    EVP_PKEY_CTX_set_rsa_padding(context, RSA_PKCS1_PADDING);
    EVP_PKEY_sign(context, form.data() + 2, &size, payload.data(), payload.size());
    EVP_PKEY_CTX_free(context);
    return Hex(form.data(), form.size());
}

WireClient::~WireClient() {
    if (socket_ >= 0) close(socket_);
}

bool WireClient::Connect(int port, const std::string& source) {
    socket_ = socket(AF_INET, SOCK_STREAM, 0);
    if (!source.empty()) {
        sockaddr_in from{};
        from.sin_family = AF_INET;
        if (inet_pton(AF_INET, source.c_str(), &from.sin_addr) != 1 ||
            bind(socket_, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0)
            return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

bool WireClient::ConnectTo(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
    socket_ = socket(found->ai_family, SOCK_STREAM, 0);
    const bool connected = socket_ >= 0 && connect(socket_, found->ai_addr, found->ai_addrlen) == 0;
    freeaddrinfo(found);
    return connected;
}

std::string FrameBytes(char characteristic, char type, const std::string& data) {
    char length[8];
    std::snprintf(length, sizeof length, "%.4zu", data.size() + 1);
    return std::string("\x01") + characteristic + type + " " + length + data + "\x04";
}

bool WireClient::Send(char characteristic, char type, const std::string& data) {
    const std::string frame = FrameBytes(characteristic, type, data);
    return send(socket_, frame.data(), frame.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(frame.size());
}

bool WireClient::Receive(WireFrame* frame, int timeoutMs) {
    auto readExactly = [&](char* buffer, std::size_t size) {
        std::size_t done = 0;
        while (done < size) {
            pollfd watch{socket_, POLLIN, 0};
            if (poll(&watch, 1, timeoutMs) <= 0) return false;
            const ssize_t got = recv(socket_, buffer + done, size - done, 0);
            if (got <= 0) return false;
            done += static_cast<std::size_t>(got);
        }
        return true;
    };
    char header[8];
    if (!readExactly(header, sizeof header) || header[0] != 0x01) return false;
    const int length = std::stoi(std::string(header + 4, 4));
    if (length < 1) return false;
    std::string rest(static_cast<std::size_t>(length), '\0');
    if (!readExactly(rest.data(), rest.size()) || rest.back() != 0x04) return false;
    frame->characteristic = header[1];
    frame->type = header[2];
    frame->data = rest.substr(0, rest.size() - 1);
    return true;
}

bool WireClient::WaitForClose(int timeoutMs) {
    char buffer[512];
    for (;;) {
        pollfd watch{socket_, POLLIN, 0};
        if (poll(&watch, 1, timeoutMs) <= 0) return false;
        if (recv(socket_, buffer, sizeof buffer, 0) <= 0) return true;
    }
}

bool WireClient::OpenSession(const std::string& user, EVP_PKEY* key, WireFrame* refusal) {
    WireFrame frame;
    if (!Send('1', '1', user) || !Send('1', 'Z', "") || !Receive(&frame)) return false;
    if (frame.type != '2') {
        if (refusal != nullptr) *refusal = frame;
        return false;
    }
    const std::vector<std::uint8_t> form = Unhex(frame.data);
    if (form.size() < 2 || frame.data.size() != 2 * form.size()) return false;
    envelope_.bits = form[0] << 8 | form[1];
    std::vector<std::uint8_t> payload(form.size());
    std::size_t size = payload.size();
    EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr);
    const bool opened =
        EVP_PKEY_decrypt_init(context) == 1 &&
        EVP_PKEY_CTX_set_rsa_padding(context, RSA_PKCS1_PADDING) == 1 &&
        EVP_PKEY_decrypt(context, payload.data(), &size, form.data() + 2, form.size() - 2) == 1;
    EVP_PKEY_CTX_free(context);
    if (!opened || size < 6) return false;
    envelope_.cipher = payload[0] << 8 | payload[1];
    const std::size_t keyLength = static_cast<std::size_t>(payload[2] << 8 | payload[3]);
    const std::size_t vectorLength = static_cast<std::size_t>(payload[4] << 8 | payload[5]);
    if (size != 6 + keyLength + vectorLength) return false;
    envelope_.key.assign(payload.begin() + 6, payload.begin() + 6 + keyLength);
    envelope_.vector.assign(payload.begin() + 6 + keyLength, payload.begin() + size);
    if (!Receive(&frame)) return false;
    line_ = frame.data;
    return true;
}

bool WireClient::Seal(const std::string& plain, std::string* sealed) const {
    return SealBlocks(plain, true, sealed);
}

bool WireClient::SealBlocks(const std::string& plain, bool padded, std::string* sealed) const {
    std::uint8_t iv[8];
    RAND_bytes(iv, sizeof iv);
    std::string body;
    if (!Crypt(envelope_, true, iv, plain, &body, padded)) return false;
    *sealed = std::string(reinterpret_cast<char*>(iv), sizeof iv) + body;
    return true;
}

bool WireClient::Unseal(const std::string& sealed, std::string* plain) const {
    if (sealed.size() < 16) return false;
    return Crypt(envelope_, false, reinterpret_cast<const std::uint8_t*>(sealed.data()),
                 sealed.substr(8), plain);
}

bool WireClient::SendSealed(char type, const std::string& plain) {
    std::string sealed;
    return Seal(plain, &sealed) && Send('2', type, sealed);
}

bool WireClient::ReceiveSealed(char* type, std::string* plain) {
    WireFrame frame;
    if (!Receive(&frame)) return false;
    *type = frame.type;
    return Unseal(frame.data, plain);
}

char WireClient::SendFile(const std::string& request, const std::string& contents, EVP_PKEY* key,
                          std::string* answer, const std::string* signedData) {
    char type = 0;
    answer->clear();
    if (!SendSealed('F', request)) return 0;
    WireFrame accepted;
    if (!Receive(&accepted)) return 0;
    if (accepted.type != 'O') {
        Unseal(accepted.data, answer);
        return accepted.type;
    }
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%.10zu", contents.size());
    std::string digested;
    std::size_t done = 0;
    do {
        std::string block = done == 0 ? prefix : "";
        const std::size_t take = std::min<std::size_t>(8192, contents.size() - done);
        block += contents.substr(done, take);
        done += take;
        digested += block;
        if (!SendSealed('T', block)) return 0;
    } while (done < contents.size());
    if (!Send('2', 'S', SignatureText(key, signedData ? *signedData : digested))) return 0;
    WireFrame end;
    if (!Receive(&end)) return 0;
    type = end.type;
    if (type == '9') Unseal(end.data, answer);
    return type;
}

bool WireClient::RequestFile(const std::string& name, std::string* contents, std::string* digest,
                             std::string* report, std::vector<std::size_t>* blocks) {
    contents->clear();
    report->clear();
    if (!SendSealed('P', name)) return false;
    long long total = -1;
    for (;;) {
        char type = 0;
        std::string plain;
        if (!ReceiveSealed(&type, &plain)) return false;
        if (type == '9') {
            *report = plain;
            return false;
        }
        if (type == 'H') {
            *digest = plain;
            return total == static_cast<long long>(contents->size());
        }
        if (type != 'T') return false;
        if (blocks != nullptr) blocks->push_back(plain.size());
        if (total < 0) {
            total = std::stoll(plain.substr(0, 10));
            plain.erase(0, 10);
        }
        *contents += plain;
    }
}

}  // namespace vkt::server::test
