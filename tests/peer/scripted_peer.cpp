#include "scripted_peer.h"

#include <netinet/in.h>
#include <openssl/rand.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "server/envelope.h"
#include "server/session_key.h"
#include "server/signature_check.h"

namespace vkt::peer {
namespace {

constexpr int kCipher = server::kCipherDes2;
constexpr std::size_t kBlockData = 8192;
constexpr std::size_t kSizePrefix = 10;
constexpr int kWaitMs = 10000;
constexpr int kSliceMs = 50;

// The providers stay loaded for the whole process.
bool PrepareCipher(std::string* reason) {
    static auto* providers = new server::CipherProviders;
    static std::string failure;
    static const bool ready = providers->Prepare(kCipher, &failure);
    *reason = failure;
    return ready;
}

// Bytes as they can be read in a message: printable ASCII kept, the rest as \xHH; long texts
// cut.
std::string Shown(const std::string& bytes) {
    std::string shown;
    for (std::size_t i = 0; i < bytes.size() && i < 80; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x20 && c < 0x7F) {
            shown.push_back(static_cast<char>(c));
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            shown += escaped;
        }
    }
    if (bytes.size() > 80) shown += "... (" + std::to_string(bytes.size()) + " bytes)";
    return "\"" + shown + "\"";
}

std::string Kind(char characteristic, char type) {
    return std::string(1, characteristic) + "/" + std::string(1, type);
}

bool KindWords(const std::vector<Word>& words, std::size_t at, char* characteristic, char* type) {
    if (words.size() < at + 2 || words[at].text.size() != 1 || words[at + 1].text.size() != 1) {
        return false;
    }
    *characteristic = words[at].text[0];
    *type = words[at + 1].text[0];
    return true;
}

}  // namespace

ScriptedPeer::ScriptedPeer(std::string user, EVP_PKEY* publicKey,
                           const std::map<std::string, std::string>& files, std::vector<Step> steps)
    : user_(std::move(user)), publicKey_(publicKey), files_(files), steps_(std::move(steps)) {}

ScriptedPeer::~ScriptedPeer() {
    stop_ = true;
    Release();
    if (thread_.joinable()) thread_.join();
    if (socket_ >= 0) close(socket_);
    if (listener_ >= 0) close(listener_);
}

bool ScriptedPeer::Start(std::string* reason) {
    if (!PrepareCipher(reason)) return false;
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(listener_, 4) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        *reason = "cannot listen on the loopback";
        return false;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Run(); });
    return true;
}

void ScriptedPeer::Run() {
    std::string why;
    if (!Accept(&why)) {
        failure_ = "accept: " + why;
    } else {
        for (const Step& step : steps_) {
            if (!RunStep(step, &why)) {
                failure_ = "line " + std::to_string(step.line) + " (" + step.verb() + "): " + why;
                break;
            }
        }
    }
    if (socket_ >= 0) close(socket_);
    socket_ = -1;
}

std::string ScriptedPeer::Finish() {
    if (thread_.joinable()) thread_.join();
    return failure_;
}

bool ScriptedPeer::WaitHeld(int ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return held_; });
}

void ScriptedPeer::Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
    changed_.notify_all();
}

bool ScriptedPeer::Hold() {
    std::unique_lock<std::mutex> lock(mutex_);
    held_ = true;
    changed_.notify_all();
    // The test releases at once or gives up with the case; bounded like every other wait.
    changed_.wait_for(lock, std::chrono::seconds(30), [this] { return released_; });
    held_ = false;
    const bool released = released_;
    released_ = false;
    return released && !stop_;
}

bool ScriptedPeer::Accept(std::string* why) {
    for (int waited = 0; waited < kWaitMs && !stop_; waited += kSliceMs) {
        pollfd watch{listener_, POLLIN, 0};
        if (poll(&watch, 1, kSliceMs) <= 0) continue;
        socket_ = accept(listener_, nullptr, nullptr);
        if (socket_ >= 0) return true;
    }
    *why = "no client connected";
    return false;
}

