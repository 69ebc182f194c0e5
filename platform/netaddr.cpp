#include "netaddr.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace zemra::netaddr {

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
    std::optional<std::string> chosen;
    for (const std::string& address : addresses) {
        if (address.starts_with("192") || address.starts_with("10")) return address;
        if (address.starts_with("127")) return std::nullopt;
        chosen = address;
    }
    return chosen;
}

}  // namespace zemra::netaddr
