// Turning the configured server (a dotted address or a host name) into the
// IPv4 address that every channel to the server uses.
#pragma once

#include <optional>
#include <string>

namespace zemra::client {

// The dotted IPv4 address of `host`: the text itself when it is one, else the
// first IPv4 address the resolver gives. Nullopt when there is none.
std::optional<std::string> resolveIpv4(const std::string& host);

}  // namespace zemra::client
