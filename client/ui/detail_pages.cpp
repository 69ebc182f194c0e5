#include "client/ui/detail_pages.h"
#include "client/ui/ui_text.h"
#include "client/ui/visibility_choice.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "client/ui/image_lists.h"
#include "client/ui/profile_lists.h"

namespace zemra::client::ui {
namespace {

QLineEdit* field(int maxLength = 0) {
    auto* edit = new QLineEdit;
    if (maxLength > 0) edit->setMaxLength(maxLength);
    return edit;
}

QComboBox* choices(const QStringList& items, bool editable) {
    auto* box = new QComboBox;
    box->addItems(items);
    box->setEditable(editable);
    return box;
}

}  // namespace

DetailPage::DetailPage() {
    modify_ = new QPushButton(u("修改"));
    close_ = new QPushButton(u("关闭"));
    call_ = new QPushButton(u("呼叫"));
}

void DetailPage::addButtons(bool withCall) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    if (withCall) row->addWidget(call_);
    row->addWidget(modify_);
    row->addWidget(close_);
    static_cast<QVBoxLayout*>(layout())->addStretch();
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

CDetailBasicDlg::CDetailBasicDlg() {
    face = new QComboBox;
    face->setIconSize(QSize(32, 32));
    for (int f = 0; f < ImageLists::kFaces; ++f) {
        face->addItem(QIcon(imageLists().face32(f)), QString::number(f + 1));
    }
    number = field();
    number->setReadOnly(true);
    nickname = field(10);
    country = choices(countryChoices(), true);
    age = field(2);
    gender = choices(genderChoices(), false);
    province = choices(provinceChoices(), true);
    city = field(14);
    auto* form = new QFormLayout;
    form->addRow(u("头像:"), face);
    form->addRow(u("用户号码:"), number);
    form->addRow(u("昵称:"), nickname);
    form->addRow(u("年龄:"), age);
    form->addRow(u("性别:"), gender);
    form->addRow(u("国家:"), country);
    form->addRow(u("省份:"), province);
    form->addRow(u("城市:"), city);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    addButtons(true);
}

CDetailCommDlg::CDetailCommDlg() {
    email = field(30);
    address = field(30);
    postcode = field(6);
    phone = field(15);
    auto* form = new QFormLayout;
    form->addRow(u("电子邮件:"), email);
    form->addRow(u("地址:"), address);
    form->addRow(u("邮编:"), postcode);
    form->addRow(u("电话:"), phone);
    visibility = new QButtonGroup(this);
    auto* group = visibilityChoice(visibility, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(group);
    addButtons(true);
}

CDetailMiscDlg::CDetailMiscDlg() {
    realName = field(30);
    bloodType = choices(bloodTypeChoices(), false);
    school = field(30);
    occupation = field(30);
    homepage = field(20);
    description = field(40);
    auto* form = new QFormLayout;
    form->addRow(u("真实姓名:"), realName);
    form->addRow(u("血型:"), bloodType);
    form->addRow(u("毕业院校:"), school);
    form->addRow(u("职业:"), occupation);
    form->addRow(u("个人主页:"), homepage);
    form->addRow(u("个人说明:"), description);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    addButtons(true);
}

CDetailAuthDlg::CDetailAuthDlg() {
    changePassword = new QCheckBox(u("修改密码"));
    oldPassword = field(10);
    newPassword = field(10);
    confirmation = field(10);
    for (QLineEdit* e : {oldPassword, newPassword, confirmation}) {
        e->setEchoMode(QLineEdit::Password);
        e->setEnabled(false);
    }
    auto* form = new QFormLayout;
    form->addRow(changePassword);
    form->addRow(u("旧口令(16位以内)"), oldPassword);
    form->addRow(u("新口令(16位以内)"), newPassword);
    form->addRow(u("确认新口令:"), confirmation);
    policy = new QButtonGroup(this);
    auto* group = new QGroupBox(u("身份验证"));
    auto* radios = new QVBoxLayout(group);
    const char* names[] = {"允许任何人把我列为好友", "需要身份验证才能把我列为好友",
                           "不允许任何人把我列为好友"};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(u(names[i]));
        policy->addButton(radio, i);
        radios->addWidget(radio);
    }
    policy->button(0)->setChecked(true);
    keepPrivate = new QCheckBox(u("我想保密我的个人详细资料"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(group);
    layout->addWidget(keepPrivate);
    addButtons(false);
    connect(changePassword, &QCheckBox::toggled, this, [this](bool on) {
        for (QLineEdit* e : {oldPassword, newPassword, confirmation}) e->setEnabled(on);
    });
}

}  // namespace zemra::client::ui
