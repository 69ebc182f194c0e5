// "ZEMRA注册向导": sets up the local user, either registering a new account
// or logging in with an existing one, and collects the profile.
#pragma once

#include <QTimer>
#include <QWizard>
#include <cstdint>
#include <functional>
#include <string>

#include "client/store/user_records.h"
#include "client/ui/skinned_dialog.h"
#include "protocol/profile_packets.h"

namespace zemra::client::ui {

class CRegModeDlg;
class CRegBasicDlg;
class CRegCommDlg;
class CRegMiscDlg;
class CRegNetworkDlg;
class CRegFinishDlg;

// How the wizard reaches the server; the main window wires it to the core.
struct RegWizardBackend {
    enum class Link { Connected, SocketFailed, ConnectFailed };
    std::function<Link()> connect;
    std::function<void(const protocol::UserProfile&)> registerAccount;
    std::function<void(uint32_t id, const std::string& gbkPassword)> login;
    std::function<void(const QString& text, const QString& caption)> message;
    QString serverAddress;
    uint16_t serverPort = 3000;
};

// The skinned sheet holds a wizard whose pages follow each other by the
// flow's rules.
class CRegWizard : public SkinnedDialog {
    Q_OBJECT
  public:
    explicit CRegWizard(RegWizardBackend backend, QWidget* parent = nullptr);
    ~CRegWizard() override;

    QWizard* sheet() const { return sheet_; }
    // The wizard that owns a page.
    static CRegWizard* of(const QWizardPage* page);

    // Answers from the server while the wizard is open.
    void onRegistered(uint32_t newId);
    void onLoginResult(int code);

    bool completed() const { return completed_; }
    int mode() const;
    uint32_t userId() const;
    // GBK, trimmed: the existing account's in mode 1, the new one's otherwise.
    std::string password() const;
    // The profile record the caller stores for the user.
    store::CMyInfo profile() const;
    protocol::UserProfile registration() const;
    QString serverAddress() const;
    uint16_t serverPort() const;

    CRegModeDlg* modePage() const { return mode_; }
    CRegBasicDlg* basicPage() const { return basic_; }
    CRegFinishDlg* finishPage() const { return finish_; }
    const RegWizardBackend& backend() const { return backend_; }

    // The last page is showing: submit once the page change is complete, so
    // that nothing of the page before can be pressed during the connect.
    void submitLater();
    // Submits from the last page: connects when there is no link yet, then
    // sends the registration or the login. False when the link failed.
    bool submit();
    void setOutcome(bool completed);
    // From the connect until the server answers, the wizard cannot be left:
    // an account registered after the user went away would be nobody's.
    bool requestOut() const { return requestOut_; }

  public slots:
    void reject() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    RegWizardBackend backend_;
    QWizard* sheet_;
    CRegModeDlg* mode_;
    CRegBasicDlg* basic_;
    CRegCommDlg* comm_;
    CRegMiscDlg* misc_;
    CRegNetworkDlg* network_;
    CRegFinishDlg* finish_;
    void setRequestOut(bool out);

    bool completed_ = false;
    bool requestOut_ = false;
    uint32_t newId_ = 0;
    QTimer answerTimer_;  // a server that never answers frees the wizard
};

}  // namespace zemra::client::ui
