// "修改用户资料": a user's details as the server sent them; for the user's
// own details also editable, with the password and add policy page.
#pragma once

#include <functional>

#include "client/ui/skinned_dialog.h"
#include "protocol/profile_packets.h"

class QTabWidget;

namespace zemra::client::ui {

class CDetailBasicDlg;
class CDetailCommDlg;
class CDetailMiscDlg;
class CDetailAuthDlg;

struct DetailSheetBackend {
    // Sends the change: the add policy first when it changed, then the details.
    std::function<void(const protocol::UserProfile&, int addPolicy)> submit;
    std::function<void(const QString& text, const QString& caption)> message;
    std::function<void(uint32_t id)> call;
    QString savedPassword;
    int addPolicy = 0;
};

class CModifyDetailDlg : public SkinnedDialog {
    Q_OBJECT
  public:
    CModifyDetailDlg(const protocol::UserDetails& details, bool own, DetailSheetBackend backend,
                     QWidget* parent = nullptr);

    bool own() const { return own_; }
    int pageCount() const;
    QTabWidget* tabs() const { return tabs_; }
    CDetailBasicDlg* basicPage() const { return basic_; }
    CDetailAuthDlg* authPage() const { return auth_; }
    // Shows a further answer: only brings the sheet forward.
    void bringForward();

    // "修改": validates and sends; false when something was refused.
    bool modify();

  private:
    void fill(const protocol::UserDetails& details);
    void makeReadOnly();
    protocol::UserProfile collect(const QString& password) const;

    bool own_;
    uint32_t userId_;
    DetailSheetBackend backend_;
    QTabWidget* tabs_;
    CDetailBasicDlg* basic_;
    CDetailCommDlg* comm_;
    CDetailMiscDlg* misc_;
    CDetailAuthDlg* auth_ = nullptr;
};

}  // namespace zemra::client::ui
