// "历史事件: ZEMRA服务器消息": every stored system message, newest first, with
// deleting one or all of them; a double click opens a notice again.
#pragma once

#include <QString>
#include <vector>

#include "client/store/chat_message.h"
#include "client/ui/skinned_dialog.h"

class QTreeWidget;

namespace zemra::client {
class ClientCore;
}

namespace zemra::client::ui {

// One row of the list: sender, date, time and what the message says, on one line.
struct SystemMessageRow {
    QString from;
    QString date;
    QString time;
    QString text;
};
SystemMessageRow systemMessageRow(const store::ChatMessage& message);

class CSysMsgHistoryDlg : public SkinnedDialog {
    Q_OBJECT
  public:
    static constexpr int kButtonBarHeight = 30;

    // Registered as the one system message history while it is open.
    explicit CSysMsgHistoryDlg(ClientCore& core, QWidget* parent = nullptr);
    ~CSysMsgHistoryDlg() override;

    // Fills the list again from the store.
    void fill();
    // "删除": the stored message the selected row shows.
    void deleteSelected();
    // "删除全部", after asking.
    void deleteAll();
    // Opens the notice of `row` in its own window.
    void openRow(int row);

    QTreeWidget* list() const { return list_; }

  private:
    ClientCore& core_;
    QTreeWidget* list_ = nullptr;
    // The record each row shows, in row order: deleting finds it by what it
    // is, since the store may have changed since the list was filled.
    std::vector<store::ChatMessage> shown_;
};

}  // namespace zemra::client::ui
