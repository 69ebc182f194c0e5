// A text too long for one message goes out as several, each cut where the
// receiver can read it whole.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zemra::client {

// Cuts a GBK text into pieces of at most `maxBytes` bytes: never inside a
// double-byte character, and never through an emoticon code (a '/' close to
// the cut starts the next piece). An empty text gives no pieces.
std::vector<std::string> splitMessageText(std::string_view gbk, std::size_t maxBytes);

}  // namespace zemra::client
