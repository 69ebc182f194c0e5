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

// The walk over `addresses` that picks the local address: the first one
// starting with "192" or "10" is taken at once; one starting with "127" ends
// the walk with failure; any other is remembered and the walk goes on, so
// the last such address wins. Nullopt on failure or when nothing qualifies.
std::optional<std::string> chooseLocalAddress(const std::vector<std::string>& addresses);

}  // namespace zemra::netaddr
