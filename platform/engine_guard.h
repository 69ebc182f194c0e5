// The boundary of an engine's exported functions: a fault raised inside
// (codec code, a failed allocation) becomes the failure result instead of
// crossing into the host program.
#pragma once

namespace zemra {

template <typename Function>
auto guarded(Function&& function, decltype(function()) failure) noexcept {
    try {
        return function();
    } catch (...) {
        return failure;
    }
}

template <typename Function>
void guarded(Function&& function) noexcept {
    try {
        function();
    } catch (...) {
    }
}

}  // namespace zemra
