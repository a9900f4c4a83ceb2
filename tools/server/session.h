// One client's session, from the connect request to the disconnect notice, on its own thread.
//
// Set-up (characteristic "1", plain data):
//   client "1" USER        connect request; an unknown user gets the error report 40007
//   client "Z"             follow-up; the server answers with the session-key envelope (type
//                          "2", hex text) and the line parameters (type "L", "RATE,SIZE")
//   client "9" USER        password-failure notice (logged)
//   client "0" / "8"       keep-alive (answered with a keep-alive) / disconnect notice
// Operations (characteristic "2", sealed data, answered with characteristic "2"):
//   "Q" NAME               verify query; answer "O" with the field list, or an error report
//   "F" NAME[,TEXT]        send request; "O" accepts, then "T" blocks (the first starting with
//                          10 digits of the total size, refused over --max-file-size or when
//                          the inbox would keep less than --min-free-space) and "S" the
//                          signature over their MD5; "O" when the signature holds, else an
//                          error report
//   "P" NAME               file request; "T" blocks as above, then "H" the hex MD5 of the file
// Error reports are type "9", "CODE-text": plain with characteristic "1" during set-up, sealed
// afterwards. A sealed frame that does not unseal ends the session after one report 40041.
#pragma once

#include <openssl/evp.h>

#include <cstdint>
#include <string>

#include "server/answers.h"
#include "server/connection_limits.h"
#include "server/file_store.h"
#include "server/frame_channel.h"
#include "server/options.h"
#include "server/public_key.h"
#include "server/session_cipher.h"
#include "server/user_keys.h"

namespace vkt::server {

class Session {
  public:
    // The ticket holds the connection's place in the limits: pending until the session opens.
    Session(int socket, std::string peer, const Options& options, const AnswersTable& answers,
            const UserKeys& keys, ConnectionTicket& ticket);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Serves the client until it leaves, falls silent or breaks the protocol; closes the socket.
    void Run();

  private:
    enum class Stage { kAwaitConnect, kAwaitFollowUp, kOpen };

    // Each returns false when the session must end.
    bool HandleControl(const Frame& frame);
    bool HandleOperation(const Frame& frame);
    bool ConnectRequest(const std::string& user);
    bool FollowUp();
    bool VerifyQuery(const std::string& plain);
    bool SendRequest(const std::string& plain);
    bool FileBlock(const std::string& plain);
    const char* ReserveForAnnouncedSize(std::uint64_t total);
    bool Signature(const std::string& text);
    bool FileRequest(const std::string& plain);

    bool Report(const char* report);
    bool SendSealed(char type, const std::string& plain);
    void AbortReceiving();
    void Log(const std::string& event) const;
    void CloseGracefully();

    int socket_;
    std::string peer_;
    const Options& options_;
    const AnswersTable& answers_;
    const UserKeys& keys_;
    ConnectionTicket& ticket_;
    FrameChannel channel_;
    Stage stage_ = Stage::kAwaitConnect;
    std::string user_;
    PublicKey publicKey_;
    SessionCipher cipher_;

    // The file being received: written to the inbox, digested block by block.
    InboxFile receiving_;
    EVP_MD_CTX* digest_ = nullptr;
    bool sizeKnown_ = false;
    std::uint64_t expected_ = 0;
    std::uint64_t received_ = 0;
};

}  // namespace vkt::server
