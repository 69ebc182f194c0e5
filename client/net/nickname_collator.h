// Nickname order as the user's locale sees it, ignoring case.
#pragma once

#include "client/net/contact_list.h"

namespace zemra::client {

NicknameCompare nicknameCollator();

}  // namespace zemra::client
