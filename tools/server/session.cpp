#include "server/session.h"

#include <openssl/crypto.h>
#include <openssl/rand.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string_view>
#include <vector>

#include "server/envelope.h"
#include "server/error_reports.h"
#include "server/event_log.h"
#include "server/hex_text.h"
#include "server/log_text.h"
#include "server/session_key.h"
#include "server/signature_check.h"

namespace vkt::server {

namespace {

constexpr char kControl = '1';
constexpr char kOperation = '2';
constexpr std::size_t kSizePrefix = 10;
// The size prefix holds 10 digits, and the client reads it as a signed 32-bit number.
constexpr std::uint64_t kMaxFileSize = 0x7FFFFFFF;

}  // namespace

Session::Session(int socket, std::string peer, const Options& options, const AnswersTable& answers,
                 const UserKeys& keys, ConnectionTicket& ticket)
    : socket_(socket),
      peer_(std::move(peer)),
      options_(options),
      answers_(answers),
      keys_(keys),
      ticket_(ticket),
      channel_(socket, options.idleSeconds) {}

Session::~Session() {
    AbortReceiving();
    if (socket_ >= 0) close(socket_);
}

void Session::Log(const std::string& event) const {
    LogEvent(peer_, user_, event);
}

void Session::Run() {
    Log("connected");
    // Until the session opens, every wait ends by the handshake time-out, keep-alives or not.
    channel_.Cap(FrameChannel::Clock::now() + std::chrono::seconds(options_.handshakeSeconds));
    for (;;) {
        Frame frame;
        const ReadResult result = channel_.Read(&frame);
        if (result == ReadResult::kIdle && stage_ != Stage::kOpen) {
            Log("no session within " + std::to_string(options_.handshakeSeconds) +
                " s, connection closed");
            break;
        }
        if (result == ReadResult::kIdle) {
            Log("idle for " + std::to_string(options_.idleSeconds) + " s, session ended");
            break;
        }
        if (result == ReadResult::kClosed) {
            Log("connection closed by the client");
            break;
        }
        if (result != ReadResult::kFrame) {
            Log(result == ReadResult::kMalformed ? "malformed frame, session ended"
                                                 : "receive failed, session ended");
            break;
        }
        const bool goOn =
            frame.characteristic == kControl ? HandleControl(frame) : HandleOperation(frame);
        if (!goOn) {
            if (channel_.writeTimedOut())
                Log("client not reading for " + std::to_string(options_.idleSeconds) +
                    " s, session ended");
            break;
        }
    }
    if (receiving_.IsOpen()) Log("transfer of " + LogText(receiving_.name()) + " dropped");
    AbortReceiving();
    CloseGracefully();
}

// Closes so that a report just written is not lost to a reset: the client may still be
// sending (the follow-up behind a refused connect request), and closing with unread data would
// discard what the client has not read yet. Our side is shut first, then the client's bytes
// are drained for a short while.
void Session::CloseGracefully() {
    shutdown(socket_, SHUT_WR);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    char sink[512];
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd watch{socket_, POLLIN, 0};
        if (poll(&watch, 1, 200) <= 0) continue;
        if (recv(socket_, sink, sizeof sink, 0) <= 0) break;
    }
    close(socket_);
    socket_ = -1;
}

bool Session::Report(const char* report) {
    if (stage_ != Stage::kOpen) return channel_.Write(kControl, '9', report);
    return SendSealed('9', report);
}

bool Session::SendSealed(char type, const std::string& plain) {
    std::string sealed;
    if (!cipher_.Seal(plain, &sealed)) {
        Log("sealing failed");
        return false;
    }
    return channel_.Write(kOperation, type, sealed);
}

bool Session::HandleControl(const Frame& frame) {
    switch (frame.type) {
        case '1':
            return ConnectRequest(frame.data);
        case 'Z':
            return FollowUp();
        case '9':
            // Sent in place of the connect request too: the name then labels the session's log.
            if (user_.empty()) user_ = frame.data;
            Log("password-failure notice for " + LogText(frame.data));
            return true;
        case '8':
            Log("disconnect notice");
            return false;
        case '0':
            return channel_.Write(kControl, '0', "");
        default:
            Log(std::string("unknown control message ") + LogText(std::string(1, frame.type)));
            return Report(kReportUnknownFunction);
    }
}

bool Session::ConnectRequest(const std::string& user) {
    if (stage_ != Stage::kAwaitConnect) {
        Log("connect request out of sequence");
        Report(kReportConnectSequence);
        return false;
    }
    user_ = user;
    publicKey_ = keys_.Find(user);
    if (!publicKey_) {
        Log("unknown user, refused");
        Report(kReportUnknownUser);
        return false;
    }
    Log("connect request");
    stage_ = Stage::kAwaitFollowUp;
    return true;
}

