// What the client core asks of the main window: messages, the login dialog,
// the wizard, the details sheet, and redrawing list and status.
#include <QLabel>
#include <QMessageBox>

#include "client/ui/contact_list_bar.h"
#include "client/ui/face_popup.h"
#include "client/ui/image_lists.h"
#include "client/ui/login_dialog.h"
#include "client/ui/main_window.h"
#include "client/ui/modify_detail_dlg.h"
#include "client/ui/reg_wizard.h"
#include "client/ui/ui_text.h"
#include "platform/sound.h"
#include "platform/text.h"

namespace zemra::client::ui {
namespace {

QString q(const std::string& utf8) {
    QString s = QString::fromStdString(utf8);
    s.replace("\r\n", "\n");
    return s;
}

QWidget* dialogParent(QWidget* main) {
    return main->isVisible() ? main : nullptr;
}

}  // namespace

void MainWindow::showMessage(const std::string& text, const std::string& caption) {
    QMessageBox::information(dialogParent(this), q(caption), q(text));
}

bool MainWindow::askYesNo(const std::string& text, const std::string& caption) {
    return QMessageBox::question(dialogParent(this), q(caption), q(text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

LoginDialogResult MainWindow::runLoginDialog(const std::optional<LoginChoice>& commandLine) {
    const ClientConfig& config = core_->config();
    LoginDialogModel model(config.baseDir, config.dataDir);
    CLoginDlg dialog(model, commandLine, dialogParent(this));
    return dialog.run();
}

bool MainWindow::runAccountWizard() {
    RegWizardBackend backend;
    backend.connect = [this] {
        switch (core_->connectForWizard()) {
            case ClientCore::WizardLink::Connected:
                return RegWizardBackend::Link::Connected;
            case ClientCore::WizardLink::SocketFailed:
                return RegWizardBackend::Link::SocketFailed;
            default:
                return RegWizardBackend::Link::ConnectFailed;
        }
    };
    backend.registerAccount = [this](const protocol::UserProfile& p) {
        core_->sendRegistration(p);
    };
    backend.login = [this](uint32_t id, const std::string& pw) { core_->sendWizardLogin(id, pw); };
    backend.message = [this](const QString& text, const QString& caption) {
        QMessageBox::information(wizard_ ? static_cast<QWidget*>(wizard_) : this, caption, text);
    };
    backend.serverAddress = QString::fromStdString(core_->connection().serverAddress());
    backend.serverPort = core_->config().serverPort;

    CRegWizard wizard(std::move(backend), dialogParent(this));
    wizard_ = &wizard;
    const WindowHandle handle = reinterpret_cast<WindowHandle>(&wizard);
    core_->windows().registerWindow(WindowKind::AccountWizard, 0, handle);
    wizard.exec();
    core_->windows().unregisterWindow(handle);
    wizard_ = nullptr;
    if (!wizard.completed()) return false;
    core_->setWizardProfile(wizard.profile(), wizard.serverAddress().toStdString(),
                            wizard.serverPort());
    return true;
}

void MainWindow::wizardLoginResult(int code) {
    if (wizard_) wizard_->onLoginResult(code);
}

void MainWindow::wizardRegistered(uint32_t newId) {
    if (wizard_) wizard_->onRegistered(newId);
}

void MainWindow::contactsChanged() {
    const ContactList& list = core_->contacts();
    const bool onlineOnly = core_->options().hasFlag(store::kOptShowOnlineOnly);
    std::vector<BarGroup> groups;
    for (std::size_t g = 0; g < list.groupCount(); ++g) {
        BarGroup group;
        group.name = fromGbk(list.groups()[g].name);
        for (const store::Contact* c : list.visibleMembers(g, onlineOnly)) {
            const int presence = static_cast<int>(c->presence);
            group.items.push_back(
                {c->id, fromGbk(c->nickname), presence * ImageLists::kFaces + c->face});
        }
        groups.push_back(std::move(group));
    }
    bar_->setGroups(std::move(groups));
    if (core_->animation().active() && !animationTimer_.isActive()) animationTimer_.start();
    writeTestState();
}

void MainWindow::ownStatusChanged() {
    const store::CMyInfo& me = core_->me();
    const int status = static_cast<int>(core_->ownStatus());
    // Away shows the away look of the face; offline the grey one.
    const int variant = status == 1 ? 1 : (status == 2 ? 2 : 0);
    ownFace_->setPixmap(imageLists().face16(variant * ImageLists::kFaces + me.face));
    const char* names[] = {"在线", "离线", "离开", "隐身"};
    const QString nick = me.nickname.empty() ? QString("zemra") : fromGbk(me.nickname);
    nameLabel_->setText(QString("<b>%1</b> <span style='color:#667'>(%2)</span>")
                            .arg(nick.toHtmlEscaped(), QString::fromUtf8(names[status & 3])));
    updateTray();
    writeTestState();
}

void MainWindow::showContactPopup(uint8_t face, const std::string& text) {
    auto* popup = new FacePopup(imageLists().face32(face), q(text));
    connect(popup, &QObject::destroyed, this, [this] { popups_ = std::max(0, popups_ - 1); });
    popup->popUp(popups_++);
}

void MainWindow::showDetails(const protocol::UserDetails& details, bool own) {
    if (details_) {
        details_->bringForward();
        return;
    }
    DetailSheetBackend backend;
    backend.submit = [this](const protocol::UserProfile& p, int policy) {
        core_->submitOwnDetails(p, policy);
    };
    backend.message = [this](const QString& text, const QString& caption) {
        QMessageBox::information(details_ ? static_cast<QWidget*>(details_) : this, caption, text);
    };
    backend.savedPassword = fromGbk(core_->password());
    backend.addPolicy = core_->settings().addType;
    details_ = new CModifyDetailDlg(details, own, std::move(backend));
    details_->show();
}

void MainWindow::setTitle(const std::string& title) {
    setWindowTitle(QString::fromStdString(title));
    update();
    writeTestState();
}

void MainWindow::loginPendingChanged(bool pending) {
    // The tray cycles while the server has a login to answer, and only then.
    if (pending) {
        trayFrame_ = 0;
        trayAnimation_.start();
    } else {
        trayAnimation_.stop();
    }
    updateTray();
}

void MainWindow::setIdLabel(const std::string& text) {
    idLabel_->setText(QString::fromStdString(text));
}

// Notices play on the user's chosen speaker; a sound that cannot be played
// is simply not heard.
void MainWindow::playSound(const std::string& file) {
    if (file.empty()) return;
    sound::play(file, false, static_cast<unsigned>(std::max(0, core_->settings().spkDev)));
}

}  // namespace zemra::client::ui
