#include "transfer/library_session.h"

#include <cstdio>
#include <vector>

namespace vkt::bench {

namespace {

constexpr std::int32_t kStallSeconds = 30;
constexpr std::chrono::seconds kLongestOperation{600};
constexpr std::chrono::microseconds kPollInterval{100};

}  // namespace

LibrarySession::LibrarySession(const testing::VktExports& vkt, int port, std::string user,
                               std::string password, std::string keys)
    : vkt_(vkt),
      port_(std::to_string(port)),
      user_(std::move(user)),
      password_(std::move(password)),
      keys_(std::move(keys)) {}

LibrarySession::~LibrarySession() {
    Close();
}

bool LibrarySession::Ended(const char* what, std::int32_t started) {
    if (started == VKT_STATUS_OK) {
        const StatusRecord status = testing::WaitForEnd(vkt_, kLongestOperation, kPollInterval);
        if (status.activity == VKT_ACTIVITY_IDLE) return true;
    }
    std::fprintf(stderr, "%s failed (%d)", what, started);
    for (const ErrorRecord& error : testing::Errors(vkt_))
        std::fprintf(stderr, ": %d %s", error.code, error.text);
    std::fprintf(stderr, "\n");
    return false;
}

bool LibrarySession::Open() {
    return Ended("VKTConectar",
                 vkt_.conectar("127.0.0.1", port_.c_str(), user_.c_str(), password_.c_str(),
                               keys_.c_str(), kStallSeconds, &session_));
}

void LibrarySession::Close() {
    if (session_ == 0) return;
    vkt_.desconectar(session_);
    session_ = 0;
}

bool LibrarySession::Send(const std::string& path) {
    return Ended("VKTEnviar",
                 vkt_.enviar(session_, password_.c_str(), path.c_str(), 2, nullptr, 0));
}

bool LibrarySession::Request(const std::string& name, const std::string& folder) {
    return Ended("VKTSolicitar",
                 vkt_.solicitar(session_, password_.c_str(), name.c_str(), folder.c_str()));
}

}  // namespace vkt::bench
