// Test helper for the desktop tests: logs in as a user and sets who may add
// him as a friend (0 anyone, 1 with authentication, 2 nobody), then leaves.
// Usage: zemra_set_policy SERVER USER_ID PASSWORD POLICY
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "protocol/packet_types.h"
#include "protocol/simple_packets.h"
#include "tests/integration/test_client.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s SERVER USER_ID PASSWORD POLICY\n", argv[0]);
        return 2;
    }
    using namespace zemra;
    integration::TestClient client(argv[1]);
    const auto id = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10));
    if (!client.connected() || !client.login(id, argv[3])) {
        std::fprintf(stderr, "login as %u failed\n", id);
        return 1;
    }
    const uint16_t types[] = {protocol::PT_ADD_POLICY_ANYONE, protocol::PT_ADD_POLICY_AUTH,
                              protocol::PT_ADD_POLICY_NOBODY};
    const long policy = std::strtol(argv[4], nullptr, 10);
    if (policy < 0 || policy > 2) {
        std::fprintf(stderr, "policy must be 0, 1 or 2\n");
        return 2;
    }
    client.send(protocol::buildHeaderOnly(types[policy]));
    // The server answers nothing; a moment lets it take the packet before we go.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    client.close();
    return 0;
}
