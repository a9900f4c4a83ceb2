// The addresses of a host for both platforms' connects. Included by a platform's
// sockets_connect.cpp after its own socket headers (<netdb.h>, <arpa/inet.h> on Linux;
// <ws2tcpip.h> on Windows), which declare addrinfo, getaddrinfo and inet_addr alike: this
// header includes no system header of its own.
#pragma once

#include <cstdint>
#include <cstring>

namespace vkt::platform::detail {

constexpr std::int32_t kBadAddress = 10049;  // address not valid

// The addresses of a host: a dotted IPv4 address as given, or the resolver's list.
class HostAddresses {
  public:
    HostAddresses() = default;
    ~HostAddresses() {
        if (resolved_ != nullptr) ::freeaddrinfo(resolved_);
    }
    HostAddresses(const HostAddresses&) = delete;
    HostAddresses& operator=(const HostAddresses&) = delete;

    // A dotted IPv4 address or an IPv6 address (it has a colon) is used as given, without
    // name resolution; any other text is a name to resolve. 0 or the failure's socket error
    // number: kBadAddress, or resolverError of getaddrinfo's failure.
    std::int32_t Resolve(const char* host, std::int32_t (*resolverError)(int)) {
        const bool ipv6 = std::strchr(host, ':') != nullptr;
        if (!ipv6 && host[0] >= '0' && host[0] <= '9') {
            // inet_addr's reading of a dotted address is the rule here, not the resolver's.
            literalAddress_.sin_family = AF_INET;
            literalAddress_.sin_addr.s_addr = ::inet_addr(host);
            if (literalAddress_.sin_addr.s_addr == INADDR_NONE) return kBadAddress;
            literal_.ai_family = AF_INET;
            literal_.ai_socktype = SOCK_STREAM;
            literal_.ai_addr = reinterpret_cast<sockaddr*>(&literalAddress_);
            literal_.ai_addrlen = sizeof literalAddress_;
            return 0;
        }
        addrinfo hints{};
        hints.ai_family = ipv6 ? AF_INET6 : AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_protocol = IPPROTO_TCP;
        hints.ai_flags = ipv6 ? AI_NUMERICHOST : 0;
        if (const int error = ::getaddrinfo(host, nullptr, &hints, &resolved_); error != 0) {
            resolved_ = nullptr;
            return ipv6 ? kBadAddress : resolverError(error);
        }
        return 0;
    }
    const addrinfo* List() const { return resolved_ != nullptr ? resolved_ : &literal_; }

  private:
    addrinfo* resolved_ = nullptr;
    addrinfo literal_{};
    sockaddr_in literalAddress_{};
};

// Copies an IPv4 or IPv6 entry of the list into *address with the port put in, and returns its
// length; 0 for an entry of any other family or too short, which the connect skips.
inline int AddressWithPort(const addrinfo* entry, std::uint16_t portNetworkOrder,
                           sockaddr_storage* address) {
    if (entry->ai_family == AF_INET && entry->ai_addrlen >= sizeof(sockaddr_in)) {
        std::memcpy(address, entry->ai_addr, sizeof(sockaddr_in));
        reinterpret_cast<sockaddr_in*>(address)->sin_port = portNetworkOrder;
        return static_cast<int>(sizeof(sockaddr_in));
    }
    if (entry->ai_family == AF_INET6 && entry->ai_addrlen >= sizeof(sockaddr_in6)) {
        std::memcpy(address, entry->ai_addr, sizeof(sockaddr_in6));
        reinterpret_cast<sockaddr_in6*>(address)->sin6_port = portNetworkOrder;
        return static_cast<int>(sizeof(sockaddr_in6));
    }
    return 0;
}

}  // namespace vkt::platform::detail
