#include "transfer_cycle.h"

#include <unistd.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "support/test_support.h"

namespace vkt::faults {
namespace {

constexpr auto kStepWait = std::chrono::seconds(60);

bool Ended(const testing::VktExports& vkt) {
    return testing::WaitForEnd(vkt, kStepWait).activity == VKT_ACTIVITY_IDLE;
}

}  // namespace

std::string CycleAnswers() {
    return std::string(kCycleName) + "\t" + kCycleFields + "\n";
}

std::string ErrorsText(const testing::VktExports& vkt) {
    std::string text;
    for (const ErrorRecord& error : testing::Errors(vkt)) {
        text += (text.empty() ? "" : "; ") + std::to_string(error.code) + " " + error.text;
    }
    return text.empty() ? "no error" : text;
}

std::string RunCycle(const testing::VktExports& vkt, const CycleSetting& setting, int round) {
    const auto seed = static_cast<unsigned>(round + 1);
    const std::string sent =
        testing::Bytes(setting.size + static_cast<std::size_t>(round % 7), seed);
    const std::string got = testing::Bytes(setting.size + 1, seed + 1000);
    const std::string path = setting.work + "/" + kCycleName + ".bin";
    const std::string gotName = "vuelta.bin";
    if (!testing::WriteWholeFile(path, sent) ||
        !testing::WriteWholeFile(setting.outbox + "/" + gotName, got)) {
        return "cannot write the files of round " + std::to_string(round);
    }

    int32_t session = 0;
    if (vkt.conectar("127.0.0.1", std::to_string(setting.port).c_str(), setting.user.c_str(),
                     setting.password.c_str(), setting.keys.c_str(), 10, &session) != 0 ||
        !Ended(vkt)) {
        return "connect: " + ErrorsText(vkt);
    }
    std::string failed;
    char answer[2048] = {};
    int32_t length = 0;
    if (vkt.verificar(session, path.c_str(), 2, answer, &length) != 0) {
        failed = "verify: " + ErrorsText(vkt);
    } else if (std::strcmp(answer, kCycleFields) != 0) {
        failed = "verify: the answer was " + std::string(answer);
    } else if (vkt.enviar(session, setting.password.c_str(), path.c_str(), 2, nullptr, 0) != 0 ||
               !Ended(vkt)) {
        failed = "send: " + ErrorsText(vkt);
    } else if (testing::ReadWholeFile(setting.inbox + "/" + kCycleName) != sent) {
        failed = "send: the server stored another file";
    } else if (vkt.solicitar(session, setting.password.c_str(), gotName.c_str(),
                             setting.work.c_str()) != 0 ||
               !Ended(vkt)) {
        failed = "get: " + ErrorsText(vkt);
    } else if (testing::ReadWholeFile(setting.work + "/" + gotName) != got) {
        failed = "get: the file arrived different";
    }
    const int32_t ended = vkt.desconectar(session);
    if (failed.empty() && ended != 0) failed = "disconnect: " + ErrorsText(vkt);
    testing::Errors(vkt);
    ::unlink((setting.work + "/" + gotName).c_str());
    return failed;
}

}  // namespace vkt::faults
