#include "tests/client/client_harness.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include "client/store/record_store.h"
#include "platform/paths.h"

namespace zemra::client::testing {

void ScriptedUi::showMessage(const std::string& text, const std::string&) {
    messages.push_back(text);
    if (whileMessageShown) whileMessageShown();
}

bool ScriptedUi::askYesNo(const std::string& text, const std::string&) {
    questions.push_back(text);
    return yesNoAnswer;
}

LoginDialogResult ScriptedUi::runLoginDialog(const std::optional<LoginChoice>&) {
    ++loginDialogsShown;
    if (loginAnswers.empty()) return {};
    LoginDialogResult answer = loginAnswers.front();
    loginAnswers.pop_front();
    return answer;
}

bool ScriptedUi::runAccountWizard() { return wizard ? wizard() : false; }

void ScriptedUi::showContactPopup(uint8_t, const std::string& text) { popups.push_back(text); }

bool ScriptedUi::sawMessage(const std::string& text) const {
    for (const auto& m : messages) {
        if (m == text) return true;
    }
    return false;
}

LoginDialogResult acceptLogin(uint32_t id, const std::string& password, bool invisible) {
    LoginDialogResult result;
    result.kind = LoginDialogResult::Kind::Accepted;
    result.choice.userId = id;
    result.choice.password = password;
    result.choice.invisible = invisible;
    return result;
}

ClientHarness::ClientHarness(const std::string& serverAddress) {
    config.baseDir = dir / "home";
    config.dataDir = dir / "data";
    config.windowsDir = dir / "windows";
    config.photoRoot = dir / "photo";
    config.tracePath = dir / "home" / "trace.txt";
    config.probeBindAddress = QHostAddress(QString::fromStdString(serverAddress));
    config.serverAddress = serverAddress;
    config.localAddress = serverAddress;
    paths::createUserDirsIn(config.baseDir, 0);
    core_ = std::make_unique<ClientCore>(config, ui);
}

ClientHarness::~ClientHarness() {
    core_->shutdown();
    core_.reset();
    pumpFor(10ms);  // lets deferred deletions run
}

void ClientHarness::seedLocalUser(uint32_t id) {
    paths::createUserDirsIn(config.baseDir, id);
    store::RecordStore store(paths::userDirIn(config.baseDir, id));
    store::CUserOptions options;
    options.applyNewUserDefaults(config.dataDir);
    store::CMyInfo me;
    me.id = id;
    store.putOptions(options);
    store.putMyInfo(me);
    store.putLayout(store::COutbarLayout::forNewUser());
}

void ClientHarness::restart() {
    core_->shutdown();
    core_ = std::make_unique<ClientCore>(config, ui);
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeout.count()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void pumpFor(std::chrono::milliseconds duration) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < duration.count()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

}  // namespace zemra::client::testing
