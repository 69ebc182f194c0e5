#include "client/ui/history_list_box.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMessageBox>

#include "client/app/client_core.h"
#include "client/store/message_history.h"
#include "client/ui/chat_rules.h"
#include "client/ui/ui_text.h"

namespace zemra::client::ui {

CHistoryListBox::CHistoryListBox(ClientCore& core, uint32_t peer, QWidget* parent)
    : QListWidget(parent), core_(core), peer_(peer) {
    setWordWrap(true);
    setAlternatingRowColors(true);
    connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const int row = this->row(item);
        if (row >= 0 && row < static_cast<int>(shown_.size())) {
            emit textChosen(fromGbk(shown_[static_cast<std::size_t>(row)].text));
        }
    });
}

void CHistoryListBox::fill() {
    empty();
    std::vector<store::ChatMessage> stored;  // oldest first
    core_.recordStore().LoadMessages(peer_, stored, kHistoryItems);
    shown_.assign(stored.rbegin(), stored.rend());
    setUpdatesEnabled(false);
    const store::Contact* contact = core_.contacts().findContact(peer_);
    const QString theirs = contact ? fromGbk(contact->nickname) : QString::number(peer_);
    const QString mine = fromGbk(core_.me().nickname);
    for (const store::ChatMessage& m : shown_) {
        addItem(historyItemText(m.isIncoming() ? theirs : mine, m));
    }
    setUpdatesEnabled(true);
}

void CHistoryListBox::empty() {
    clear();
    shown_.clear();
}

void CHistoryListBox::copyRow(int row) {
    if (QListWidgetItem* it = item(row)) QApplication::clipboard()->setText(it->text());
}

bool CHistoryListBox::deleteRow(int row) {
    if (row < 0 || row >= static_cast<int>(shown_.size())) return false;
    const auto index = static_cast<std::size_t>(row);
    if (!store::DeleteShownMessage(core_.recordStore(), peer_, shown_[index],
                                   static_cast<uint32_t>(row))) {
        fill();
        return false;
    }
    shown_.erase(shown_.begin() + row);
    delete takeItem(row);
    return true;
}

void CHistoryListBox::contextMenuEvent(QContextMenuEvent* event) {
    QListWidgetItem* at = itemAt(event->pos());
    if (!at) return;
    setCurrentItem(at);
    // The row's message is held by what it is: the list may change while
    // the menu is open.
    const int row = this->row(at);
    QMenu menu(this);
    QAction* copy = menu.addAction(u("复制记录"));
    QAction* cut = menu.addAction(u("剪切记录"));
    QAction* remove = menu.addAction(u("删除记录"));
    QAction* chosen = menu.exec(event->globalPos());
    if (!chosen) return;
    if (chosen == copy || chosen == cut) copyRow(row);
    if ((chosen == cut || chosen == remove) && !deleteRow(row)) {
        QMessageBox::information(this, "zemra", u("这条记录已经不在了，列表已刷新。"));
    }
}

}  // namespace zemra::client::ui
