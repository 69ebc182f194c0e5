#include "client/ui/sys_msg_history_dlg.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "client/app/client_core.h"
#include "client/store/message_history.h"
#include "client/ui/auth_dlg.h"
#include "client/ui/ui_text.h"

namespace zemra::client::ui {

SystemMessageRow systemMessageRow(const store::ChatMessage& message) {
    const QDateTime when = QDateTime::fromSecsSinceEpoch(message.time);
    QString text = fromGbk(message.displayedText());
    // One line per row: every line break becomes a space.
    text.replace("\r\n", " ").replace('\r', ' ').replace('\n', ' ');
    return {QString::number(message.peer), when.toString("yyyy-MM-dd"), when.toString("HH:mm:ss"),
            text};
}

CSysMsgHistoryDlg::CSysMsgHistoryDlg(ClientCore& core, QWidget* parent)
    : SkinnedDialog(u("历史事件: ZEMRA服务器消息"), u("历史事件: ZEMRA服务器消息"), parent),
      core_(core) {
    setAttribute(Qt::WA_DeleteOnClose);
    setContentsMargins(FrameGeometry::kLeftEdge + 2, FrameGeometry::kTitleHeight + 2,
                       FrameGeometry::kRightEdge + 2, FrameGeometry::kBottomEdge);
    list_ = new QTreeWidget;
    list_->setObjectName("list");
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setHeaderLabels({u("来自何处"), u("日期"), u("时间"), u("内容")});
    list_->header()->setStretchLastSection(false);  // the columns keep their widths
    int column = 0;
    for (int width : {80, 90, 80, 140}) list_->header()->resizeSection(column++, width);
    connect(list_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { openRow(list_->indexOfTopLevelItem(item)); });

    auto* remove = new QPushButton(u("删除"));
    auto* removeAll = new QPushButton(u("删除全部"));
    auto* close = new QPushButton(u("关闭"));
    remove->setObjectName("delete");
    removeAll->setObjectName("deleteAll");
    close->setObjectName("close");
    connect(remove, &QPushButton::clicked, this, &CSysMsgHistoryDlg::deleteSelected);
    connect(removeAll, &QPushButton::clicked, this, &CSysMsgHistoryDlg::deleteAll);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* bar = new QWidget;
    bar->setFixedHeight(kButtonBarHeight);
    auto* buttons = new QHBoxLayout(bar);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addWidget(remove);
    buttons->addWidget(removeAll);
    buttons->addStretch();
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    layout->addWidget(list_, 1);
    layout->addWidget(bar);
    resize(430, 300);
    fill();
    core_.windows().registerWindow(WindowKind::SystemMessages, 0,
                                   reinterpret_cast<WindowHandle>(this));
}

CSysMsgHistoryDlg::~CSysMsgHistoryDlg() {
    core_.windows().unregisterWindow(reinterpret_cast<WindowHandle>(this));
}

void CSysMsgHistoryDlg::fill() {
    list_->clear();
    shown_.clear();
    std::vector<store::ChatMessage> stored;  // oldest first
    core_.recordStore().LoadMessages(store::kSystemMessagesKey, stored);
    shown_.assign(stored.rbegin(), stored.rend());
    for (const store::ChatMessage& message : shown_) {
        const SystemMessageRow row = systemMessageRow(message);
        new QTreeWidgetItem(list_, {row.from, row.date, row.time, row.text});
    }
}

void CSysMsgHistoryDlg::deleteSelected() {
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    const int row = selected.isEmpty() ? -1 : list_->indexOfTopLevelItem(selected.front());
    if (row < 0 || static_cast<std::size_t>(row) >= shown_.size()) {
        QMessageBox::warning(this, u("错误"), u("请选择一条记录"));
        return;
    }
    if (!store::DeleteShownMessage(core_.recordStore(), store::kSystemMessagesKey,
                                   shown_[static_cast<std::size_t>(row)],
                                   static_cast<uint32_t>(row))) {
        QMessageBox::warning(this, u("错误"), u("这条记录已经不存在了"));
        fill();
        return;
    }
    shown_.erase(shown_.begin() + row);
    delete list_->takeTopLevelItem(row);
}

void CSysMsgHistoryDlg::deleteAll() {
    if (QMessageBox::question(this, u("警告"), u("您将删除所有的系统记录"),
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
        return;
    }
    list_->clear();
    shown_.clear();
    core_.recordStore().DeleteKey(store::kMessageDb, store::kSystemMessagesKey);
}

void CSysMsgHistoryDlg::openRow(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= shown_.size()) return;
    (new CAuthDlg(core_, shown_[static_cast<std::size_t>(row)]))->show();
}

}  // namespace zemra::client::ui
