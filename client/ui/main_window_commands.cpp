// The main window's commands: picture buttons, menus and the contact list.
#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

#include "client/ui/chat_dlg.h"
#include "client/ui/contact_list_bar.h"
#include "client/ui/delete_friend_dlg.h"
#include "client/ui/file_transfer_dlg.h"
#include "client/ui/image_button.h"
#include "client/ui/image_lists.h"
#include "client/ui/main_window.h"
#include "client/ui/msg_manager_frame.h"
#include "client/ui/skin.h"
#include "client/ui/sys_option_dlg.h"
#include "client/ui/ui_text.h"
#include "client/ui/window_message_bridge.h"
#include "platform/text.h"

namespace zemra::client::ui {
namespace {

constexpr const char* kNewsPage = "http://127.0.0.1/zemra/news.html";
constexpr const char* kDownloadSite = "http://127.0.0.1/zemra";

QColor fromColorRef(uint32_t ref) {
    return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF);
}

uint32_t toColorRef(const QColor& c) {
    return uint32_t(c.red()) | (uint32_t(c.green()) << 8) | (uint32_t(c.blue()) << 16);
}

}  // namespace

bool MainWindow::requireLogin(bool ownDetails) {
    const auto refusal =
        loginRefusal(ownDetails ? control::kMyDetails : control::kMainMenu, core_->loggedIn());
    if (refusal) showMessage(*refusal, "zemra");
    return !refusal;
}

// Commands whose windows are not part of this program yet do nothing more
// than their preconditions.
void MainWindow::showLater(const char*) {}

void MainWindow::runCommand(int control) {
    if (control >= control::kFirstDialKey && control <= control::kLastDialKey) {
        number_->setText(QString::fromStdString(NumberField::pressKey(
            number_->text().toStdString(), control, core_->calls().inCall())));
        return;
    }
    if (const auto refusal = loginRefusal(control, core_->loggedIn())) {
        showMessage(*refusal, "zemra");
        return;
    }
    switch (control) {
        case 1000:
            buildMainMenu()->popup(button(1000)->mapToGlobal(QPoint(0, button(1000)->height())));
            return;
        case 1055:
            close();
            return;
        case 1099:
            core_->requestDetails(core_->ownId(), true);
            return;
        case 1102:
            QDesktopServices::openUrl(QUrl(kNewsPage));
            return;
        case 1108:
            number_->setText(
                QString::fromStdString(NumberField::clearLast(number_->text().toStdString())));
            return;
        case 1113:
        case 1135:
            expanded_ = !expanded_;
            textPane_->setVisible(expanded_);
            setFixedHeight(expanded_ ? kExpandedHeight : kCollapsedHeight);
            return;
        case 1115:
            minimiseToTray();
            return;
        case 1134:
            dialPad_->setVisible(!dialPad_->isVisible());
            setFixedWidth(dialPad_->isVisible() ? kWidth : kWidth - dialPad_->width() - 6);
            return;
        case 1143: {
            // The conference program lives beside the program's folder.
            CImageButton* b = button(1143);
            b->setEnabled(false);
            const QDir programDir(QCoreApplication::applicationDirPath());
            const QString path = QFileInfo(programDir.absolutePath()).dir().filePath("kelmo/kelmo");
            if (QFileInfo::exists(path)) {
                // The conference program needs the camera and the sound card.
                inConference_ = true;
                core_->calls().setInConference(true);
                releaseMediaDevices();
                // Its end is the message that gives the devices back.
                auto* conference = new QProcess(this);
                connect(conference, &QProcess::finished, this, [this, conference] {
                    conference->deleteLater();
                    WindowMessageBridge::deliver(levelsHandle_, kWmUser + 3001, 0, 0);
                });
                connect(conference, &QProcess::errorOccurred, this,
                        [this, conference](QProcess::ProcessError error) {
                            if (error != QProcess::FailedToStart) return;
                            conference->deleteLater();
                            WindowMessageBridge::deliver(levelsHandle_, kWmUser + 3001, 0, 0);
                        });
                conference->start(
                    path, {QString("-id:%1").arg(core_->ownId()),
                           "-pw:" + QString::fromStdString(text::toUtf8(core_->password()))});
                return;
            }
            showMessage(
                std::string("您还没有安装会议模块，\r\n请到") + kDownloadSite + "中下载会议模块。",
                "zemra");
            b->setEnabled(true);
            return;
        }
        case 1034:
            openSearch();
            return;
        case 1002:
            showSystemMessages();
            return;
        case 1085:
            QMessageBox::about(this, u("关于ZEMRA"),
                               u("<b>ZEMRA</b> 可视电话 10009<br>即时消息、语音与视频通话。"));
            return;
        case control::kOptions:
            openOptions(CSysOptionDlg::kGeneral);
            return;
        case control::kMessageManager:
            CMsgManagerFrame::open(*core_, std::nullopt, this);
            return;
        case 1064:  // file transfer, to the contact chosen last
            if (const store::Contact* c = core_->contacts().findContact(selectedContact_)) {
                CFileTransferDlg::offer(*core_, c->id, c->nickname, this);
            } else {
                showMessage("请先在好友列表中选择要发送文件的用户", "zemra");
            }
            return;
        default:
            runCallCommand(control);
            return;
    }
}

