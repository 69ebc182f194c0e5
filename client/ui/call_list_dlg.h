// "呼叫记录": lists the calls of a chosen day from the user's call log,
// filtered by kind, and acts on the selected caller. The rules live in
// call_list_rules; this window draws and wires.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "client/store/call_log.h"
#include "client/ui/call_list_rules.h"
#include "client/ui/skinned_dialog.h"

class QCheckBox;
class QDateEdit;
class QPushButton;
class QTreeWidget;

namespace zemra::client::ui {

// What the main window does for the selected caller.
struct CallListActions {
    std::function<bool()> inCall;
    std::function<bool(uint32_t)> isFriend;
    std::function<void(uint32_t id, const std::string&gbkName)> call, chat, details, addFriend,
        blackList;
};

class CCallListDlg : public SkinnedDialog {
    Q_OBJECT
  public:
    CCallListDlg(std::filesystem::path callListDir, uint32_t ownId, CallListActions actions,
                 QWidget* parent = nullptr);

    // How messages reach the user; a message box captioned "zemra" unless replaced.
    void setTell(std::function<void(const QString&)> tell) { tell_ = std::move(tell); }

    // "开始查询".
    void query();

  private:
    void buildControls();
    void run(CallListAction action);
    const CallListRow* selectedRow() const;
    const std::function<void(uint32_t, const std::string&)>& actionFor(CallListAction action) const;

    std::filesystem::path callListDir_;
    uint32_t ownId_;
    CallListActions actions_;
    std::function<void(const QString&)> tell_;
    std::vector<CallListRow> rows_;  // the rows of the list, in order

    QDateEdit* date_ = nullptr;
    std::array<QCheckBox*, store::kCallKindCount> filters_{};
    QTreeWidget* list_ = nullptr;
};

}  // namespace zemra::client::ui