bool ScriptedPeer::ReadExactly(std::uint8_t* bytes, std::size_t size, int timeoutMs, Read* result) {
    std::size_t done = 0;
    int waited = 0;
    while (done < size) {
        if (stop_ || waited >= timeoutMs) {
            *result = Read::kTimeout;
            return false;
        }
        pollfd watch{socket_, POLLIN, 0};
        const int ready = poll(&watch, 1, kSliceMs);
        if (ready == 0) {
            waited += kSliceMs;
            continue;
        }
        const ssize_t got = ready < 0 ? -1 : recv(socket_, bytes + done, size - done, 0);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got <= 0) {
            *result = Read::kClosed;
            return false;
        }
        done += static_cast<std::size_t>(got);
    }
    return true;
}

ScriptedPeer::Read ScriptedPeer::ReadFrame(server::Frame* frame, int timeoutMs) {
    if (pending_) {
        *frame = *pending_;
        pending_.reset();
        return Read::kFrame;
    }
    if (closedAhead_ || socket_ < 0) return Read::kClosed;
    Read result = Read::kFrame;
    std::uint8_t header[server::kFrameHeaderSize];
    if (!ReadExactly(header, sizeof header, timeoutMs, &result)) return result;
    std::size_t remaining = 0;
    if (!server::ParseFrameHeader(header, &remaining)) return Read::kMalformed;
    std::string rest(remaining, '\0');
    if (!ReadExactly(reinterpret_cast<std::uint8_t*>(rest.data()), rest.size(), timeoutMs,
                     &result)) {
        return result;
    }
    if (static_cast<std::uint8_t>(rest.back()) != server::kEndMark) return Read::kMalformed;
    frame->characteristic = static_cast<char>(header[1]);
    frame->type = static_cast<char>(header[2]);
    frame->data = rest.substr(0, rest.size() - 1);
    return Read::kFrame;
}

// The next frame that is not a keep-alive (unless keep-alives are wanted).
ScriptedPeer::Read ScriptedPeer::NextFrame(server::Frame* frame, bool keepAlives, int timeoutMs) {
    for (;;) {
        const Read result = ReadFrame(frame, timeoutMs);
        if (result != Read::kFrame || keepAlives) return result;
        if (frame->characteristic != '1' || frame->type != '0') return result;
    }
}

bool ScriptedPeer::Send(char characteristic, char type, const std::string& data, std::string* why,
                        std::size_t cut) {
    std::string bytes;
    if (!server::BuildFrame(characteristic, type, data, &bytes)) {
        *why = "data too long for a frame";
        return false;
    }
    if (cut < bytes.size()) bytes.resize(cut);
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t sent = send(socket_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) {
            *why = "the client is gone";
            return false;
        }
        done += static_cast<std::size_t>(sent);
    }
    return true;
}

bool ScriptedPeer::SendSealed(char characteristic, char type, const std::string& plain,
                              std::string* why, std::size_t cut) {
    std::string sealed;
    if (!cipher_.Seal(plain, &sealed)) {
        *why = "no session key to seal with";
        return false;
    }
    return Send(characteristic, type, sealed, why, cut);
}

bool ScriptedPeer::Expect(char characteristic, char type, server::Frame* frame, std::string* why) {
    const bool keepAlive = characteristic == '1' && type == '0';
    switch (NextFrame(frame, keepAlive)) {
        case Read::kFrame:
            if (frame->characteristic == characteristic && frame->type == type) return true;
            *why = "expected " + Kind(characteristic, type) + ", got " +
                   Kind(frame->characteristic, frame->type) + " " + Shown(frame->data);
            return false;
        case Read::kClosed:
            *why = "expected " + Kind(characteristic, type) + ", the client closed";
            return false;
        case Read::kTimeout:
            *why = "expected " + Kind(characteristic, type) + ", nothing came";
            return false;
        case Read::kMalformed:
            break;
    }
    *why = "expected " + Kind(characteristic, type) + ", got a malformed frame";
    return false;
}

bool ScriptedPeer::SendEnvelope(char characteristic, char type, std::string* why) {
    std::vector<std::uint8_t> key;
    std::uint8_t vector[8];
    std::string text;
    if (!server::MakeSessionKey(kCipher, &key) || RAND_bytes(vector, sizeof vector) != 1 ||
        !server::SealEnvelope(publicKey_, kCipher, key, vector, &text) ||
        !cipher_.SetKey(kCipher, key)) {
        *why = "cannot make the session key";
        return false;
    }
    return Send(characteristic, type, text, why);
}

