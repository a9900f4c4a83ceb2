#include "client_steps.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

namespace vkt::peer {
namespace {

constexpr std::size_t kAnswerRoom = 2048;
constexpr std::size_t kCanarySize = 64;
constexpr char kCanaryByte = static_cast<char>(0xA5);
constexpr int kOperationMs = 20000;

// One expected code, or alternatives "a|b".
bool CodeMatches(const std::string& wanted, int32_t code) {
    std::stringstream alternatives(wanted);
    std::string one;
    while (std::getline(alternatives, one, '|')) {
        if (std::atoi(one.c_str()) == code) return true;
    }
    return false;
}

// "=> CODE" at the end of a step: the code (or alternatives) it names, else "0".
void ExpectedCode(const std::vector<Word>& words, std::size_t* end, std::string* code) {
    *end = words.size();
    *code = "0";
    if (words.size() >= 2 && words[words.size() - 2].text == "=>") {
        *end = words.size() - 2;
        *code = words.back().text;
    }
}

// True when another open file description holds the file's flock.
bool HeldByAnother(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);
    return held;
}

bool ReadFileBytes(const std::string& path, std::string* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    *bytes = text.str();
    return true;
}

bool Returned(const char* call, int32_t got, const std::string& expected, std::string* why) {
    if (CodeMatches(expected, got)) return true;
    *why = std::string(call) + " returned " + std::to_string(got) + ", expected " + expected;
    return false;
}

std::string Codes(const std::vector<ErrorRecord>& records) {
    std::string codes = "[";
    for (const ErrorRecord& record : records) {
        codes += (codes.size() > 1 ? " " : "") + std::to_string(record.code);
    }
    return codes + "]";
}

}  // namespace

ClientSteps::~ClientSteps() {
    for (const std::string& name : environment_) unsetenv(name.c_str());
}

bool ClientSteps::Run() {
    for (const Step& step : file_.client) {
        std::string why;
        if (!RunStep(step, &why)) {
            ADD_FAILURE() << "client line " << step.line << " (" << step.verb() << "): " << why;
            return false;
        }
    }
    return true;
}

bool ClientSteps::Connect(const std::string& expected, std::string* why) {
    const std::string port = std::to_string(peer_.port());
    const int32_t got =
        Vkt().conectar("127.0.0.1", port.c_str(), setting_.user.c_str(), setting_.password.c_str(),
                       setting_.keys.c_str(), timeout_, &session_);
    return Returned("VKTConectar", got, expected, why);
}

bool ClientSteps::CheckErrors(const std::vector<Word>& words, std::string* why) {
    const std::size_t wanted = words.size() - 1;
    std::vector<ErrorRecord> seen = Errors();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (seen.size() < wanted && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const std::vector<ErrorRecord> more = Errors();
        seen.insert(seen.end(), more.begin(), more.end());
    }
    lastErrors_ = seen;
    bool same = seen.size() == wanted;
    for (std::size_t i = 0; same && i < wanted; ++i) {
        same = CodeMatches(words[i + 1].text, seen[i].code);
    }
    if (same) return true;
    *why = "VKTError holds " + Codes(seen);
    return false;
}

bool ClientSteps::Verify(const std::vector<Word>& words, const std::string& expected,
                         std::string* why) {
    if (Vkt().verificar == nullptr) {
        *why = "the library does not export VKTVerificar";
        return false;
    }
    std::vector<char> buffer(kAnswerRoom + kCanarySize, kCanaryByte);
    std::memset(buffer.data(), 0x5A, kAnswerRoom);
    largo_ = -1;
    const int32_t got = Vkt().verificar(session_, Path(words[1].text).c_str(),
                                        std::atoi(words[2].text.c_str()), buffer.data(), &largo_);
    for (std::size_t i = kAnswerRoom; i < buffer.size(); ++i) {
        if (buffer[i] != kCanaryByte) {
            *why = "VKTVerificar wrote past the 2,048-byte answer buffer (offset " +
                   std::to_string(i) + ")";
            return false;
        }
    }
    answer_.assign(buffer.data(), kAnswerRoom);
    return Returned("VKTVerificar", got, expected, why);
}

bool ClientSteps::CheckAnswer(const std::vector<Word>& words, std::string* why) {
    std::size_t at = 1;
    std::string wanted;
    if (!ReadData(words, &at, file_.files, &wanted, why)) return false;
    if (largo_ != static_cast<int32_t>(wanted.size())) {
        *why = "largo " + std::to_string(largo_) + ", expected " + std::to_string(wanted.size());
        return false;
    }
    if (answer_.compare(0, wanted.size(), wanted) != 0 || answer_[wanted.size()] != '\0') {
        *why = "the answer differs from the peer's (or has no NUL behind it)";
        return false;
    }
    return true;
}

bool ClientSteps::Send(const std::vector<Word>& words, const std::string& expected,
                       std::string* why) {
    if (Vkt().enviar == nullptr) {
        *why = "the library does not export VKTEnviar";
        return false;
    }
    std::string additional;
    int32_t largo = 0;
    const bool added = words.size() > 3 && words[3].text == "add";
    if (added) {
        std::size_t at = 4;
        if (!ReadData(words, &at, file_.files, &additional, why) || at >= words.size()) {
            if (why->empty()) *why = "add DATA LARGO";
            return false;
        }
        largo = std::atoi(words[at].text.c_str());
    }
    const int32_t got =
        Vkt().enviar(session_, setting_.password.c_str(), Path(words[1].text).c_str(),
                     std::atoi(words[2].text.c_str()), added ? additional.data() : nullptr, largo);
    return Returned("VKTEnviar", got, expected, why);
}