QMenu* MainWindow::buildMainMenu() {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const bool top = core_->settings().isTop != 0;
    for (const MainMenuEntry entry : mainMenuEntries(core_->ownId(), top)) {
        switch (entry) {
            case MainMenuEntry::MessageManager:
                menu->addAction(u("消息管理器"), this, [this] { runCommand(1114); });
                break;
            case MainMenuEntry::Broadcast:
                menu->addAction(u("系统广播"), this, [this] { showLater("broadcast"); });
                break;
            case MainMenuEntry::StayOnTop:
            case MainMenuEntry::NotOnTop:
                menu->addAction(top ? u("取消窗口最前") : u("窗口在最前"), this, [this, top] {
                    core_->settings().isTop = top ? 0 : 1;
                    core_->saveSettings();
                    frame_.setTopmost(!top);
                });
                break;
            case MainMenuEntry::MyDetails:
                menu->addAction(u("个人设定"), this, [this] { runCommand(1099); });
                break;
            case MainMenuEntry::Options:
                menu->addAction(u("系统参数"), this, [this] { runCommand(1079); });
                menu->addSeparator();
                break;
            case MainMenuEntry::About:
                menu->addAction(u("关于ZEMRA"), this, [this] { runCommand(1085); });
                break;
            case MainMenuEntry::Exit:
                menu->addAction(u("退出"), this, [this] { close(); });
                break;
        }
    }
    return menu;
}

// --- the contact list ---

void MainWindow::onContactDoubleClicked(uint32_t id) {
    const store::Contact* contact = core_->contacts().findContact(id);
    if (!contact) return;
    const store::ChatMessage* queued = core_->messageQueue().oldestFrom(id);
    switch (openContactAction(contact->category,
                              queued ? std::optional<uint8_t>(queued->kind) : std::nullopt)) {
        case OpenContactAction::DiscardQueued:
            core_->messageQueue().takeQueued(id);
            return;
        case OpenContactAction::ShowDetails:
            if (requireLogin()) core_->requestDetails(id, false);
            return;
        case OpenContactAction::Chat:
            selectedContact_ = id;
            talkTo(id);
            return;
    }
}

void MainWindow::showContactMenu(uint32_t id, const QPoint& pos) {
    if (const auto refusal = menuLoginRefusal(core_->loggedIn())) {
        showMessage(*refusal, "zemra");
        return;
    }
    const store::Contact* contact = core_->contacts().findContact(id);
    if (!contact) return;
    selectedContact_ = id;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const bool offline = core_->ownStatus() == OwnStatus::Offline;
    // The homepage is the contact's own text: only web pages are opened.
    const QUrl homepage = QUrl::fromUserInput(fromGbk(contact->homepage));
    for (const ContactMenuItem& item :
         contactMenuEntries(contact->category, offline, core_->calls().inCall())) {
        QAction* action = nullptr;
        switch (item.entry) {
            case ContactMenuEntry::Chat:
                action = menu->addAction(u("收发讯息"), this, [this, id] { talkTo(id); });
                break;
            case ContactMenuEntry::Call:
                action = menu->addAction(u("可视电话"), this, [this, id] {
                    const store::Contact* c = core_->contacts().findContact(id);
                    core_->calls().callContact(id, c ? c->nickname : std::string());
                });
                break;
            case ContactMenuEntry::SendFile:
                action = menu->addAction(u("发送文件"), this, [this, id] {
                    if (const store::Contact* c = core_->contacts().findContact(id)) {
                        CFileTransferDlg::offer(*core_, id, c->nickname, this);
                    }
                });
                break;
            case ContactMenuEntry::Homepage:
                action = menu->addAction(u("个人主页"), this, [homepage] {
                    if (homepage.scheme() == "http" || homepage.scheme() == "https") {
                        QDesktopServices::openUrl(homepage);
                    }
                });
                break;
            case ContactMenuEntry::History:
                action = menu->addAction(u("聊天记录"), this,
                                         [this, id] { CMsgManagerFrame::open(*core_, id, this); });
                break;
            case ContactMenuEntry::Details:
                action = menu->addAction(u("查看资料"), this,
                                         [this, id] { core_->requestDetails(id, false); });
                break;
        }
        action->setEnabled(item.enabled);
    }
    menu->popup(pos);
}