bool ScriptedPeer::ExpectConnect(std::string* why) {
    server::Frame frame;
    if (!Expect('1', '1', &frame, why)) return false;
    if (frame.data != user_) {
        *why = "connect request for " + Shown(frame.data);
        return false;
    }
    return Expect('1', 'Z', &frame, why);
}

bool ScriptedPeer::StepExpect(const std::vector<Word>& words, std::string* why) {
    char characteristic = 0;
    char type = 0;
    if (!KindWords(words, 1, &characteristic, &type)) {
        *why = "expect C T [plain|sealed DATA]";
        return false;
    }
    server::Frame frame;
    if (!Expect(characteristic, type, &frame, why)) return false;
    if (words.size() == 3) return true;
    const std::string& form = words[3].text;
    std::size_t at = 4;
    std::string wanted;
    if ((form != "plain" && form != "sealed") || !ReadData(words, &at, files_, &wanted, why)) {
        if (why->empty()) *why = "plain or sealed expected";
        return false;
    }
    std::string got = frame.data;
    if (form == "sealed" && !cipher_.Unseal(frame.data, &got)) {
        *why = "data of " + Kind(characteristic, type) + " does not unseal";
        return false;
    }
    if (got == wanted) return true;
    *why = "data " + Shown(got) + ", expected " + Shown(wanted);
    return false;
}

bool ScriptedPeer::ReceiveFile(const std::vector<Word>& words, std::string* why) {
    const auto fixture = words.size() >= 2 ? files_.find(words[1].text) : files_.end();
    if (fixture == files_.end() || (words.size() > 2 && words[2].text != "sizes")) {
        *why = "receive-file NAME [sizes N...]";
        return false;
    }
    std::vector<std::size_t> sizes;
    std::string data;
    std::size_t total = 0;
    receivedPlain_.clear();
    do {
        server::Frame frame;
        std::string plain;
        if (!Expect('2', 'T', &frame, why)) return false;
        if (!cipher_.Unseal(frame.data, &plain)) {
            *why = "block " + std::to_string(sizes.size() + 1) + " does not unseal";
            return false;
        }
        receivedPlain_ += plain;
        std::size_t skip = 0;
        if (sizes.empty()) {
            skip = kSizePrefix;
            if (plain.size() < skip) {
                *why = "first block shorter than its size prefix";
                return false;
            }
            total = std::strtoul(plain.substr(0, skip).c_str(), nullptr, 10);
        }
        sizes.push_back(plain.size());
        data += plain.substr(skip);
    } while (data.size() < total);
    if (data != fixture->second) {
        *why =
            "received " + std::to_string(data.size()) + " bytes that differ from " + words[1].text;
        return false;
    }
    if (words.size() <= 3) return true;
    std::string wanted;
    std::string seen;
    for (std::size_t i = 3; i < words.size(); ++i) wanted += words[i].text + " ";
    for (const std::size_t size : sizes) seen += std::to_string(size) + " ";
    if (wanted == seen) return true;
    *why = "block plaintext sizes " + seen + "expected " + wanted;
    return false;
}

bool ScriptedPeer::ExpectSignature(std::string* why) {
    server::Frame frame;
    if (!Expect('2', 'S', &frame, why)) return false;
    std::uint8_t md5[16];
    unsigned int length = 0;
    EVP_Digest(receivedPlain_.data(), receivedPlain_.size(), md5, &length, EVP_md5(), nullptr);
    if (server::CheckSignature(publicKey_, frame.data, md5)) return true;
    *why = "the signature does not hold over the MD5 of the blocks received";
    return false;
}