bool Session::FollowUp() {
    if (stage_ != Stage::kAwaitFollowUp) {
        Log("connect follow-up out of sequence");
        Report(kReportConnectSequence);
        return false;
    }
    if (!ticket_.Promote()) {
        Log("too many sessions, refused");
        Report(kReportBusy);
        return false;
    }
    std::vector<std::uint8_t> key;
    std::uint8_t vector[8];
    std::string envelope;
    const bool made = MakeSessionKey(options_.cipher, &key) &&
                      RAND_bytes(vector, sizeof vector) == 1 &&
                      SealEnvelope(publicKey_.get(), options_.cipher, key, vector, &envelope) &&
                      cipher_.SetKey(options_.cipher, key);
    OPENSSL_cleanse(key.data(), key.size());
    OPENSSL_cleanse(vector, sizeof vector);
    if (!made) {
        Log("session key cannot be made");
        Report(kReportInternal);
        return false;
    }
    if (!channel_.Write(kControl, '2', envelope) ||
        !channel_.Write(kControl, 'L', options_.lineText))
        return false;
    stage_ = Stage::kOpen;
    channel_.Uncap();
    Log("session open, cipher " + std::to_string(options_.cipher));
    return true;
}

bool Session::HandleOperation(const Frame& frame) {
    if (stage_ != Stage::kOpen) {
        Log("operation before the session key");
        return Report(kReportNoSessionKey);
    }
    // The signature is the one operation message that travels unsealed.
    if (frame.type == 'S') return Signature(frame.data);
    if (std::string_view("QFTP").find(frame.type) == std::string_view::npos) {
        Log(std::string("unknown operation ") + LogText(std::string(1, frame.type)));
        return Report(kReportUnknownFunction);
    }
    std::string plain;
    if (!cipher_.Unseal(frame.data, &plain)) {
        // Sealed data carries no integrity check, so whether a made-up ciphertext unseals is
        // all a client without the key can learn from an answer. The first failure, whatever
        // its cause, gets the same report and ends the session: the key never answers twice.
        Log(std::string("cannot unseal message ") + LogText(std::string(1, frame.type)) +
            ", session ended");
        AbortReceiving();
        Report(kReportCannotUnseal);
        return false;
    }
    switch (frame.type) {
        case 'Q':
            return VerifyQuery(plain);
        case 'F':
            return SendRequest(plain);
        case 'T':
            return FileBlock(plain);
        case 'P':
        default:  // the type list above leaves no other
            return FileRequest(plain);
    }
}

bool Session::VerifyQuery(const std::string& plain) {
    const VerifyAnswer answer = answers_.Find(plain);
    Log("verify " + LogText(plain) + ": " + LogText(answer.text));
    return SendSealed(answer.isErrorReport ? '9' : 'O', answer.text);
}

bool Session::SendRequest(const std::string& plain) {
    AbortReceiving();
    const std::size_t comma = plain.find(',');
    const std::string name = plain.substr(0, comma);
    const std::string additional = comma == std::string::npos ? "" : plain.substr(comma + 1);
    if (!IsSafeName(name)) {
        Log("send request with an unusable name " + LogText(name) + ", refused");
        return Report(kReportInconsistent);
    }
    digest_ = EVP_MD_CTX_new();
    if (digest_ == nullptr || EVP_DigestInit_ex(digest_, EVP_md5(), nullptr) != 1 ||
        !receiving_.Open(options_.inbox, user_, name)) {
        Log("cannot receive " + LogText(name) + " into the inbox");
        AbortReceiving();
        return Report(kReportInternal);
    }
    Log("send request " + LogText(name) +
        (additional.empty() ? "" : ", additional: " + LogText(additional)));
    return channel_.Write(kOperation, 'O', "");
}

bool Session::FileBlock(const std::string& plain) {
    if (!receiving_.IsOpen()) {
        Log("file block without a send request");
        return Report(kReportInconsistent);
    }
    std::size_t skip = 0;
    if (!sizeKnown_) {
        std::uint64_t total = 0;
        bool digits = plain.size() >= kSizePrefix;
        for (std::size_t i = 0; digits && i < kSizePrefix; ++i) {
            digits = plain[i] >= '0' && plain[i] <= '9';
            total = total * 10 + static_cast<std::uint64_t>(plain[i] - '0');
        }
        if (!digits) {
            Log("first block of " + LogText(receiving_.name()) +
                " without its size, transfer dropped");
            AbortReceiving();
            return Report(kReportInconsistent);
        }
        if (const char* refusal = ReserveForAnnouncedSize(total)) {
            AbortReceiving();
            return Report(refusal);
        }
        expected_ = total;
        sizeKnown_ = true;
        skip = kSizePrefix;
    }
    const std::size_t size = plain.size() - skip;
    if (size > expected_ - received_) {
        Log("more data than announced for " + LogText(receiving_.name()) + ", transfer dropped");
        AbortReceiving();
        return Report(kReportInconsistent);
    }
    if (EVP_DigestUpdate(digest_, plain.data(), plain.size()) != 1 ||
        !receiving_.Write(plain.data() + skip, size)) {
        Log("cannot write " + LogText(receiving_.name()) + ", transfer dropped");
        AbortReceiving();
        return Report(kReportInternal);
    }
    received_ += size;
    return true;
}

