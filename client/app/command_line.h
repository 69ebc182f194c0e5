// "-id:<number> -pw:<password>": the login a conference program or a script
// hands to a new client.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "client/app/ui_port.h"

namespace zemra::client {

// Parsed only when the line begins with "-id:". The ID is the decimal
// number before "-pw:" (blanks around it ignored), the password everything
// after "-pw:" to the end of the line. Nullopt when there is nothing to take.
std::optional<LoginChoice> parseCommandLine(std::string_view line);

}  // namespace zemra::client
