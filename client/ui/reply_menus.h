// What the quick-reply menu and the away submenu hold, worked out from the
// reply lists and the user's options without any widget.
#pragma once

#include <string>
#include <vector>

namespace zemra::client::ui {

// A reply as a menu shows it: longer than 20 bytes → its first 20 bytes (19
// when byte 20 would start a double-byte character) followed by "...".
std::string replyMenuLabel(const std::string& gbkText);

struct ReplyMenuItem {
    std::string label;  // what the item shows (GBK)
    std::string text;   // what choosing it uses: the whole entry (GBK)
    bool checked = false;
    bool enabled = true;
};

// One item per entry in file order. The stored quick reply is compared with
// the label an entry shows, so every entry showing that label is checked.
std::vector<ReplyMenuItem> quickReplyMenu(const std::vector<std::string>& replies,
                                          const std::string& quickReplyText);

struct AwayMenu {
    std::vector<ReplyMenuItem> replies;
    bool noReplyChecked = false;  // the "无回复消息" item
};

// One item per entry; only the first ten act, so only they are enabled.
// While an automatic reply is active the entry equal to it is checked,
// otherwise "无回复消息" is.
AwayMenu awayMenu(const std::vector<std::string>& replies, const std::string& autoReplyText,
                  bool autoReplyActive);

}  // namespace zemra::client::ui
