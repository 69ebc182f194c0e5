// The tray icon, the status menu, the hot key, docking at a screen edge, and
// applying the user's settings to the window.
#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QMoveEvent>
#include <QScreen>
#include <QTextStream>

#include "client/store/replies.h"
#include "client/ui/contact_list_bar.h"
#include "client/ui/global_hot_key.h"
#include "client/ui/image_lists.h"
#include "client/ui/main_window.h"
#include "client/ui/reply_menus.h"
#include "client/ui/ui_text.h"
#include "platform/text.h"

namespace zemra::client::ui {
void MainWindow::applySettings() {
    frame_.setTopmost(core_->settings().isTop != 0);
    const store::COutbarLayout& look = core_->look();
    bar_->setLargeIcons(look.iconMode != 0);
    if (look.backColor != 0 || look.textColor != 0) {
        bar_->setBackgroundColour(QColor(look.backColor & 0xFF, (look.backColor >> 8) & 0xFF,
                                         (look.backColor >> 16) & 0xFF));
        bar_->setTextColour(QColor(look.textColor & 0xFF, (look.textColor >> 8) & 0xFF,
                                   (look.textColor >> 16) & 0xFF));
    }
    applySkin();
    registerHotKey();
    updateTray();
}

void MainWindow::updateTray() {
    if (core_->ownId() == 0) return;
    if (!trayAnimation_.isActive() && !blinkTimer_.isActive()) {
        trayStatus_ = static_cast<int>(core_->ownStatus());
        tray_->setIcon(QIcon(art(QString("art/status%1.png").arg(trayStatus_))));
    }
    tray_->setToolTip(QString("zemra %1").arg(core_->ownId()));
    if (QSystemTrayIcon::isSystemTrayAvailable()) tray_->show();
    writeTestState();
}

void MainWindow::onTrayActivated(QSystemTrayIcon::ActivationReason reason) {
    trayClicks_->setUserSet(core_->ownId() != 0);
    if (core_->ownId() == 0) return;
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            trayClicks_->click();
            break;
        case QSystemTrayIcon::DoubleClick:
            trayClicks_->doubleClick();
            break;
        case QSystemTrayIcon::Context:
            show();
            raise();
            activateWindow();
            buildMainMenu()->popup(QCursor::pos());
            break;
        default:
            break;
    }
}

QMenu* MainWindow::buildStatusMenu() {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const auto icon = [](int status) {
        return QIcon(art(QString("art/status%1.png").arg(status)));
    };
    menu->addAction(icon(0), u("在线"), this, [this] { core_->goOnline(); });
    QMenu* away = menu->addMenu(icon(2), u("离开"));
    const store::CUserOptions& options = core_->options();
    const AwayMenu entries =
        awayMenu(store::LoadReplies(core_->recordStore().userDir() / "autoreply.txt"),
                 options.autoReplyText, options.hasFlag(store::kOptAutoReplyActive));
    for (std::size_t i = 0; i < entries.replies.size(); ++i) {
        const ReplyMenuItem& entry = entries.replies[i];
        QAction* action = away->addAction(fromGbk(entry.label));
        action->setCheckable(true);
        action->setChecked(entry.checked);
        action->setEnabled(entry.enabled);
        connect(action, &QAction::triggered, this, [this, i] { core_->goAwayWithReply(i); });
    }
    away->addSeparator();
    QAction* none = away->addAction(u("无回复消息"), this, [this] { core_->goAwayWithoutText(); });
    none->setCheckable(true);
    none->setChecked(entries.noReplyChecked);
    away->addAction(u("自定义..."), this, [this] { editReplies(); });
    menu->addAction(icon(3), u("隐身"), this, [this] { core_->goInvisible(); });
    menu->addAction(icon(1), u("离线"), this, [this] { core_->goOffline(); });
    return menu;
}

void MainWindow::registerHotKey() {
    hotKey_->unregisterKey();
    const store::UserSettings& settings = core_->settings();
    if (!settings.hot || hotKey_->registerKey(store::hotKeyValue(settings))) return;
    switch (hotKey_->lastFailure()) {
        case GlobalHotKey::Failure::GrabRefused:
            showMessage("热键冲突，注册系统热键失败，请选择另外的热键。", "zemra");
            break;
        case GlobalHotKey::Failure::Unmappable:
            showMessage("这个键不能用作系统热键，请选择另外的热键。", "zemra");
            break;
        default:
            break;  // no X display: there is nothing a user could choose instead
    }
}

void MainWindow::openAction() {
    if (const store::ChatMessage* first = core_->messageQueue().first()) {
        if (first->isSystemMessage()) {
            showSystemMessages();
        } else {
            openMessageView(first->peer);
        }
        return;
    }
    if (docker_->slideIn()) return;
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::restoreFromSecondStart() {
    if (windowTitle() != "zemra") return;
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::minimiseToTray() {
    // Shrinks towards the tray, then hides.
    const QRect from = geometry();
    const QRect area = screen() ? screen()->availableGeometry() : QRect(0, 0, 800, 600);
    const QRect to(area.right() - 40, area.bottom() - 20, 40, 20);
    for (int step = 1; step <= 6; ++step) {
        const QPoint tl = from.topLeft() + (to.topLeft() - from.topLeft()) * step / 6;
        move(tl);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 15);
    }
    hide();
    move(from.topLeft());
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (isVisible() && screen()) docker_->windowMoved();
    followWithRemoteVideo();
}

}  // namespace zemra::client::ui