void MainWindow::onListRightClicked(int kind, int group, uint32_t id, const QPoint& pos) {
    if (const auto refusal = menuLoginRefusal(core_->loggedIn())) {
        showMessage(*refusal, "zemra");
        return;
    }
    ListTarget target;
    if (kind == static_cast<int>(HitKind::Header)) {
        target = {ListTarget::Kind::Group, group, 0};
    } else if (kind == static_cast<int>(HitKind::Item) && id != 0) {
        target = {ListTarget::Kind::Contact, -1, id};
    }
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const bool large = bar_->model().largeIcons();
    menu->addAction(large ? u("小图标") : u("大图标"), this, [this, large] {
        core_->look().iconMode = large ? 0 : 1;
        bar_->setLargeIcons(!large);
        core_->saveLayout();
    });
    menu->addAction(u("添加组"))->setEnabled(false);
    menu->addAction(u("文字颜色"), this, [this] {
        const QColor c = QColorDialog::getColor(fromColorRef(core_->look().textColor), this);
        if (!c.isValid()) return;
        core_->look().textColor = toColorRef(c);
        bar_->setTextColour(c);
        core_->saveLayout();
    });
    menu->addAction(u("背景颜色"), this, [this] {
        const QColor c = QColorDialog::getColor(fromColorRef(core_->look().backColor), this);
        if (!c.isValid()) return;
        core_->look().backColor = toColorRef(c);
        bar_->setBackgroundColour(c);
        core_->saveLayout();
    });
    const bool onlineOnly = core_->options().hasFlag(store::kOptShowOnlineOnly);
    menu->addAction(onlineOnly ? u("显示全部用户") : u("只显示在线用户"), this, [this, onlineOnly] {
        core_->options().setFlag(store::kOptShowOnlineOnly, !onlineOnly);
        core_->recordStore().putOptions(core_->options());
        contactsChanged();
    });
    auto* skins = menu->addAction(u("皮肤..."));
    connect(skins, &QAction::triggered, this, [this, pos] { showSkinMenu(pos); });
    if (target.canRenameOrRemove()) {
        menu->addSeparator();
        menu->addAction(u("改名"), this, [this, target] {
            if (target.kind == ListTarget::Kind::Group) {
                bar_->editGroupName(target.group);
            } else {
                bar_->editContactLabel(target.contactId);
            }
        });
        menu->addAction(u("从改组中删除"), this, [this, target] { removeFromList(target); });
    }
    menu->popup(pos);
}

void MainWindow::removeFromList(const ListTarget& target) {
    if (target.kind == ListTarget::Kind::Group) {
        if (const auto kept = core_->deleteEmptyGroup(static_cast<std::size_t>(target.group))) {
            showMessage(groupKeptMessage(*kept), "zemra");
        }
        return;
    }
    const uint32_t id = target.contactId;
    const store::Contact* contact = core_->contacts().findContact(id);
    if (!contact) return;
    if (contact->category == ContactCategory::Stranger) {
        core_->removeStranger(id);
        return;
    }
    if (!askYesNo("您确认把" + std::to_string(id) + "从好友名单中删除吗？", "zemra")) return;
    if (runDeleteWindow(id)) core_->completeRemoval(id, std::nullopt);
}

bool MainWindow::runDeleteWindow(uint32_t id) {
    const store::Contact* contact = core_->contacts().findContact(id);
    if (!contact) return false;
    CDeleteFriendDlg dialog(
        contact->face,
        [this, id](WindowHandle handle) {
            core_->setDeleteContactWindow(handle);
            core_->requestServerRemoval(id);
        },
        [this] { core_->setDeleteContactWindow(0); }, this);
    return dialog.run();
}

void MainWindow::onContactDropped(uint32_t id, int targetGroup) {
    if (targetGroup < 0) return;
    const auto target = static_cast<std::size_t>(targetGroup);
    switch (core_->planMove(id, target)) {
        case ClientCore::MoveKind::Local:
            core_->moveLocally(id, target);
            break;
        case ClientCore::MoveKind::ViaServer:
            if (runDeleteWindow(id)) core_->completeRemoval(id, target);
            break;
        case ClientCore::MoveKind::None:
            break;
    }
}

// --- skins ---

void MainWindow::showSkinMenu(const QPoint& pos) {
    if (!requireLogin()) return;
    const QString skinsDir = QDir(dataDir()).filePath("skins");
    const QString current = QString::fromStdString(core_->options().skin);
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const SkinMenuEntry& entry : skinMenuEntries(skinsDir, current)) {
        QAction* action = menu->addAction(entry.text);
        action->setCheckable(true);
        action->setChecked(entry.checked);
        connect(action, &QAction::triggered, this, [this, entry] {
            if (entry.folder.isEmpty()) {
                core_->options().skin.clear();
                bar_->setSkin(std::nullopt);
            } else if (auto skin = Skin::load(entry.folder)) {
                bar_->setSkin(std::move(skin));
                core_->options().skin = entry.text.toStdString();
            }
            core_->recordStore().putOptions(core_->options());
            bar_->update();
        });
    }
    menu->popup(pos);
}

void MainWindow::applySkin() {
    const std::string& name = core_->options().skin;
    if (name.empty()) {
        bar_->setSkin(std::nullopt);
        return;
    }
    // A skin that does not load leaves the look as it is.
    if (auto skin = Skin::load(QDir(dataDir()).filePath("skins/" + QString::fromStdString(name)))) {
        bar_->setSkin(std::move(skin));
    }
}

}  // namespace zemra::client::ui
