#include "client/ui/reply_menus.h"

#include "client/store/replies.h"

namespace zemra::client::ui {
namespace {

// The away submenu dispatches through ten command IDs only.
constexpr std::size_t kUsableAwayReplies = 10;

}  // namespace

std::string replyMenuLabel(const std::string& gbkText) {
    return store::shortenMenuText(gbkText);
}

std::vector<ReplyMenuItem> quickReplyMenu(const std::vector<std::string>& replies,
                                          const std::string& quickReplyText) {
    std::vector<ReplyMenuItem> items;
    items.reserve(replies.size());
    for (const std::string& reply : replies) {
        ReplyMenuItem item{replyMenuLabel(reply), reply};
        item.checked = item.label == quickReplyText;
        items.push_back(std::move(item));
    }
    return items;
}

AwayMenu awayMenu(const std::vector<std::string>& replies, const std::string& autoReplyText,
                  bool autoReplyActive) {
    AwayMenu menu;
    menu.noReplyChecked = !autoReplyActive;
    menu.replies.reserve(replies.size());
    for (std::size_t i = 0; i < replies.size(); ++i) {
        ReplyMenuItem item{replyMenuLabel(replies[i]), replies[i]};
        item.checked = autoReplyActive && replies[i] == autoReplyText;
        item.enabled = i < kUsableAwayReplies;
        menu.replies.push_back(std::move(item));
    }
    return menu;
}

}  // namespace zemra::client::ui
