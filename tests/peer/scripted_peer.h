// A scripted server on 127.0.0.1 for protocol cases: it does a good set-up or a faulty one and
// then exactly the steps of its script, on a thread of its own, for one client connection.
//
// Steps (C and T are one characteristic and one message type character each; DATA as in
// case_file.h):
//   setup                    connect request (the user's name) and follow-up expected, then the
//                            session-key envelope (1 2) and the line parameters (1 L "0,8192")
//   expect-connect           only the connect request and the follow-up
//   send-envelope C T        the session-key envelope with that characteristic and type
//   send C T plain|sealed DATA
//   send-cut N C T plain|sealed DATA   only the first N bytes of that frame (then, say, close)
//   expect C T [plain|sealed DATA]   the next frame (keep-alives skipped); its data checked
//   skip C T [at-most N]     drops any number (at most N) of such frames before the next one
//   receive-file NAME [sizes N...]   sealed "T" blocks until the announced size is in: the
//                            data must be the fixture NAME and the block plaintexts (prefix
//                            included) of those sizes
//   expect-signature         an unsealed "S" frame: the signature over the MD5 of every block
//                            plaintext received, checked with the user's public key
//   send-blocks NAME [blocks K]      the fixture as sealed "T" blocks of 8,192 data bytes (the
//                            first after the 10-digit size), all or only the first K
//   hold                     waits until the test releases it
//   silence MS               sends nothing for MS milliseconds
//   close                    closes the connection now
//   expect-close             the client closes within 10 s (keep-alives skipped)
#pragma once

#include <openssl/evp.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "case_file.h"
#include "server/frame_codec.h"
#include "server/session_cipher.h"

namespace vkt::peer {

class ScriptedPeer {
  public:
    ScriptedPeer(std::string user, EVP_PKEY* publicKey,
                 const std::map<std::string, std::string>& files, std::vector<Step> steps);
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    // Listens on a free loopback port and starts the script's thread; false with a reason.
    bool Start(std::string* reason);
    int port() const { return port_; }

    // The test's side of "hold": waits until the script is held (false after ms), and lets
    // it go on.
    bool WaitHeld(int ms);
    void Release();

    // Waits until the script has ended (every wait of a step is bounded); then what went
    // wrong, empty when every step passed.
    std::string Finish();

  private:
    enum class Read { kFrame, kClosed, kTimeout, kMalformed };

    void Run();
    bool RunStep(const Step& step, std::string* why);
    bool Accept(std::string* why);
    Read ReadFrame(server::Frame* frame, int timeoutMs);
    Read NextFrame(server::Frame* frame, bool keepAlives, int timeoutMs = 10000);
    bool ReadExactly(std::uint8_t* bytes, std::size_t size, int timeoutMs, Read* result);
    // The frame, or only its first `cut` bytes.
    bool Send(char characteristic, char type, const std::string& data, std::string* why,
              std::size_t cut = SIZE_MAX);
    bool SendSealed(char characteristic, char type, const std::string& plain, std::string* why,
                    std::size_t cut = SIZE_MAX);
    bool StepSend(const std::vector<Word>& words, std::size_t first, std::size_t cut,
                  std::string* why);
    bool Expect(char characteristic, char type, server::Frame* frame, std::string* why);

    bool SendEnvelope(char characteristic, char type, std::string* why);
    bool ExpectConnect(std::string* why);
    bool StepExpect(const std::vector<Word>& words, std::string* why);
    bool ReceiveFile(const std::vector<Word>& words, std::string* why);
    bool ExpectSignature(std::string* why);
    bool SendBlocks(const std::vector<Word>& words, std::string* why);
    bool Skip(char characteristic, char type, std::size_t atMost, std::string* why);
    bool ExpectClose(std::string* why);
    bool Hold();

    std::string user_;
    EVP_PKEY* publicKey_;
    const std::map<std::string, std::string>& files_;
    std::vector<Step> steps_;

    int listener_ = -1;
    int socket_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::string failure_;

    std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false;
    bool released_ = false;

    server::SessionCipher cipher_;
    std::optional<server::Frame> pending_;  // a frame read ahead by "skip"
    bool closedAhead_ = false;              // "skip" saw the client close
    std::string receivedPlain_;             // the last file's block plaintexts, for the signature
};

}  // namespace vkt::peer
