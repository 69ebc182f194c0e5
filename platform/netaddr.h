// The host's IPv4 addresses, for choosing the local address the client
// reports at login.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zemra::netaddr {

// Dotted IPv4 addresses of the interfaces that are up: non-loopback ones
// first in interface order, loopback ones last.
std::vector<std::string> hostAddresses();

// Picks the local address from `addresses`: the first one in 192.x.x.x or
// 10.x.x.x is taken at once; otherwise the last other address wins. The
// classes go by the first octet, so 100.64.0.1 is an "other" address, not a
// 10 one. Loopback (127.x.x.x) counts only when there is nothing else, so a
// machine with just lo still gets an address. Text that is not a dotted
// IPv4 address is skipped. Nullopt when nothing qualifies.
std::optional<std::string> chooseLocalAddress(const std::vector<std::string>& addresses);

}  // namespace zemra::netaddr
