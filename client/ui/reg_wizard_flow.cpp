#include "client/ui/reg_wizard_flow.h"
#include "client/ui/ui_text.h"

#include "client/app/login_refusal.h"

namespace zemra::client::ui {
int RegWizardFlow::next(int page, int mode) {
    if (page == kPageMode) return mode == kModeExisting ? kPageNetwork : kPageBasic;
    return page < kPageFinish ? page + 1 : -1;
}

int RegWizardFlow::back(int page, int mode) {
    if (page == kPageNetwork && mode == kModeExisting) return kPageMode;
    return page > kPageMode ? page - 1 : -1;
}

std::optional<QString> RegWizardFlow::checkBasic(const QString& nickname, const QString& password,
                                                 const QString& confirmation) {
    const QString pw = password.trimmed();
    if (nickname.trimmed().isEmpty() || pw.isEmpty()) return u("昵称和密码等必填资料输入有误");
    if (pw != confirmation.trimmed()) return u("两次密码输入有误");
    return std::nullopt;
}

RegWizardFlow::Outcome RegWizardFlow::registered(uint32_t newId) {
    if (newId == 0) return {u("失败"), u("服务器错误，请稍后重试"), false, false};
    return {u("完成"), u("您的zemra号是%1，按完成进入系统。").arg(newId), true, false};
}

RegWizardFlow::Outcome RegWizardFlow::loginResult(int code) {
    if (code == 0) return {u("完成"), u("已将好友列表下载到本地，按完成启动ZEMRA"), true, false};
    QString text = u("失败");
    switch (code) {
        case 1:
            text = u("没有这个用户");
            break;
        case 2:
            text = u("密码错误");
            break;
        case 13:
            text = u("已经有相同ID的用户正在使用");
            break;
        case kLoginOldVersion:
        case kLoginIdInUse:
        case kLoginAccountBarred:
        case kLoginServerBusy:
            text = QString::fromStdString(loginRefusalText(code));
            break;
        default:
            break;
    }
    return {u("失败"), text, false, true};
}

RegWizardFlow::Outcome RegWizardFlow::noAnswer() {
    return {u("失败"), u("服务器没有应答,请稍后再试"), false, true};
}

}  // namespace zemra::client::ui
