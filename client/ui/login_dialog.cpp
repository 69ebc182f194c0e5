#include "client/ui/login_dialog.h"
#include "client/ui/ui_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "client/ui/image_lists.h"
#include "platform/text.h"

namespace zemra::client::ui {
CLoginDlg::CLoginDlg(LoginDialogModel& model, std::optional<LoginChoice> commandLine,
                     QWidget* parent)
    : SkinnedDialog(u("用户登录"), u("登录认证"), parent),
      model_(model),
      commandLine_(std::move(commandLine)) {
    frame().setTopmost(true);
    auto* banner = new QLabel;
    banner->setPixmap(art("art/zemra.png"));
    auto* welcome =
        new QLabel(u("<b style='font-size:15pt;color:#2a5fa8'>zemra</b><br>"
                     "<span style='color:#555'>欢迎使用 ZEMRA 可视电话</span>"));
    auto* top = new QHBoxLayout;
    top->addWidget(banner);
    top->addWidget(welcome, 1);

    ids_ = new QComboBox;
    ids_->setEditable(true);
    ids_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,10}"), ids_));
    password_ = new QLineEdit;
    password_->setEchoMode(QLineEdit::Password);
    password_->setMaxLength(LoginDialogModel::kPasswordLength);
    connection_ = new QComboBox;
    connection_->addItems({u("ADSL/xDSL接入上网"), u("ISDN接入上网\t"), u("MODEM拨号上网\t")});
    invisible_ = new QCheckBox(u("隐身登录"));
    save_ = new QCheckBox(u("保存密码"));

    auto* form = new QFormLayout;
    form->addRow(u("用户号码:"), ids_);
    form->addRow(u("用户密码:"), password_);
    form->addRow(u("上网方式:"), connection_);
    auto* checks = new QHBoxLayout;
    checks->addWidget(invisible_);
    checks->addWidget(save_);
    checks->addStretch();
    form->addRow(QString(), checks);

    login_ = new QPushButton(u("登录"));
    register_ = new QPushButton(u("注册"));
    quit_ = new QPushButton(u("退出"));
    login_->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(register_);
    buttons->addStretch();
    buttons->addWidget(login_);
    buttons->addWidget(quit_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(form);
    layout->addLayout(buttons);
    setFixedSize(330, 250);

    connect(ids_, &QComboBox::currentIndexChanged, this, &CLoginDlg::onSelected);
    connect(ids_, &QComboBox::editTextChanged, this, [this](const QString& text) {
        model_.typed(text);
        showSavedValues();
    });
    connect(login_, &QPushButton::clicked, this, &CLoginDlg::onLogin);
    connect(register_, &QPushButton::clicked, this,
            [this] { done(LoginDialogModel::kRegisterResult); });
    connect(quit_, &QPushButton::clicked, this, &QDialog::reject);
    commandLineTimer_.setSingleShot(true);
    commandLineTimer_.setInterval(100);
    connect(&commandLineTimer_, &QTimer::timeout, this, [this] {
        ids_->setEditText(QString::number(commandLine_->userId));
        password_->setText(QString::fromStdString(text::toUtf8(commandLine_->password)));
        login_->click();
    });
}

void CLoginDlg::onSelected() {
    bool ok = false;
    const uint32_t id = ids_->currentText().toUInt(&ok);
    if (!ok || id == 0) return;
    model_.select(id);
    showSavedValues();
}

void CLoginDlg::showSavedValues() {
    password_->setText(model_.password());
    invisible_->setChecked(model_.invisible());
    save_->setChecked(model_.savePassword());
}

void CLoginDlg::onLogin() {
    bool ok = false;
    const uint32_t id = ids_->currentText().trimmed().toUInt(&ok);
    if (!ok || id == 0) {
        ids_->setFocus();
        return;
    }
    choice_ = model_.accept(id, password_->text().trimmed(), invisible_->isChecked(),
                            save_->isChecked(), connection_->currentIndex());
    accept();
}

LoginDialogResult CLoginDlg::run() {
    LoginDialogResult result;
    if (!model_.load()) {
        result.kind = LoginDialogResult::Kind::Register;
        return result;
    }
    {
        const QSignalBlocker block(ids_);
        ids_->clear();
        for (uint32_t id : model_.ids()) ids_->addItem(QString::number(id));
    }
    ids_->setCurrentIndex(0);
    connection_->setCurrentIndex(0);
    onSelected();
    password_->setFocus();
    if (commandLine_) commandLineTimer_.start();
    const int code = exec();
    if (code == QDialog::Accepted) {
        result.kind = LoginDialogResult::Kind::Accepted;
        result.choice = choice_;
    } else if (code == LoginDialogModel::kRegisterResult) {
        result.kind = LoginDialogResult::Kind::Register;
    }
    return result;
}

}  // namespace zemra::client::ui
