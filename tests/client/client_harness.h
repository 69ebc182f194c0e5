// A headless client for tests: the real ClientCore with a user interface
// that records what it shows and answers dialogs from a script.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "client/app/client_core.h"
#include "platform/testing/temp_dir.h"

namespace zemra::client::testing {

using namespace std::chrono_literals;

class ScriptedUi : public UiPort {
public:
    void showMessage(const std::string& text, const std::string& caption) override;
    bool askYesNo(const std::string& text, const std::string& caption) override;
    LoginDialogResult runLoginDialog(const std::optional<LoginChoice>& commandLine) override;
    bool runAccountWizard() override;
    void contactsChanged() override { ++contactRedraws; }
    void ownStatusChanged() override { ++statusRedraws; }
    void showContactPopup(uint8_t face, const std::string& text) override;
    void playSound(const std::string& file) override { sounds.push_back(file); }
    void setTitle(const std::string& title) override { this->title = title; }
    void wizardLoginResult(int code) override { wizardResults.push_back(code); }
    void wizardRegistered(uint32_t newId) override { registeredIds.push_back(newId); }
    void loginPendingChanged(bool pending) override { loginPending.push_back(pending); }
    void queueChanged() override { ++queueChanges; }
    bool showInChatWindow(const store::ChatMessage& message) override {
        chatWindowMessages.push_back(message);
        if (chatWindow) chatWindow(message);
        return chatWindowsOpen;
    }
    void openMessageView(uint32_t peer) override { openedViews.push_back(peer); }
    void nextMessageWaiting(uint32_t peer) override { nextWaiting.push_back(peer); }

    bool sawMessage(const std::string& text) const;

    // Answers for the login dialog, in order; when they run out it is cancelled.
    std::deque<LoginDialogResult> loginAnswers;
    int loginDialogsShown = 0;
    bool yesNoAnswer = true;
    std::function<bool()> wizard;  // runs for the account wizard
    // Runs while a message box is up, as the user takes his time to read it.
    std::function<void()> whileMessageShown;

    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::vector<std::string> popups;
    std::vector<std::string> sounds;
    std::vector<int> wizardResults;
    std::vector<uint32_t> registeredIds;
    std::vector<bool> loginPending;
    int queueChanges = 0;
    bool chatWindowsOpen = true;  // a chat window can be found or opened
    std::function<void(const store::ChatMessage&)> chatWindow;  // shows it, if set
    std::vector<store::ChatMessage> chatWindowMessages;
    std::vector<uint32_t> openedViews;
    std::vector<uint32_t> nextWaiting;
    std::string title;
    int contactRedraws = 0;
    int statusRedraws = 0;
};

LoginDialogResult acceptLogin(uint32_t id, const std::string& password, bool invisible = false);

// A client with its own folders, talking to the server at `serverAddress`
// and binding its probe sockets there too.
class ClientHarness {
public:
    explicit ClientHarness(const std::string& serverAddress);
    ~ClientHarness();

    // Writes the local data a registered user has, as the wizard leaves it.
    void seedLocalUser(uint32_t id);
    // A fresh core on the same folders (a restart of the program).
    void restart();

    ClientCore& core() { return *core_; }
    ScriptedUi ui;
    zemra::testing::TempDir dir;
    ClientConfig config;

private:
    std::unique_ptr<ClientCore> core_;
};

// Runs the event loop until `done` holds or the time is up.
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 5s);
// Runs the event loop for a while.
void pumpFor(std::chrono::milliseconds duration);

}  // namespace zemra::client::testing
