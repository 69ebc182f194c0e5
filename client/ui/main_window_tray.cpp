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
#include "client/ui/ui_text.h"
#include "platform/text.h"

namespace zemra::client::ui {
namespace {

constexpr int kAwayMenuFirst = 40000;
constexpr int kAwayMenuUsable = 10;

}  // namespace

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
    if (!trayAnimation_.isActive()) {
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
    away->addAction(u("无回复消息"), this, [this] { core_->goAwayWithoutText(); });
    const auto replies = store::LoadReplies(core_->recordStore().userDir() / "autoreply.txt");
    for (std::size_t i = 0; i < replies.size(); ++i) {
        QAction* action = away->addAction(QString::fromStdString(text::toUtf8(replies[i])));
        action->setData(kAwayMenuFirst + static_cast<int>(i));
        // Only the first ten of the list act.
        if (i < kAwayMenuUsable) {
            connect(action, &QAction::triggered, this, [this, i] { core_->goAwayWithReply(i); });
        }
    }
    away->addSeparator();
    away->addAction(u("自定义..."), this, [this] {
        if (requireLogin()) runCommand(1079);
    });
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
    // Queued messages come with the chat windows; until then the window shows.
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
}

// Test-only: with ZEMRA_TEST_STATE set, the window keeps a small text file
// of what it shows, so that a test driving the real program can check it.
void MainWindow::writeTestState() {
    static const QString path = qEnvironmentVariable("ZEMRA_TEST_STATE");
    if (path.isEmpty()) return;
    QFile file(path + ".part");
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
    QTextStream out(&file);
    out << "title=" << windowTitle() << "\n";
    out << "id=" << core_->ownId() << "\n";
    out << "logged_in=" << (core_->loggedIn() ? 1 : 0) << "\n";
    out << "status=" << static_cast<int>(core_->ownStatus()) << "\n";
    out << "tray_available=" << (QSystemTrayIcon::isSystemTrayAvailable() ? 1 : 0) << "\n";
    out << "tray_visible=" << (tray_ && tray_->isVisible() ? 1 : 0) << "\n";
    out << "tray_tip=" << (tray_ ? tray_->toolTip() : QString()) << "\n";
    out << "tray_status=" << (trayAnimation_.isActive() ? -1 : trayStatus_) << "\n";
    const ContactList& list = core_->contacts();
    for (std::size_t g = 0; g < list.groupCount(); ++g) {
        for (const store::Contact* c : list.groups()[g].members) {
            out << "contact=" << c->id << " group=" << g
                << " presence=" << static_cast<int>(c->presence) << "\n";
        }
    }
    file.close();
    QFile::remove(path);
    file.rename(path);
}

}  // namespace zemra::client::ui
