#include "client/ui/reg_wizard_pages.h"
#include "client/ui/ui_text.h"
#include "client/ui/visibility_choice.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

#include "client/ui/image_lists.h"
#include "client/ui/link_static.h"
#include "client/ui/profile_lists.h"
#include "client/ui/reg_wizard.h"
#include "client/ui/reg_wizard_flow.h"

namespace zemra::client::ui {
namespace {

QLineEdit* lineEdit(int maxLength, const QString& preset = QString()) {
    auto* edit = new QLineEdit(preset);
    if (maxLength > 0) edit->setMaxLength(maxLength);
    return edit;
}

QLineEdit* digits(int count) {
    auto* edit = lineEdit(count);
    edit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QString("[0-9]{0,%1}").arg(count)), edit));
    return edit;
}

// Where Next leads from `page`, by the mode chosen on the first page.
int following(const QWizardPage* page, int id) {
    const CRegWizard* owner = CRegWizard::of(page);
    return RegWizardFlow::next(id, owner ? owner->mode() : RegWizardFlow::kModeNew);
}

QComboBox* choices(const QStringList& items) {
    auto* box = new QComboBox;
    box->addItems(items);
    box->setCurrentIndex(0);
    return box;
}

}  // namespace

// --- page 1 ---

CRegModeDlg::CRegModeDlg() {
    setTitle(u("zemra注册向导"));
    setSubTitle(u("欢迎使用ZEMRA! 请选择您要申请新号码还是使用已有的号码。"));
    newAccount_ = new QRadioButton(u("新申请一个zemra号码"));
    existing_ = new QRadioButton(u("使用已有的zemra号码"));
    newAccount_->setChecked(true);
    idLabel_ = new QLabel(u("zemra号码:"));
    passwordLabel_ = new QLabel(u("密码:"));
    id_ = digits(10);
    password_ = lineEdit(10);
    password_->setEchoMode(QLineEdit::Password);
    auto* forgot = new CLinkStatic(u("-- 我忘记了密码了, 怎么办？"));
    auto* grid = new QFormLayout;
    grid->addRow(idLabel_, id_);
    grid->addRow(passwordLabel_, password_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(newAccount_);
    layout->addSpacing(6);
    layout->addWidget(existing_);
    layout->addLayout(grid);
    layout->addWidget(forgot, 0, Qt::AlignRight);
    layout->addStretch();
    connect(newAccount_, &QRadioButton::toggled, this, &CRegModeDlg::updateFields);
    updateFields();
}

int CRegModeDlg::mode() const {
    return existing_->isChecked() ? RegWizardFlow::kModeExisting : RegWizardFlow::kModeNew;
}

void CRegModeDlg::setMode(int mode) {
    (mode == RegWizardFlow::kModeExisting ? existing_ : newAccount_)->setChecked(true);
}

void CRegModeDlg::updateFields() {
    const bool existing = mode() == RegWizardFlow::kModeExisting;
    for (QWidget* w : {static_cast<QWidget*>(idLabel_), static_cast<QWidget*>(passwordLabel_),
                       static_cast<QWidget*>(id_), static_cast<QWidget*>(password_)}) {
        w->setEnabled(existing);
    }
}

int CRegModeDlg::nextId() const {
    return RegWizardFlow::next(kPageMode, mode());
}

bool CRegModeDlg::validatePage() {
    return true;
}

// --- page 2 ---

CRegBasicDlg::CRegBasicDlg(std::function<void(const QString&, const QString&)> message)
    : message_(std::move(message)) {
    setTitle(u("基本资料"));
    setSubTitle(u("请填写您的昵称和密码，其它资料可以以后再改。"));
    face = new QComboBox;
    face->setIconSize(QSize(32, 32));
    const ImageLists& lists = imageLists();
    for (int f = 0; f < ImageLists::kFaces; ++f) {
        face->addItem(QIcon(lists.face32(f)), QString::number(f + 1));
    }
    face->setCurrentIndex(0);
    nickname = lineEdit(10);
    password = lineEdit(10);
    password->setEchoMode(QLineEdit::Password);
    confirmation = lineEdit(10);
    confirmation->setEchoMode(QLineEdit::Password);
    age = digits(2);
    gender = choices(genderChoices());
    country = choices(countryChoices());
    province = choices(provinceChoices());
    city = lineEdit(14);
    auto* form = new QFormLayout(this);
    form->addRow(u("头像:"), face);
    form->addRow(u("昵称:"), nickname);
    form->addRow(u("密码(10位以内)"), password);
    form->addRow(u("确认密码:"), confirmation);
    form->addRow(u("年龄:"), age);
    form->addRow(u("性别:"), gender);
    form->addRow(u("国家:"), country);
    form->addRow(u("省份:"), province);
    form->addRow(u("城市:"), city);
    setTabOrder(nickname, password);
    setTabOrder(password, confirmation);
}

int CRegBasicDlg::nextId() const {
    return following(this, kPageBasic);
}

void CRegBasicDlg::initializePage() {
    // The wizard moves the focus after this; the nickname takes it back then.
    QTimer::singleShot(0, nickname, [this] { nickname->setFocus(); });
}

bool CRegBasicDlg::validatePage() {
    const auto problem =
        RegWizardFlow::checkBasic(nickname->text(), password->text(), confirmation->text());
    if (problem) {
        message_(*problem, "ZEMRA");
        return false;
    }
    nickname->setText(nickname->text().trimmed());
    password->setText(password->text().trimmed());
    confirmation->setText(confirmation->text().trimmed());
    return true;
}

// --- page 3 ---

CRegCommDlg::CRegCommDlg() {
    setTitle(u("联系资料"));
    setSubTitle(u("这些资料可以帮助朋友找到您。"));
    address = lineEdit(20);
    email = lineEdit(30);
    phone = lineEdit(15);
    postcode = digits(6);
    auto* form = new QFormLayout;
    form->addRow(u("地址:"), address);
    form->addRow(u("电子邮件:"), email);
    form->addRow(u("电话:"), phone);
    form->addRow(u("邮编:"), postcode);
    visibility_ = new QButtonGroup(this);
    auto* group = visibilityChoice(visibility_, 0);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(group);
    layout->addStretch();
}

int CRegCommDlg::nextId() const {
    return following(this, kPageComm);
}

int CRegCommDlg::visibility() const {
    return std::max(0, visibility_->checkedId());
}

// --- page 4 ---

CRegMiscDlg::CRegMiscDlg() {
    setTitle(u("详细资料"));
    setSubTitle(u("介绍一下您自己吧。"));
    bloodType = choices(bloodTypeChoices());
    school = lineEdit(30);
    homepage = lineEdit(20, "http://");
    description = lineEdit(40, u("ZEMRA感谢你的支持！"));
    occupation = lineEdit(30);
    realName = lineEdit(30);
    auto* form = new QFormLayout(this);
    form->addRow(u("真实姓名:"), realName);
    form->addRow(u("血型:"), bloodType);
    form->addRow(u("毕业院校:"), school);
    form->addRow(u("职业:"), occupation);
    form->addRow(u("个人主页:"), homepage);
    form->addRow(u("个人说明:"), description);
}

int CRegMiscDlg::nextId() const {
    return following(this, kPageMisc);
}

// --- page 5 ---

CRegNetworkDlg::CRegNetworkDlg(const QString& serverAddress, int serverPort) {
    setTitle(u("网络设置"));
    setSubTitle(u("一般情况下不需要修改这些设置。"));
    server = lineEdit(64, serverAddress);
    port = new QSpinBox;
    port->setRange(1, 65535);
    port->setValue(serverPort);
    auto* form = new QFormLayout;
    form->addRow(u("服务器地址:"), server);
    form->addRow(u("端口:"), port);
    // Proxies are not offered: the controls are shown but disabled.
    auto* proxy = new QGroupBox(u("使用代理服务器"));
    proxy->setCheckable(true);
    proxy->setChecked(false);
    proxy->setEnabled(false);
    auto* proxyForm = new QFormLayout(proxy);
    auto* type = new QComboBox;
    type->addItem("SOCKS5");
    proxyForm->addRow(u("代理类型:"), type);
    proxyForm->addRow(u("代理地址:"), new QLineEdit);
    proxyForm->addRow(u("端口:"), new QLineEdit);
    proxyForm->addRow(u("用户名:"), new QLineEdit);
    proxyForm->addRow(u("密码:"), new QLineEdit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(proxy);
    layout->addStretch();
}

int CRegNetworkDlg::nextId() const {
    return following(this, kPageNetwork);
}

// --- page 6 ---

CRegFinishDlg::CRegFinishDlg() {
    setTitle(u("完成"));
    status_ = new QGroupBox(u("请等待"));
    text_ = new QLabel;
    text_->setWordWrap(true);
    picture_ = new QLabel;
    picture_->setFixedSize(40, 40);
    picture_->setAlignment(Qt::AlignCenter);
    auto* inner = new QHBoxLayout(status_);
    inner->addWidget(picture_);
    inner->addWidget(text_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addStretch();
    timer_.setInterval(RegWizardFlow::kFaceTickMs);
    connect(&timer_, &QTimer::timeout, this, &CRegFinishDlg::tick);
}

void CRegFinishDlg::tick() {
    face_ = RegWizardFlow::nextFace(face_);
    picture_->setPixmap(imageLists().face32(face_));
}

void CRegFinishDlg::initializePage() {
    complete_ = false;
    wizard()->setOption(QWizard::NoBackButtonOnLastPage, true);
    showOutcome(u("请等待"), u("正在注册zemra号"), false);
    face_ = 0;
    picture_->setPixmap(imageLists().face32(face_));
    timer_.start();
    if (CRegWizard* owner = CRegWizard::of(this)) owner->submitLater();
}

void CRegFinishDlg::cleanupPage() {
    timer_.stop();
}

bool CRegFinishDlg::isComplete() const {
    return complete_;
}

void CRegFinishDlg::showOutcome(const QString& status, const QString& text, bool complete) {
    status_->setTitle(status);
    text_->setText(text);
    complete_ = complete;
    emit completeChanged();
}

QString CRegFinishDlg::statusText() const {
    return status_->title();
}

QString CRegFinishDlg::text() const {
    return text_->text();
}

}  // namespace zemra::client::ui
