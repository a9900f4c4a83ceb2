#include "server/connection_limits.h"

namespace vkt::server {

bool ConnectionLimits::AdmitPending(const std::string& host) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (pending_ >= maxPending_) return false;
    int& fromHost = pendingByHost_[host];
    if (fromHost >= maxPerAddress_) return false;
    ++fromHost;
    ++pending_;
    return true;
}

void ConnectionLimits::LeavePending(const std::string& host) {
    std::lock_guard<std::mutex> lock(mutex_);
    --pending_;
    const auto found = pendingByHost_.find(host);
    if (found != pendingByHost_.end() && --found->second <= 0) pendingByHost_.erase(found);
}

bool ConnectionLimits::OpenSession() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (sessions_ >= maxSessions_) return false;
    ++sessions_;
    return true;
}

void ConnectionLimits::CloseSession() {
    std::lock_guard<std::mutex> lock(mutex_);
    --sessions_;
}

ConnectionTicket::~ConnectionTicket() {
    if (session_)
        limits_.CloseSession();
    else
        limits_.LeavePending(host_);
}

bool ConnectionTicket::Promote() {
    if (session_) return true;
    if (!limits_.OpenSession()) return false;
    limits_.LeavePending(host_);
    session_ = true;
    return true;
}

}  // namespace vkt::server
