// The history pane of the chat and message view windows: the last messages
// with one partner, newest first, with copy, cut and delete.
#pragma once

#include <QListWidget>
#include <cstdint>
#include <vector>

#include "client/store/chat_message.h"

namespace zemra::client {
class ClientCore;
}

namespace zemra::client::ui {

class CHistoryListBox : public QListWidget {
    Q_OBJECT
  public:
    CHistoryListBox(ClientCore& core, uint32_t peer, QWidget* parent = nullptr);

    // Fills the list from the message store; empties it.
    void fill();
    void empty();
    // What each row shows, newest first.
    const std::vector<store::ChatMessage>& shown() const { return shown_; }

    // The menu's actions on a row.
    void copyRow(int row);
    // Deletes the stored message the row shows; false (and the list filled
    // again) when the store no longer holds it.
    bool deleteRow(int row);

  signals:
    // A row was double-clicked: its text with emoticon codes.
    void textChosen(const QString& text);

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    ClientCore& core_;
    uint32_t peer_;
    std::vector<store::ChatMessage> shown_;
};

}  // namespace zemra::client::ui
