#include "client/ui/chat_rules.h"

#include <QDateTime>

#include "client/ui/ui_text.h"

namespace zemra::client::ui {

QSize chatWindowSize(const ChatPanes& panes, bool groupMode, bool historyShown, bool dialogueMode) {
    QSize size = panes.base;
    if (!groupMode) size.rwidth() -= panes.recipientWidth + 2;
    if (!historyShown) size.rheight() -= panes.historyHeight;
    if (!dialogueMode) size.rheight() -= panes.conversationHeight;
    return size;
}

QString conversationHeader(const QString& name, uint32_t time) {
    const QString clock = QDateTime::fromSecsSinceEpoch(time).toString("HH:mm:ss");
    return QString("%1 (%2): ").arg(name, clock);
}

QString historyItemText(const QString& name, const store::ChatMessage& message) {
    const QString stamp =
        QDateTime::fromSecsSinceEpoch(message.time).toString("(yyyy-MM-dd HH:mm:ss)");
    return QString("%1   %2\n%3").arg(stamp, name, fromGbk(message.displayedText()));
}

const std::array<uint32_t, 16>& chatColourMenu() {
    // black, dark red, dark green, olive, navy, purple, teal, grey, silver,
    // red, green, yellow, blue, magenta, cyan, white
    static const std::array<uint32_t, 16> colours{
        0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0x808080,
        0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    return colours;
}

}  // namespace zemra::client::ui