// Judged before any byte is stored: the size limit, and the free space that must remain on the
// inbox's file system once the whole file is written, which is then reserved for it. Returns the
// report of a refusal, null when the size is accepted.
const char* Session::ReserveForAnnouncedSize(std::uint64_t total) {
    if (total > options_.maxFileSize) {
        Log(LogText(receiving_.name()) + " announced as " + std::to_string(total) +
            " bytes, over the limit of " + std::to_string(options_.maxFileSize) +
            ", transfer refused");
        return kReportInconsistent;
    }
    if (!receiving_.Reserve(total, options_.minFreeSpace)) {
        Log("no room in the inbox for " + LogText(receiving_.name()) + " of " +
            std::to_string(total) + " bytes, transfer refused");
        return kReportBusy;
    }
    return nullptr;
}

bool Session::Signature(const std::string& text) {
    if (!receiving_.IsOpen() || !sizeKnown_ || received_ != expected_) {
        Log("signature before the whole file");
        AbortReceiving();
        return Report(kReportInconsistent);
    }
    std::uint8_t md5[16];
    unsigned int length = 0;
    const bool digested = EVP_DigestFinal_ex(digest_, md5, &length) == 1 && length == sizeof md5;
    const std::string name = receiving_.name();
    if (!digested || !CheckSignature(publicKey_.get(), text, md5)) {
        Log("signature of " + LogText(name) + " refused, file discarded");
        AbortReceiving();
        return Report(kReportBadSignature);
    }
    if (!receiving_.Commit()) {
        Log("cannot store " + LogText(name));
        AbortReceiving();
        return Report(kReportInternal);
    }
    const std::uint64_t bytes = received_;
    AbortReceiving();
    Log("received " + LogText(name) + ", " + std::to_string(bytes) + " bytes, signature good");
    return channel_.Write(kOperation, 'O', "");
}

bool Session::FileRequest(const std::string& plain) {
    OutboxFile file;
    if (!IsSafeName(plain) || !file.Open(options_.outbox, user_, plain)) {
        Log("request for " + LogText(plain) + ": not in the outbox");
        return Report(kReportFileNotFound);
    }
    if (file.size() > kMaxFileSize) {
        Log("request for " + LogText(plain) + ": too large to send");
        return Report(kReportInternal);
    }
    EVP_MD_CTX* digest = EVP_MD_CTX_new();
    if (digest == nullptr || EVP_DigestInit_ex(digest, EVP_md5(), nullptr) != 1) {
        EVP_MD_CTX_free(digest);
        return Report(kReportInternal);
    }
    const std::uint64_t total = file.size();
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%.10llu", static_cast<unsigned long long>(total));
    std::string block = prefix;
    std::vector<char> buffer(static_cast<std::size_t>(options_.blockSize));
    std::uint64_t sent = 0;
    bool good = true;
    bool first = true;
    while (good && (first || sent < total)) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), total - sent));
        const ssize_t got = want == 0 ? 0 : file.Read(buffer.data(), want);
        if (got < 0 || (got == 0 && want > 0)) {
            // The file shrank or cannot be read: the client drops its partial copy.
            Log("request for " + LogText(plain) + ": read failed after " + std::to_string(sent) +
                " bytes");
            EVP_MD_CTX_free(digest);
            return Report(kReportInternal);
        }
        block.append(buffer.data(), static_cast<std::size_t>(got));
        good = EVP_DigestUpdate(digest, buffer.data(), static_cast<std::size_t>(got)) == 1 &&
               SendSealed('T', block);
        sent += static_cast<std::uint64_t>(got);
        block.clear();
        first = false;
    }
    std::uint8_t md5[16];
    unsigned int length = 0;
    good = good && EVP_DigestFinal_ex(digest, md5, &length) == 1 && length == sizeof md5;
    EVP_MD_CTX_free(digest);
    if (!good) return false;
    Log("served " + LogText(plain) + ", " + std::to_string(total) + " bytes");
    return SendSealed('H', HexEncode(md5, sizeof md5));
}

void Session::AbortReceiving() {
    receiving_.Abort();
    EVP_MD_CTX_free(digest_);
    digest_ = nullptr;
    sizeKnown_ = false;
    expected_ = 0;
    received_ = 0;
}

}  // namespace vkt::server
