#include "netaddr.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace zemra::netaddr {
namespace {

// The first octet of a dotted IPv4 address, or -1 when `text` is not one.
int firstOctet(const std::string& text) {
    in_addr parsed{};
    if (inet_pton(AF_INET, text.c_str(), &parsed) != 1) return -1;
    return static_cast<int>(ntohl(parsed.s_addr) >> 24);
}

}  // namespace

std::vector<std::string> hostAddresses() {
    std::vector<std::string> outside;
    std::vector<std::string> loopback;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return {};
    for (const ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
        if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET) continue;
        if ((it->ifa_flags & IFF_UP) == 0) continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto* address = reinterpret_cast<const sockaddr_in*>(it->ifa_addr);
        if (inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) == nullptr) continue;
        ((it->ifa_flags & IFF_LOOPBACK) ? loopback : outside).emplace_back(text);
    }
    freeifaddrs(list);
    outside.insert(outside.end(), loopback.begin(), loopback.end());
    return outside;
}

std::optional<std::string> chooseLocalAddress(const std::vector<std::string>& addresses) {
    std::optional<std::string> other;
    std::optional<std::string> loopback;
    for (const std::string& address : addresses) {
        const int octet = firstOctet(address);
        if (octet == 192 || octet == 10) return address;
        if (octet == 127) {
            // Peers cannot reach us there; keep it only for a host without a network.
            if (!loopback) loopback = address;
        } else if (octet >= 0) {
            other = address;
        }
    }
    return other ? other : loopback;
}

}  // namespace zemra::netaddr