bool ScriptedPeer::SendBlocks(const std::vector<Word>& words, std::string* why) {
    const auto fixture = words.size() >= 2 ? files_.find(words[1].text) : files_.end();
    std::size_t limit = SIZE_MAX;
    if (words.size() == 4 && words[2].text == "blocks")
        limit = std::strtoul(words[3].text.c_str(), nullptr, 10);
    if (fixture == files_.end() || (words.size() != 2 && limit == SIZE_MAX)) {
        *why = "send-blocks NAME [blocks K]";
        return false;
    }
    const std::string& contents = fixture->second;
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%.10zu", contents.size());
    std::size_t sent = 0;
    std::size_t blocks = 0;
    do {
        const std::size_t size = std::min(kBlockData, contents.size() - sent);
        const std::string block =
            (blocks == 0 ? std::string(prefix) : std::string()) + contents.substr(sent, size);
        if (!SendSealed('2', 'T', block, why)) return false;
        sent += size;
        ++blocks;
    } while (sent < contents.size() && blocks < limit);
    return true;
}

bool ScriptedPeer::Skip(char characteristic, char type, std::size_t atMost, std::string* why) {
    server::Frame frame;
    for (std::size_t skipped = 0;; ++skipped) {
        if (skipped > atMost) {
            *why = "more than " + std::to_string(atMost) + " frames " + Kind(characteristic, type);
            return false;
        }
        const Read result = NextFrame(&frame, false);
        if (result == Read::kClosed) {
            closedAhead_ = true;
            return true;
        }
        if (result != Read::kFrame) {
            *why = "nothing came after the skipped frames";
            return false;
        }
        if (frame.characteristic != characteristic || frame.type != type) {
            pending_ = frame;
            return true;
        }
    }
}

bool ScriptedPeer::ExpectClose(std::string* why) {
    server::Frame frame;
    switch (NextFrame(&frame, false)) {
        case Read::kClosed:
            return true;
        case Read::kFrame:
            *why = "a frame " + Kind(frame.characteristic, frame.type) + " instead of the close";
            return false;
        default:
            *why = "the client did not close";
            return false;
    }
}

// "C T plain|sealed DATA" from words[first...].
bool ScriptedPeer::StepSend(const std::vector<Word>& words, std::size_t first, std::size_t cut,
                            std::string* why) {
    char characteristic = 0;
    char type = 0;
    if (words.size() >= first + 4 && KindWords(words, first, &characteristic, &type)) {
        std::size_t at = first + 3;
        std::string data;
        if (!ReadData(words, &at, files_, &data, why)) return false;
        const std::string& form = words[first + 2].text;
        if (form == "sealed") return SendSealed(characteristic, type, data, why, cut);
        if (form == "plain") return Send(characteristic, type, data, why, cut);
    }
    *why = "C T plain|sealed DATA expected";
    return false;
}

bool ScriptedPeer::RunStep(const Step& step, std::string* why) {
    const std::vector<Word>& words = step.words;
    const std::string& verb = step.verb();
    why->clear();
    char characteristic = 0;
    char type = 0;
    if (verb == "setup") {
        return ExpectConnect(why) && SendEnvelope('1', '2', why) && Send('1', 'L', "0,8192", why);
    }
    if (verb == "expect-connect") return ExpectConnect(why);
    if (verb == "send-envelope" && KindWords(words, 1, &characteristic, &type)) {
        return SendEnvelope(characteristic, type, why);
    }
    if (verb == "send") return StepSend(words, 1, SIZE_MAX, why);
    if (verb == "send-cut" && words.size() >= 2) {
        return StepSend(words, 2, std::strtoul(words[1].text.c_str(), nullptr, 10), why);
    }
    if (verb == "expect") return StepExpect(words, why);
    if (verb == "skip" && KindWords(words, 1, &characteristic, &type)) {
        std::size_t atMost = SIZE_MAX;
        if (words.size() == 5 && words[3].text == "at-most")
            atMost = std::strtoul(words[4].text.c_str(), nullptr, 10);
        return Skip(characteristic, type, atMost, why);
    }
    if (verb == "receive-file") return ReceiveFile(words, why);
    if (verb == "expect-signature") return ExpectSignature(why);
    if (verb == "send-blocks") return SendBlocks(words, why);
    if (verb == "hold") {
        if (Hold()) return true;
        *why = "never released";
        return false;
    }
    if (verb == "silence" && words.size() == 2) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(words[1].text.c_str())));
        return true;
    }
    if (verb == "close") {
        close(socket_);
        socket_ = -1;
        return true;
    }
    if (verb == "expect-close") return ExpectClose(why);
    if (why->empty()) *why = "unknown or malformed step";
    return false;
}

}  // namespace vkt::peer
