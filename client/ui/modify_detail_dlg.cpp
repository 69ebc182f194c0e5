#include "client/ui/modify_detail_dlg.h"
#include "client/ui/ui_text.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "client/ui/detail_pages.h"
#include "client/ui/detail_sheet_rules.h"
#include "platform/text.h"

namespace zemra::client::ui {
namespace {

QString q(const std::string& gbk) {
    return QString::fromStdString(text::toUtf8(gbk));
}

}  // namespace

CModifyDetailDlg::CModifyDetailDlg(const protocol::UserDetails& details, bool own,
                                   DetailSheetBackend backend, QWidget* parent)
    : SkinnedDialog(u("修改用户资料"), u("修改用户资料"), parent, true),
      own_(own),
      userId_(details.userId),
      backend_(std::move(backend)) {
    setAttribute(Qt::WA_DeleteOnClose);
    frame().setTopmost(true);
    tabs_ = new QTabWidget;
    basic_ = new CDetailBasicDlg;
    comm_ = new CDetailCommDlg;
    misc_ = new CDetailMiscDlg;
    tabs_->addTab(basic_, u("基本资料"));
    tabs_->addTab(comm_, u("联系方法"));
    tabs_->addTab(misc_, u("详细资料"));
    if (own_) {
        auth_ = new CDetailAuthDlg;
        tabs_->addTab(auth_, u("网络安全"));
        auth_->policy->button(std::clamp(backend_.addPolicy, 0, 2))->setChecked(true);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    std::vector<DetailPage*> pages = {basic_, comm_, misc_};
    if (auth_) pages.push_back(auth_);
    for (DetailPage* page : pages) {
        connect(page->modifyButton(), &QPushButton::clicked, this, [this] { modify(); });
        connect(page->closeButton(), &QPushButton::clicked, this, &QDialog::close);
        connect(page->callButton(), &QPushButton::clicked, this, [this] {
            if (backend_.call) backend_.call(userId_);
        });
        // The own details are not called; others' details can be called.
        page->callButton()->setVisible(!own_);
    }
    fill(details);
    if (!own_) makeReadOnly();
    resize(380, 420);
}

int CModifyDetailDlg::pageCount() const {
    return tabs_->count();
}

void CModifyDetailDlg::fill(const protocol::UserDetails& d) {
    basic_->face->setCurrentIndex(std::min<int>(d.face, 84));
    basic_->number->setText(QString::number(d.userId));
    basic_->nickname->setText(q(d.nickname));
    basic_->country->setEditText(q(d.country));
    basic_->age->setText(QString::number(d.age));
    basic_->gender->setCurrentIndex(d.gender < 2 ? d.gender : 0);
    basic_->province->setEditText(q(d.province));
    basic_->city->setText(q(d.city));
    comm_->email->setText(q(d.email));
    comm_->phone->setText(q(d.phone));
    misc_->homepage->setText(q(d.homePage));
    misc_->description->setText(q(d.description));
}

void CModifyDetailDlg::makeReadOnly() {
    for (QLineEdit* edit : findChildren<QLineEdit*>()) edit->setReadOnly(true);
    for (QComboBox* box : findChildren<QComboBox*>()) box->setEnabled(false);
    for (QRadioButton* radio : findChildren<QRadioButton*>()) radio->setEnabled(false);
    for (DetailPage* page : {static_cast<DetailPage*>(basic_), static_cast<DetailPage*>(comm_),
                             static_cast<DetailPage*>(misc_)}) {
        page->modifyButton()->setEnabled(false);
    }
}

void CModifyDetailDlg::bringForward() {
    show();
    raise();
    activateWindow();
}

protocol::UserProfile CModifyDetailDlg::collect(const QString& password) const {
    protocol::UserProfile p;
    p.userId = userId_;
    p.nickname = gbk(basic_->nickname->text());
    p.face = static_cast<uint16_t>(std::max(0, basic_->face->currentIndex()));
    p.email = gbk(comm_->email->text());
    p.gender = static_cast<uint16_t>(std::max(0, basic_->gender->currentIndex()));
    p.province = gbk(basic_->province->currentText());
    p.city = gbk(basic_->city->text());
    p.phone = gbk(comm_->phone->text());
    p.age = static_cast<uint16_t>(basic_->age->text().toUInt());
    p.visibility = protocol::kVisibilityFriends;
    p.password = gbk(password);
    p.country = gbk(basic_->country->currentText());
    p.homePage = gbk(misc_->homepage->text());
    p.description = gbk(misc_->description->text());
    return p;
}

bool CModifyDetailDlg::modify() {
    if (!own_ || !auth_) return false;
    const auto password = DetailSheetRules::choosePassword(
        auth_->changePassword->isChecked(), auth_->oldPassword->text(), auth_->newPassword->text(),
        auth_->confirmation->text(), backend_.savedPassword);
    if (!password) {
        backend_.message(u("密码输入有误"), "zemra");
        return false;
    }
    const int policy = std::max(0, auth_->policy->checkedId());
    if (backend_.submit) backend_.submit(collect(*password), policy);
    close();
    return true;
}

}  // namespace zemra::client::ui
