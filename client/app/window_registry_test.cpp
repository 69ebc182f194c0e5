#include "client/app/window_registry.h"

#include <gtest/gtest.h>

namespace zemra::client {
namespace {

TEST(WindowRegistryTest, OneWindowPerKindAndUser) {
    WindowRegistry registry;
    registry.registerWindow(WindowKind::Chat, 1001, 0xA);
    registry.registerWindow(WindowKind::Chat, 1002, 0xB);
    registry.registerWindow(WindowKind::MessageView, 1001, 0xC);
    EXPECT_EQ(registry.findWindow(WindowKind::Chat, 1002), 0xBu);
    EXPECT_EQ(registry.findWindow(WindowKind::MessageView), 0xCu);
    EXPECT_FALSE(registry.findWindow(WindowKind::SystemMessages).has_value());

    registry.registerWindow(WindowKind::Chat, 1001, 0xD);  // replaces 0xA
    EXPECT_EQ(registry.findWindow(WindowKind::Chat, 1001), 0xDu);
    EXPECT_FALSE(registry.contains(0xA));
    EXPECT_EQ(registry.size(), 3u);

    registry.unregisterWindow(0xD);
    EXPECT_FALSE(registry.findWindow(WindowKind::Chat, 1001).has_value());
    EXPECT_EQ(registry.findWindow(WindowKind::Chat), 0xBu);
}

}  // namespace
}  // namespace zemra::client
