#include "client/ui/reg_wizard.h"
#include "client/ui/ui_text.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include "client/ui/image_lists.h"
#include "client/ui/reg_wizard_flow.h"
#include "client/ui/reg_wizard_pages.h"
#include "platform/text.h"

namespace zemra::client::ui {
CRegWizard::CRegWizard(RegWizardBackend backend, QWidget* parent)
    : SkinnedDialog(u("ZEMRA注册向导"), u("ZEMRA注册向导"), parent, true),
      backend_(std::move(backend)),
      sheet_(new QWizard(this, Qt::Widget)) {
    sheet_->setWizardStyle(QWizard::ModernStyle);
    sheet_->setOption(QWizard::NoBackButtonOnStartPage, true);
    sheet_->setOption(QWizard::NoBackButtonOnLastPage, true);
    sheet_->setPixmap(
        QWizard::LogoPixmap,
        art("art/zemra.png").scaled(48, 48, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    sheet_->setButtonText(QWizard::BackButton, u("< 上一步"));
    sheet_->setButtonText(QWizard::NextButton, u("下一步 >"));
    sheet_->setButtonText(QWizard::FinishButton, u("完成"));
    sheet_->setButtonText(QWizard::CancelButton, u("取消"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(sheet_);
    connect(sheet_, &QWizard::finished, this, [this](int result) { done(result); });
    mode_ = new CRegModeDlg;
    basic_ = new CRegBasicDlg(backend_.message);
    comm_ = new CRegCommDlg;
    misc_ = new CRegMiscDlg;
    network_ = new CRegNetworkDlg(backend_.serverAddress, backend_.serverPort);
    finish_ = new CRegFinishDlg;
    sheet_->setPage(kPageMode, mode_);
    sheet_->setPage(kPageBasic, basic_);
    sheet_->setPage(kPageComm, comm_);
    sheet_->setPage(kPageMisc, misc_);
    sheet_->setPage(kPageNetwork, network_);
    sheet_->setPage(kPageFinish, finish_);
    sheet_->setStartId(kPageMode);
    // A dialog kept inside another is a plain widget of it, shown with it;
    // showing it starts it at the first page.
    sheet_->setWindowFlags(Qt::Widget);
    sheet_->setVisible(true);
    sheet_->installEventFilter(this);
    answerTimer_.setSingleShot(true);
    answerTimer_.setInterval(RegWizardFlow::kAnswerTimeoutMs);
    connect(&answerTimer_, &QTimer::timeout, this, [this] {
        const auto outcome = RegWizardFlow::noAnswer();
        finish_->showOutcome(outcome.status, outcome.text, outcome.completed);
        setOutcome(false);
    });
    resize(520, 470);
}

CRegWizard::~CRegWizard() = default;

// Enter goes forward (or finishes), as in any wizard; embedded in the
// sheet the wizard would otherwise press whichever button it last focused.
bool CRegWizard::eventFilter(QObject* watched, QEvent* event) {
    if (watched == sheet_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // Escape would reject the sheet underneath the guard of reject().
        if (key == Qt::Key_Escape && requestOut_) return true;
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            QAbstractButton* finish = sheet_->button(QWizard::FinishButton);
            if (sheet_->currentId() == kPageFinish) {
                if (finish->isVisible() && finish->isEnabled()) finish->click();
            } else {
                sheet_->next();
            }
            return true;
        }
    }
    return SkinnedDialog::eventFilter(watched, event);
}

CRegWizard* CRegWizard::of(const QWizardPage* page) {
    for (QWidget* w = page->parentWidget(); w; w = w->parentWidget()) {
        if (auto* wizard = qobject_cast<CRegWizard*>(w)) return wizard;
    }
    return nullptr;
}

int CRegWizard::mode() const {
    return mode_->mode();
}

uint32_t CRegWizard::userId() const {
    if (mode() == RegWizardFlow::kModeExisting) return mode_->idEdit()->text().toUInt();
    return newId_;
}

std::string CRegWizard::password() const {
    return gbk(mode() == RegWizardFlow::kModeExisting ? mode_->passwordEdit()->text()
                                                      : basic_->password->text());
}

protocol::UserProfile CRegWizard::registration() const {
    protocol::UserProfile p;
    p.nickname = gbk(basic_->nickname->text());
    p.face = static_cast<uint16_t>(std::max(0, basic_->face->currentIndex()));
    p.email = gbk(comm_->email->text());
    p.gender = static_cast<uint16_t>(std::max(0, basic_->gender->currentIndex()));
    p.province = gbk(basic_->province->currentText());
    p.city = gbk(basic_->city->text());
    p.phone = gbk(comm_->phone->text());
    p.age = static_cast<uint16_t>(basic_->age->text().toUInt());
    p.visibility = static_cast<uint16_t>(comm_->visibility());
    p.password = gbk(basic_->password->text());
    p.country = gbk(basic_->country->currentText());
    p.homePage = gbk(misc_->homepage->text());
    p.description = gbk(misc_->description->text());
    return p;
}

store::CMyInfo CRegWizard::profile() const {
    const protocol::UserProfile p = registration();
    store::CMyInfo me;
    me.id = userId();
    me.face = static_cast<uint8_t>(std::min<uint16_t>(p.face, 84));
    me.age = static_cast<uint8_t>(p.age);
    me.nickname = p.nickname;
    me.gender = static_cast<uint8_t>(p.gender);
    me.country = p.country;
    me.province = p.province;
    me.city = p.city;
    me.email = p.email;
    me.address = gbk(comm_->address->text());
    me.phone = p.phone;
    me.postcode = gbk(comm_->postcode->text());
    me.realName = gbk(misc_->realName->text());
    me.bloodType = static_cast<uint8_t>(std::max(0, misc_->bloodType->currentIndex()));
    me.school = gbk(misc_->school->text());
    me.occupation = gbk(misc_->occupation->text());
    me.homepage = p.homePage;
    me.note = p.description;
    me.password = password();
    me.visibility = static_cast<uint8_t>(p.visibility);
    return me;
}

QString CRegWizard::serverAddress() const {
    return network_->server->text().trimmed();
}

uint16_t CRegWizard::serverPort() const {
    return static_cast<uint16_t>(network_->port->value());
}

void CRegWizard::submitLater() {
    QTimer::singleShot(0, this, [this] {
        if (sheet_->currentId() != kPageFinish || requestOut_ || completed_) return;
        if (!submit()) finish_->stopAnimation();
    });
}

bool CRegWizard::submit() {
    completed_ = false;
    setRequestOut(true);
    // Whatever page 5 says, this connection goes to the configured server.
    const RegWizardBackend::Link link =
        backend_.connect ? backend_.connect() : RegWizardBackend::Link::ConnectFailed;
    if (link != RegWizardBackend::Link::Connected) {
        setRequestOut(false);
        backend_.message(link == RegWizardBackend::Link::SocketFailed
                             ? u("创建TCP SOCKET错误")
                             : u("服务器正忙,请稍侯再进行连接"),
                         "zemra");
        return false;
    }
    if (mode() == RegWizardFlow::kModeExisting) {
        backend_.login(mode_->idEdit()->text().toUInt(), password());
    } else {
        backend_.registerAccount(registration());
    }
    answerTimer_.start();
    return true;
}

void CRegWizard::setRequestOut(bool out) {
    requestOut_ = out;
    if (!out) answerTimer_.stop();
    sheet_->button(QWizard::CancelButton)->setEnabled(!out && !completed_);
    sheet_->button(QWizard::BackButton)->setEnabled(!out);
}

void CRegWizard::reject() {
    if (requestOut_) return;
    SkinnedDialog::reject();
}

void CRegWizard::setOutcome(bool completed) {
    completed_ = completed;
    finish_->stopAnimation();
    setRequestOut(false);
}

void CRegWizard::onRegistered(uint32_t newId) {
    if (sheet_->currentId() != kPageFinish || mode() != RegWizardFlow::kModeNew) return;
    newId_ = newId;
    const auto outcome = RegWizardFlow::registered(newId);
    finish_->showOutcome(outcome.status, outcome.text, outcome.completed);
    setOutcome(outcome.completed);
}

void CRegWizard::onLoginResult(int code) {
    if (sheet_->currentId() != kPageFinish || mode() != RegWizardFlow::kModeExisting) return;
    const auto outcome = RegWizardFlow::loginResult(code);
    finish_->showOutcome(outcome.status, outcome.text, outcome.completed);
    setOutcome(outcome.completed);
    if (outcome.backAllowed) sheet_->setOption(QWizard::NoBackButtonOnLastPage, false);
}

}  // namespace zemra::client::ui
