// The tests' own client of the server: raw frames over a socket, OpenSSL for the envelope, the
// seal and the signature (written from the wire formats, sharing no code with the server).
#pragma once

#include <openssl/evp.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vkt::server::test {

struct WireFrame {
    char characteristic = 0;
    char type = 0;
    std::string data;
};

// A user's RSA key pair, generated once per size and process.
EVP_PKEY* TestKey(int bits = 1024);
// Writes FOLDER/USER.pub (PEM SubjectPublicKeyInfo) of the key.
void WritePublicKey(EVP_PKEY* key, const std::string& folder, const std::string& user);

struct Envelope {
    int bits = 0;
    int cipher = 0;
    std::vector<std::uint8_t> key;
    std::vector<std::uint8_t> vector;
};

class WireClient {
  public:
    WireClient() = default;
    ~WireClient();
    WireClient(const WireClient&) = delete;
    WireClient& operator=(const WireClient&) = delete;

    // Connects to 127.0.0.1:port, from the loopback address source when one is given.
    bool Connect(int port, const std::string& source = "");
    // Connects to the numeric address (IPv4 or IPv6) and port.
    bool ConnectTo(const std::string& host, int port);
    bool Send(char characteristic, char type, const std::string& data);
    // Waits up to timeoutMs for one frame; false on close, time-out or a malformed frame.
    bool Receive(WireFrame* frame, int timeoutMs = 10000);
    // True when the server closes the connection within timeoutMs (frames before it skipped).
    bool WaitForClose(int timeoutMs);

    // Connect request and follow-up; opens the envelope with the key and takes the line
    // parameters. false (with the frame that came instead in *refusal) on anything else.
    bool OpenSession(const std::string& user, EVP_PKEY* key, WireFrame* refusal = nullptr);
    int descriptor() const { return socket_; }
    const Envelope& envelope() const { return envelope_; }
    const std::string& lineParameters() const { return line_; }

    bool Seal(const std::string& plain, std::string* sealed) const;
    // Seals whole blocks as they are when padded is false, so that their last bytes need not
    // be valid padding.
    bool SealBlocks(const std::string& plain, bool padded, std::string* sealed) const;
    bool Unseal(const std::string& sealed, std::string* plain) const;
    bool SendSealed(char type, const std::string& plain);
    // Receives a frame of characteristic "2" and unseals its data.
    bool ReceiveSealed(char* type, std::string* plain);

    // A send request, blocks of 8,192 data bytes (size prefix first) and the signature over
    // the MD5 of signedData (the blocks' plaintexts when empty). Returns the type of the
    // server's last answer ("O" or "9") and its text in *answer.
    char SendFile(const std::string& request, const std::string& contents, EVP_PKEY* key,
                  std::string* answer, const std::string* signedData = nullptr);
    // A file request; true when blocks and digest arrived: contents, the digest text and
    // every block's plaintext size in *blocks. An error report ends it with *report set.
    bool RequestFile(const std::string& name, std::string* contents, std::string* digest,
                     std::string* report, std::vector<std::size_t>* blocks = nullptr);

  private:
    int socket_ = -1;
    Envelope envelope_;
    std::string line_;
};

// The bytes of one frame as they cross the wire.
std::string FrameBytes(char characteristic, char type, const std::string& data);
std::string Md5Hex(const std::string& data);
// The signature text of an MD5 digest: hex of (bits, RSA block 00 01 FF.. 00 D).
std::string SignatureText(EVP_PKEY* key, const std::string& signedData);

}  // namespace vkt::server::test
