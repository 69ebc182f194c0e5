// The three panes of the message manager: the partner tree, the list of the
// selected partner's messages and the view of the selected message. The tree
// fills the list; the list shows its current row in the view.
#pragma once

#include <QLabel>
#include <QTreeWidget>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "client/store/chat_message.h"
#include "client/store/record_store.h"
#include "client/ui/msg_manager_rules.h"

namespace zemra::client::ui {

class CFaceRichEdit;

// Gives the names as they are now: contacts can change while the window is open.
using MsgNamesSource = std::function<MsgNames()>;

class CMsgView : public QWidget {
    Q_OBJECT
  public:
    explicit CMsgView(QWidget* parent = nullptr);

    // Shows a message listed under `key`: who wrote it to whom, when, and its text.
    void showMessage(const MsgNames& names, uint32_t key, const store::ChatMessage& message);
    void clear();
    // The face, size and colour that text without its own format is drawn in.
    void setDefaultLook(const QFont& font, const QColor& colour);
    void setBackground(const QColor& colour);

    CFaceRichEdit* text() const { return text_; }
    QString senderName() const { return senderName_->text(); }
    QString recipientName() const { return recipientName_->text(); }
    QString date() const { return date_->text(); }
    QString time() const { return time_->text(); }

  private:
    void showPerson(QLabel* face, QLabel* name, const QString& text, std::optional<int> image);

    QLabel* senderFace_ = nullptr;
    QLabel* senderName_ = nullptr;
    QLabel* recipientFace_ = nullptr;
    QLabel* recipientName_ = nullptr;
    QLabel* date_ = nullptr;
    QLabel* time_ = nullptr;
    CFaceRichEdit* text_ = nullptr;
};

class CMsgListView : public QTreeWidget {
    Q_OBJECT
  public:
    CMsgListView(store::RecordStore& store, MsgNamesSource names, CMsgView& view,
                 QWidget* parent = nullptr);

    // Lists the messages of `key` oldest first and selects the first row;
    // the root and the groups list nothing.
    void fill(uint32_t key);
    void empty();
    // Fills the list again for the key it shows.
    void refill() { fill(key_); }

    uint32_t key() const { return key_; }
    // The message of each row, in row order, as loaded.
    const std::vector<store::ChatMessage>& shown() const { return shown_; }
    std::vector<std::size_t> selectedRows() const;
    std::vector<store::ChatMessage> selectedMessages() const;
    // Takes rows out (their messages are gone from the store).
    void removeRows(const std::vector<std::size_t>& rows);
    // Shows the current row in the view again, or clears it.
    void showCurrent();

  private:
    store::RecordStore& store_;
    MsgNamesSource names_;
    CMsgView& view_;
    uint32_t key_ = kGroupItemValue;
    std::vector<store::ChatMessage> shown_;
};

class CMsgTreeView : public QTreeWidget {
    Q_OBJECT
  public:
    static constexpr int kRowHeight = 24;

    CMsgTreeView(CMsgListView& list, QWidget* parent = nullptr);

    // Builds the items of `root`; nothing is selected.
    void setPartners(MsgTreeNode root);
    const MsgTreeNode& partners() const { return root_; }
    // Selects the first item, depth-first, with this value and opens its
    // ancestors; false when there is none.
    bool selectValue(uint32_t value);
    // The item the selection stands for, or null.
    const MsgTreeNode* selectedNode() const;
    std::optional<uint32_t> selectedValue() const;
    // The widget item of the first node with `value`.
    QTreeWidgetItem* itemOfValue(uint32_t value) const;

  private:
    void addItems(QTreeWidgetItem* parent, const MsgTreeNode& node);
    QIcon iconOf(int image) const;

    CMsgListView& list_;
    MsgTreeNode root_;
};

}  // namespace zemra::client::ui
