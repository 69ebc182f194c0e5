#include "client/ui/msg_manager_find_dlg.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "client/ui/ui_text.h"

namespace zemra::client::ui {
namespace {

QString oneLine(const std::string& gbkText) {
    QString text = fromGbk(gbkText);
    text.replace("\r\n", " ").replace('\r', ' ').replace('\n', ' ');
    return text;
}

}  // namespace

CMsgFindDlg::CMsgFindDlg(store::RecordStore& store, const MsgNames& names, QWidget* parent)
    : QDialog(parent), store_(store) {
    setWindowTitle(u("查找"));
    setAttribute(Qt::WA_DeleteOnClose);
    std::vector<uint32_t> keys;
    store_.ListPartners(keys);
    entries_ = findEntries(names, keys);

    partners_ = new QComboBox;
    partners_->setObjectName("partner");
    for (const FindEntry& entry : entries_) {
        partners_->addItem(fromGbk(entry.text), QVariant::fromValue(entry.key));
    }
    if (!entries_.empty()) partners_->setCurrentIndex(0);

    auto* scopes = new QGroupBox;
    auto* scopeLayout = new QVBoxLayout(scopes);
    auto* messages = new QRadioButton(u("查找聊天记录"));
    messages->setChecked(true);
    auto* details = new QRadioButton(u("查找某好友资料"));
    auto* notes = new QRadioButton(u("查找某好友的备注"));
    details->setEnabled(false);
    notes->setEnabled(false);
    for (QRadioButton* scope : {messages, details, notes}) scopeLayout->addWidget(scope);

    needle_ = new QLineEdit;
    needle_->setObjectName("text");
    auto* start = new QPushButton(u("开始查找"));
    start->setObjectName("start");
    start->setDefault(true);
    connect(start, &QPushButton::clicked, this, &CMsgFindDlg::startFind);
    auto* close = new QPushButton(u("关闭"));
    close->setObjectName("close");
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    results_ = new QTableWidget(0, 2);
    results_->setObjectName("results");
    results_->setHorizontalHeaderLabels({u("位置"), u("内容")});
    results_->setSelectionBehavior(QAbstractItemView::SelectRows);
    results_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    results_->setShowGrid(true);
    results_->verticalHeader()->hide();
    results_->horizontalHeader()->resizeSection(0, 100);
    results_->horizontalHeader()->resizeSection(1, 300);

    auto* form = new QFormLayout;
    form->addRow(u("好友:"), partners_);
    form->addRow(u("内容:"), needle_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(start);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scopes);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(results_, 1);
    resize(440, 420);
}

void CMsgFindDlg::startFind() {
    results_->setRowCount(0);
    const int chosen = partners_->currentIndex();
    if (chosen < 0) return;
    // Text GBK cannot carry is in no stored message.
    const std::optional<std::string> wanted = text::utf8ToGbk(needle_->text().toStdString());
    if (!wanted) return;
    const std::vector<FindHit> hits =
        findMessages(store_, entries_, static_cast<std::size_t>(chosen), *wanted);
    results_->setRowCount(static_cast<int>(hits.size()));
    for (std::size_t i = 0; i < hits.size(); ++i) {
        const int row = static_cast<int>(i);
        results_->setItem(row, 0, new QTableWidgetItem(fromGbk(hits[i].where)));
        results_->setItem(row, 1, new QTableWidgetItem(oneLine(hits[i].text)));
    }
}

}  // namespace zemra::client::ui
