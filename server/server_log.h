// One line per event on standard output, flushed at once so that a
// supervisor or a test sees it immediately.
#pragma once

#include <string_view>

namespace zemra::server {

void logLine(std::string_view line);
// Silences the log (the load benchmark runs the server in process).
void setLogEnabled(bool enabled);

}  // namespace zemra::server
