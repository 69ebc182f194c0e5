// The process clock the engines stamp and pace media with: milliseconds
// since the platform library was loaded, wrapping after 49 days like the
// tick counters media protocols were designed around.
#pragma once

#include <cstdint>

namespace zemra {

uint32_t processClockMs();

}  // namespace zemra
