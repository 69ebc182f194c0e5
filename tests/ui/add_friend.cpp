// Test helper for the desktop test: logs in as one user and puts another on
// that user's friend list, the way the search window will, then leaves.
// Usage: zemra_add_friend SERVER USER_ID PASSWORD FRIEND_ID
#include <cstdio>
#include <cstdlib>
#include <string>

#include "protocol/contact_packets.h"
#include "protocol/packet_types.h"
#include "tests/integration/test_client.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s SERVER USER_ID PASSWORD FRIEND_ID\n", argv[0]);
        return 2;
    }
    using namespace zemra;
    integration::TestClient client(argv[1]);
    const auto id = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10));
    const auto friendId = static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 10));
    if (!client.connected() || !client.login(id, argv[3])) {
        std::fprintf(stderr, "login as %u failed\n", id);
        return 1;
    }
    client.send(protocol::buildSetRelation({friendId, protocol::kRelationFriend}));
    if (!client.waitFor(protocol::PT_CONTACT_ADDED)) {
        std::fprintf(stderr, "%u was not added\n", friendId);
        return 1;
    }
    client.close();
    return 0;
}
