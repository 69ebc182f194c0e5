#include "client/ui/reply_list_dlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "client/store/replies.h"
#include "client/ui/ui_text.h"

namespace zemra::client::ui {
namespace {

// An entry as it may be stored: one line, no outer blanks, at most 50
// characters (a hand-edited file can hold longer lines). Empty means none.
QString storableEntry(QString text) {
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));
    return text.trimmed().left(CReplyListDlg::kMaxEntryChars).trimmed();
}

}  // namespace

CReplyListDlg::CReplyListDlg(std::filesystem::path userDir, QWidget* parent)
    : SkinnedDialog(u("回复设置"), u("回复设置"), parent), userDir_(std::move(userDir)) {
    panes_[kQuick].fileName = store::kQuickReplyFileName;
    panes_[kAway].fileName = store::kAutoReplyFileName;

    auto* lists = new QHBoxLayout;
    lists->addWidget(buildPane(panes_[kQuick], "设置常用聊天内容(50字以内)"));
    lists->addWidget(buildPane(panes_[kAway], "设置留言内容(50字以内)"));

    ok_ = new QPushButton(u("确定"));
    cancel_ = new QPushButton(u("取消"));
    // Without a default button, Enter in an edit line adds its text instead
    // of closing the dialog.
    ok_->setAutoDefault(false);
    cancel_->setAutoDefault(false);
    connect(ok_, &QPushButton::clicked, this, [this] {
        save();
        accept();
    });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(ok_);
    bottom->addWidget(cancel_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(bottom);
    setFixedSize(620, 400);
}

int CReplyListDlg::run() {
    return exec();
}

QWidget* CReplyListDlg::buildPane(Pane& pane, const char* title) {
    auto* box = new QWidget;
    pane.list = new QListWidget;
    for (const std::string& entry : store::LoadReplies(userDir_ / pane.fileName)) {
        const QString text = storableEntry(fromGbk(entry));
        if (!text.isEmpty()) pane.list->addItem(text);
    }
    pane.edit = new QLineEdit;
    pane.edit->setMaxLength(kMaxEntryChars);
    connect(pane.list, &QListWidget::currentRowChanged, this, [&pane](int row) {
        if (row >= 0) pane.edit->setText(pane.list->item(row)->text());
    });
    connect(pane.edit, &QLineEdit::returnPressed, this, [this, &pane] { add(pane); });

    static constexpr std::array<const char*, 5> kCaptions = {"添加", "修改", "删除", "上移",
                                                             "下移"};
    auto* buttons = new QHBoxLayout;
    for (std::size_t i = 0; i < kCaptions.size(); ++i) {
        pane.buttons[i] = new QPushButton(u(kCaptions[i]));
        pane.buttons[i]->setAutoDefault(false);
        buttons->addWidget(pane.buttons[i]);
    }
    connect(pane.buttons[kAdd], &QPushButton::clicked, this, [this, &pane] { add(pane); });
    connect(pane.buttons[kChange], &QPushButton::clicked, this, [this, &pane] { change(pane); });
    connect(pane.buttons[kDelete], &QPushButton::clicked, this, [this, &pane] { remove(pane); });
    connect(pane.buttons[kUp], &QPushButton::clicked, this, [this, &pane] { move(pane, -1); });
    connect(pane.buttons[kDown], &QPushButton::clicked, this, [this, &pane] { move(pane, 1); });

    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(u(title)));
    layout->addWidget(pane.list, 1);
    layout->addWidget(pane.edit);
    layout->addLayout(buttons);
    return box;
}

void CReplyListDlg::add(Pane& pane) {
    const QString text = storableEntry(pane.edit->text());
    if (text.isEmpty()) return;
    pane.list->addItem(text);
    pane.list->setCurrentRow(pane.list->count() - 1);
}

void CReplyListDlg::change(Pane& pane) {
    QListWidgetItem* item = pane.list->currentItem();
    const QString text = storableEntry(pane.edit->text());
    if (!item || text.isEmpty()) return;
    item->setText(text);
}

void CReplyListDlg::remove(Pane& pane) {
    const int row = pane.list->currentRow();
    if (row < 0) return;
    delete pane.list->takeItem(row);
}

void CReplyListDlg::move(Pane& pane, int by) {
    const int row = pane.list->currentRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= pane.list->count()) return;
    pane.list->insertItem(to, pane.list->takeItem(row));
    pane.list->setCurrentRow(to);
}

void CReplyListDlg::save() {
    for (const Pane& pane : panes_) {
        std::vector<std::string> entries;
        // Every way into a list already made its entries storable.
        for (int row = 0; row < pane.list->count(); ++row) {
            entries.push_back(gbk(pane.list->item(row)->text()));
        }
        store::SaveReplies(userDir_ / pane.fileName, entries);
    }
}

}  // namespace zemra::client::ui
