// What the message manager's tests share: messages at fixed local times, so
// that expected dates and times hold in any time zone.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "client/store/chat_message.h"
#include "platform/text.h"

namespace zemra::client::ui::msgtest {

inline std::string gbk(const char* utf8) {
    return text::toGbk(utf8);
}

// 2024-03-<day> <hour>:<minute>:<second> local time.
inline uint32_t localSeconds(int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 2;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return static_cast<uint32_t>(std::mktime(&t));
}

inline store::ChatMessage message(uint32_t peer, uint32_t time, std::string text,
                                  bool incoming = true) {
    store::ChatMessage m;
    m.peer = peer;
    m.time = time;
    m.text = std::move(text);
    m.flags = incoming ? store::kMessageIncoming : 0;
    return m;
}

}  // namespace zemra::client::ui::msgtest
