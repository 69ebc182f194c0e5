// Test-only: with ZEMRA_TEST_STATE set, the program keeps a small text file
// of what it shows, so that a test driving the real program can check it and
// find what to click: the own state, the contact list with where each shown
// contact sits, the unread queue, and every open window with its named
// controls.
#include <QApplication>
#include <QFile>
#include <QTextStream>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QWidget>

#include "client/ui/contact_list_bar.h"
#include "client/ui/main_window.h"
#include "client/ui/remote_video_dlg.h"
#include "client/ui/video_surface.h"

namespace zemra::client::ui {
namespace {

void writeGeometry(QTextStream& out, const QWidget* w) {
    const QPoint at = w->mapToGlobal(QPoint(0, 0));
    out << at.x() << ' ' << at.y() << ' ' << w->width() << ' ' << w->height() << "\n";
}

// The shown rows of a list, children of open branches included, in display
// order: "row=WINDOW|LIST INDEX X Y W H FIRST-COLUMN-TEXT".
void writeRows(QTextStream& out, const QString& name, const QTreeWidget& tree) {
    int index = 0;
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(&tree)); *it; ++it, ++index) {
        const QTreeWidgetItem* item = *it;
        const QRect r = tree.visualItemRect(item);
        if (r.isEmpty()) continue;
        const QPoint at = tree.viewport()->mapToGlobal(r.topLeft());
        out << "row=" << name << ' ' << index << ' ' << at.x() << ' ' << at.y() << ' ' << r.width()
            << ' ' << r.height() << ' ' << item->text(0).trimmed() << "\n";
    }
}

}  // namespace

const QString& MainWindow::testStatePath() {
    static const QString path = qEnvironmentVariable("ZEMRA_TEST_STATE");
    return path;
}

void MainWindow::writeTestState() {
    const QString& path = testStatePath();
    if (path.isEmpty()) return;
    QFile file(path + ".part");
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
    QTextStream out(&file);
    out << "title=" << windowTitle() << "\n";
    out << "pid=" << QCoreApplication::applicationPid() << "\n";
    out << "id=" << core_->ownId() << "\n";
    out << "logged_in=" << (core_->loggedIn() ? 1 : 0) << "\n";
    out << "status=" << static_cast<int>(core_->ownStatus()) << "\n";
    out << "tray_available=" << (QSystemTrayIcon::isSystemTrayAvailable() ? 1 : 0) << "\n";
    out << "tray_visible=" << (tray_ && tray_->isVisible() ? 1 : 0) << "\n";
    out << "tray_tip=" << (tray_ ? tray_->toolTip() : QString()) << "\n";
    out << "tray_status="
        << (trayAnimation_.isActive() || blinkTimer_.isActive() ? -1 : trayStatus_) << "\n";
    out << "queue=" << core_->messageQueue().size() << "\n";
    out << "on_top=" << (windowFlags().testFlag(Qt::WindowStaysOnTopHint) ? 1 : 0) << "\n";
    out << "blinking=" << (blinkTimer_.isActive() ? 1 : 0) << "\n";
    const CallSignalling& calls = core_->calls();
    out << "call="
        << (calls.inCall()            ? "connected"
            : calls.incomingRinging() ? "ringing"
            : calls.outgoingRinging() ? "dialling"
            : calls.accepted()        ? "accepted"
                                      : "idle")
        << "\n";
    out << "partner=" << calls.partnerId() << "\n";
    out << "probing=" << (core_->probes().probing() ? 1 : 0) << "\n";
    out << "preview_pictures=" << preview_->pictures() << "\n";
    out << "remote_pictures=" << (remote_ ? remote_->surface()->pictures() : 0) << "\n";
    const ContactList& list = core_->contacts();
    for (std::size_t g = 0; g < list.groupCount(); ++g) {
        for (const store::Contact* c : list.groups()[g].members) {
            out << "contact=" << c->id << " group=" << g
                << " presence=" << static_cast<int>(c->presence) << "\n";
        }
    }
    const ContactBarModel& bar = bar_->model();
    for (int row = bar.firstVisibleRow(); row < bar.itemCount(bar.openGroup()); ++row) {
        const QRect r = bar.iconRect(row);
        if (!bar.itemArea().contains(r.center())) break;
        const QPoint at = bar_->mapToGlobal(r.topLeft());
        out << "item=" << bar_->item(row)->id << ' ' << at.x() << ' ' << at.y() << ' ' << r.width()
            << ' ' << r.height() << "\n";
    }
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || window->windowTitle().isEmpty()) continue;
        out << "window=" << window->windowTitle() << "\n";
        for (const QWidget* child : window->findChildren<QWidget*>()) {
            if (child->objectName().isEmpty() || !child->isVisible()) continue;
            out << "widget=" << window->windowTitle() << '|' << child->objectName() << ' ';
            writeGeometry(out, child);
            if (const auto* tree = qobject_cast<const QTreeWidget*>(child)) {
                writeRows(out, window->windowTitle() + '|' + child->objectName(), *tree);
            }
        }
    }
    file.close();
    QFile::remove(path);
    file.rename(path);
}

}  // namespace zemra::client::ui
