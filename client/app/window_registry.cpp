#include "window_registry.h"

#include <algorithm>

namespace zemra::client {

void WindowRegistry::registerWindow(WindowKind kind, uint32_t userId, WindowHandle window) {
    std::erase_if(entries_, [&](const Entry& e) {
        return (e.kind == kind && e.userId == userId) || e.window == window;
    });
    entries_.push_back(Entry{kind, userId, window});
}

void WindowRegistry::unregisterWindow(WindowHandle window) {
    std::erase_if(entries_, [&](const Entry& e) { return e.window == window; });
}

std::optional<WindowHandle> WindowRegistry::findWindow(WindowKind kind, uint32_t userId) const {
    for (const Entry& e : entries_) {
        if (e.kind == kind && e.userId == userId) return e.window;
    }
    return std::nullopt;
}

std::optional<WindowHandle> WindowRegistry::findWindow(WindowKind kind) const {
    for (const Entry& e : entries_) {
        if (e.kind == kind) return e.window;
    }
    return std::nullopt;
}

bool WindowRegistry::contains(WindowHandle window) const {
    return std::any_of(entries_.begin(), entries_.end(),
                       [&](const Entry& e) { return e.window == window; });
}

}  // namespace zemra::client
