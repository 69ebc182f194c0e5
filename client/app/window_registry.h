// The client's secondary windows, each registered with a kind and the user
// it serves (0 when none). At most one window of a kind exists per user.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/winmsg.h"

namespace zemra::client {

enum class WindowKind : int {
    Chat = 0,
    AccountWizard = 5,
    FriendRequestIn = 6,
    MessageView = 7,
    SystemMessages = 8,
    FriendRequestOut = 9,
};

class WindowRegistry {
  public:
    // Replaces an earlier registration of the same kind and user.
    void registerWindow(WindowKind kind, uint32_t userId, WindowHandle window);
    void unregisterWindow(WindowHandle window);
    std::optional<WindowHandle> findWindow(WindowKind kind, uint32_t userId) const;
    std::optional<WindowHandle> findWindow(WindowKind kind) const;
    bool contains(WindowHandle window) const;
    std::size_t size() const { return entries_.size(); }

  private:
    struct Entry {
        WindowKind kind;
        uint32_t userId;
        WindowHandle window;
    };
    std::vector<Entry> entries_;
};

}  // namespace zemra::client
