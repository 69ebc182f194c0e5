#include "client/ui/call_list_dlg.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "client/ui/ui_text.h"

namespace zemra::client::ui {
namespace {

constexpr std::array<const char*, 4> kHeaders = {"   ID   ", "  名  称  ", " 呼叫时间 ",
                                                 " 呼叫类别 "};

// Draws each cell with a line on its right and bottom edge, so the list
// reads as a table.
class GridLineDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(QColor(0xc8, 0xc8, 0xc8));
        const QRect r = option.rect;
        painter->drawLine(r.topRight(), r.bottomRight());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->restore();
    }
};

QPushButton* button(const char* text, const char* name) {
    auto* b = new QPushButton(u(text));
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

std::tm dayOf(const QDate& date) {
    std::tm day{};
    day.tm_year = date.year() - 1900;
    day.tm_mon = date.month() - 1;
    day.tm_mday = date.day();
    return day;
}

}  // namespace

CCallListDlg::CCallListDlg(std::filesystem::path callListDir, uint32_t ownId,
                           CallListActions actions, QWidget* parent)
    : SkinnedDialog(u("呼叫记录"), u("呼叫记录"), parent),
      callListDir_(std::move(callListDir)),
      ownId_(ownId),
      actions_(std::move(actions)),
      tell_([this](const QString& text) { QMessageBox::information(this, "zemra", text); }) {
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setContentsMargins(FrameGeometry::kLeftEdge + 2, FrameGeometry::kTitleHeight + 2,
                       FrameGeometry::kRightEdge + 2, FrameGeometry::kBottomEdge + 2);
    buildControls();
    resize(520, 420);
}

void CCallListDlg::buildControls() {
    date_ = new QDateEdit(QDate::currentDate());
    date_->setObjectName("date");
    date_->setCalendarPopup(true);
    date_->setDisplayFormat("yyyy-MM-dd");
    auto* queryButton = button("开始查询", "query");
    connect(queryButton, &QPushButton::clicked, this, &CCallListDlg::query);
    auto* top = new QHBoxLayout;
    top->addWidget(date_);
    top->addWidget(queryButton);
    top->addStretch();

    auto* filterGrid = new QGridLayout;
    for (uint32_t kind = 0; kind < store::kCallKindCount; ++kind) {
        auto* check = new QCheckBox(QString::fromUtf8(store::callKindFilterCaption(kind)));
        check->setObjectName(QString("filter%1").arg(kind));
        filters_[kind] = check;
        filterGrid->addWidget(check, static_cast<int>(kind / 3), static_cast<int>(kind % 3));
    }

    list_ = new QTreeWidget;
    list_->setObjectName("list");
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setAllColumnsShowFocus(true);
    list_->setItemDelegate(new GridLineDelegate(list_));
    QStringList headers;
    for (const char* h : kHeaders) headers << u(h);
    list_->setHeaderLabels(headers);
    const QFontMetrics metrics = list_->header()->fontMetrics();
    for (int column = 0; column < headers.size(); ++column) {
        list_->setColumnWidth(column, metrics.horizontalAdvance(headers[column]) + 20);
    }

    const std::pair<const char*, const char*> buttons[] = {{"呼叫", "call"},
                                                           {"文字聊天", "chat"},
                                                           {"查看资料", "details"},
                                                           {"加为好友", "addFriend"},
                                                           {"不受欢迎", "blackList"}};
    const CallListAction actions[] = {CallListAction::Call, CallListAction::Chat,
                                      CallListAction::Details, CallListAction::AddFriend,
                                      CallListAction::BlackList};
    auto* actionRow = new QHBoxLayout;
    for (std::size_t i = 0; i < std::size(actions); ++i) {
        auto* b = button(buttons[i].first, buttons[i].second);
        connect(b, &QPushButton::clicked, this, [this, action = actions[i]] { run(action); });
        actionRow->addWidget(b);
    }

    auto* root = new QVBoxLayout(this);
    root->addLayout(top);
    root->addLayout(filterGrid);
    root->addWidget(list_, 1);
    root->addLayout(actionRow);
}

void CCallListDlg::query() {
    list_->clear();
    rows_.clear();
    std::set<uint32_t> ticked;
    for (uint32_t kind = 0; kind < store::kCallKindCount; ++kind) {
        if (filters_[kind]->isChecked()) ticked.insert(kind);
    }
    rows_ = queryCallList(callListFile(callListDir_, dayOf(date_->date()), ownId_), ticked);
    if (rows_.empty()) {
        tell_(u("对不起,没有满足条件的数据存在!"));
        return;
    }
    for (const CallListRow& row : rows_) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(0, QString::number(row.id));
        item->setText(1, fromGbk(row.name));
        item->setText(2, QString::fromStdString(row.time));
        item->setText(3, QString::fromStdString(row.kindLabel));
    }
    QTreeWidgetItem* first = list_->topLevelItem(0);
    list_->setCurrentItem(first);
    list_->scrollToItem(first);
    list_->setFocus();
}

const std::function<void(uint32_t, const std::string&)>& CCallListDlg::actionFor(
    CallListAction action) const {
    switch (action) {
        case CallListAction::Call:
            return actions_.call;
        case CallListAction::Chat:
            return actions_.chat;
        case CallListAction::Details:
            return actions_.details;
        case CallListAction::AddFriend:
            return actions_.addFriend;
        case CallListAction::BlackList:
            break;
    }
    return actions_.blackList;
}

const CallListRow* CCallListDlg::selectedRow() const {
    const auto selected = list_->selectedItems();
    if (selected.isEmpty()) return nullptr;
    const int row = list_->indexOfTopLevelItem(selected.front());
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return nullptr;
    return &rows_[static_cast<std::size_t>(row)];
}

void CCallListDlg::run(CallListAction action) {
    const CallListRow* row = selectedRow();
    CallListContext context;
    if (row) context.selected = row->id;
    context.ownId = ownId_;
    context.inCall = actions_.inCall && actions_.inCall();
    context.isFriend = actions_.isFriend;
    if (const auto refusal = callListRefusal(action, context)) {
        tell_(QString::fromStdString(*refusal));
        return;
    }
    // Copies: the action may pump events in which this window goes.
    const uint32_t id = row->id;
    const std::string name = row->name;
    const std::function<void(uint32_t, const std::string&)> act = actionFor(action);
    const QPointer<CCallListDlg> alive(this);
    if (act) act(id, name);
    if (action == CallListAction::Call && alive) close();
}

}  // namespace zemra::client::ui