bool ClientSteps::RunStep(const Step& step, std::string* why) {
    const std::vector<Word>& words = step.words;
    const std::string& verb = step.verb();
    std::size_t end = 0;
    std::string expected;
    ExpectedCode(words, &end, &expected);
    if (verb == "open") {
        if (!Connect("0", why)) return false;
        const StatusRecord status = WaitForEnd(kOperationMs);
        const std::vector<ErrorRecord> errors = Errors();
        if (status.activity == 0 && errors.empty()) return true;
        *why = "the session did not open: activity " + std::to_string(status.activity) +
               ", errors " + Codes(errors);
        return false;
    }
    if (verb == "connect") return Connect(expected, why);
    if (verb == "verify" && end == 3) return Verify(words, expected, why);
    if (verb == "answer") return CheckAnswer(words, why);
    if (verb == "send" && end >= 3) return Send(words, expected, why);
    if (verb == "request" && end == 2) {
        if (Vkt().solicitar == nullptr) {
            *why = "the library does not export VKTSolicitar";
            return false;
        }
        const int32_t got = Vkt().solicitar(session_, setting_.password.c_str(),
                                            words[1].text.c_str(), setting_.destination.c_str());
        return Returned("VKTSolicitar", got, expected, why);
    }
    if (verb == "disconnect") {
        return Returned("VKTDesconectar", Vkt().desconectar(session_), expected, why);
    }
    if (verb == "wait" && words.size() <= 2) {
        const int ms = words.size() == 2 ? std::atoi(words[1].text.c_str()) : kOperationMs;
        if (WaitForEnd(ms).activity != 2) return true;
        *why = "the operation did not end within " + std::to_string(ms) + " ms";
        return false;
    }
    if (verb == "wait-activity" && words.size() == 2) {
        // Something the event thread does on its own (a close, the watchdog) ends the session.
        const uint32_t wanted = static_cast<uint32_t>(std::atoi(words[1].text.c_str()));
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kOperationMs);
        while (Estado().activity != wanted && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (Estado().activity == wanted) return true;
        *why = "the activity never became " + words[1].text;
        return false;
    }
    if (verb == "timeout" && words.size() == 2) {
        timeout_ = std::atoi(words[1].text.c_str());
        return true;
    }
    if ((verb == "activity" || verb == "step") && words.size() == 2) {
        const StatusRecord status = Estado();
        const uint32_t value = verb == "activity" ? status.activity : status.step;
        if (value == static_cast<uint32_t>(std::atoi(words[1].text.c_str()))) return true;
        *why = verb + " is " + std::to_string(value);
        return false;
    }
    if (verb == "errors") return CheckErrors(words, why);
    if (verb == "error-text" && words.size() >= 3) {
        std::size_t at = 2;
        std::string text;
        if (!ReadData(words, &at, file_.files, &text, why)) return false;
        for (const ErrorRecord& record : lastErrors_) {
            if (record.code == std::atoi(words[1].text.c_str()) && text == record.text) return true;
        }
        *why = "no such text for " + words[1].text;
        return false;
    }
    if (verb == "received" && words.size() >= 3) {
        std::size_t at = 2;
        std::string wanted;
        if (!ReadData(words, &at, file_.files, &wanted, why)) return false;
        std::string got;
        if (!ReadFileBytes(setting_.destination + "/" + words[1].text, &got)) {
            *why = "no destination file " + words[1].text;
            return false;
        }
        if (got == wanted) return true;
        *why = "the destination file holds " + std::to_string(got.size()) + " other bytes";
        return false;
    }
    if (verb == "no-file" && words.size() == 2) {
        std::ifstream in(setting_.destination + "/" + words[1].text);
        if (!in) return true;
        *why = "the destination file " + words[1].text + " exists";
        return false;
    }
    if ((verb == "locked" || verb == "unlocked") && words.size() == 2) {
        if (HeldByAnother(Path(words[1].text)) == (verb == "locked")) return true;
        *why = words[1].text + (verb == "locked" ? " is not held open and locked"
                                                 : " is still held open and locked");
        return false;
    }
    if (verb == "held") {
        if (peer_.WaitHeld(10000)) return true;
        *why = "the peer never reached its hold";
        return false;
    }
    if (verb == "release") {
        peer_.Release();
        return true;
    }
    if (verb == "sleep" && words.size() == 2) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(words[1].text.c_str())));
        return true;
    }
    if (verb == "env" && words.size() == 3) {
        setenv(words[1].text.c_str(), words[2].text.c_str(), 1);
        environment_.push_back(words[1].text);
        return true;
    }
    if (verb == "own-process") return true;  // taken care of before the case runs
    if (verb == "await-step" && words.size() == 2) {
        const auto wanted = static_cast<uint32_t>(std::atoi(words[1].text.c_str()));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        uint32_t now = Estado().step;
        while (now != wanted && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            now = Estado().step;
        }
        if (now == wanted) return true;
        *why = "step is " + std::to_string(now);
        return false;
    }
    bool known = false;
    const bool passed = RunFolderStep(step, &known, why);
    if (!known) *why = "unknown or malformed step";
    return passed;
}

}  // namespace vkt::peer
