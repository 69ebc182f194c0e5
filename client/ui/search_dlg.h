// "我要查询": searches the user directory by ID, by nickname or among the
// users online, pages through the answers and acts on the selected user.
// The rules live in search_rules; this window draws and wires.
#pragma once

#include <QTimer>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "client/ui/search_rules.h"
#include "client/ui/skinned_dialog.h"
#include "platform/winmsg.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace zemra::client {
class ClientCore;
}

namespace zemra::client::ui {

// What the main window does for the selected user.
struct SearchActions {
    // Opens the outgoing friend-request window.
    std::function<void(uint32_t id, const std::string& gbkNick, uint16_t face)> addFriend;
    std::function<void(uint32_t id)> chat;
    // Until calls and transfers exist the main window tells why they cannot run.
    std::function<void(uint32_t id, const std::string& gbkNick)> call;
    std::function<void(uint32_t id, const std::string& gbkNick)> sendFile;
    std::function<bool()> inCall;
    std::function<bool()> transferRunning;
};

class CSearchDlg : public SkinnedDialog {
    Q_OBJECT
  public:
    static constexpr int kRefreshMs = 15000;

    CSearchDlg(ClientCore& core, SearchActions actions, QWidget* parent = nullptr);
    ~CSearchDlg() override;

    WindowHandle handle() const { return handle_; }
    const SearchPaging& paging() const { return paging_; }
    // The auto-refresh period; tests shorten it.
    void setRefreshPeriod(int ms) { refresh_.setInterval(ms); }
    bool refreshing() const { return refresh_.isActive(); }
    void setMode(SearchMode mode);

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    // Says why a search by ID cannot start; paging stays as it was then.
    bool formAccepted();
    // Asks for `page` of the form's search.
    void search(uint16_t page);
    void showResults();
    void showNothingFound();
    void follow(const SearchPaging::Step& step);
    void updatePagingButtons();
    void updateActionButtons();
    void enableActions(bool on);
    std::optional<SearchUser> selectedUser() const;
    const protocol::SearchResultEntry* selectedEntry() const;
    void command(SearchCommand command);
    void tell(const std::string& text);
    bool inCall() const;
    bool transferRunning() const;

    ClientCore& core_;
    SearchActions actions_;
    WindowHandle handle_;
    SearchMode mode_ = SearchMode::Online;
    SearchPaging paging_;
    std::vector<protocol::SearchResultEntry> shown_;  // the rows of the list, in order
    QTimer refresh_;

    QRadioButton* modeId_ = nullptr;
    QRadioButton* modeNick_ = nullptr;
    QRadioButton* modeOnline_ = nullptr;
    QLineEdit* idEdit_ = nullptr;
    QLineEdit* nickEdit_ = nullptr;
    QPushButton* search_ = nullptr;
    QCheckBox* autoRefresh_ = nullptr;
    std::vector<QCheckBox*> filters_;  // sound card, camera, male, female, same city
    QTreeWidget* results_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* firstPage_ = nullptr;
    QPushButton* previousPage_ = nullptr;
    QPushButton* nextPage_ = nullptr;
    QPushButton* lastPage_ = nullptr;
    QPushButton* call_ = nullptr;
    QPushButton* sendFile_ = nullptr;
    QPushButton* details_ = nullptr;
    QPushButton* chat_ = nullptr;
    QPushButton* addFriend_ = nullptr;
    QPushButton* blacklist_ = nullptr;
};

}  // namespace zemra::client::ui
