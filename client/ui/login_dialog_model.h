// The login dialog's rules: the users known on this machine, what selecting
// one fills in, and what confirming hands to the login.
#pragma once

#include <QString>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "client/app/ui_port.h"

namespace zemra::client::ui {

class LoginDialogModel {
  public:
    static constexpr int kPasswordLength = 10;
    static constexpr int kRegisterResult = 10001;

    LoginDialogModel(std::filesystem::path baseDir, std::filesystem::path dataDir);

    // Reads "zemra.cfg", most recent first. False when nobody has logged in
    // here yet: the dialog then ends with the register result at once.
    bool load();
    const std::vector<uint32_t>& ids() const { return ids_; }

    // A user was chosen: make the per-user folders and take the saved
    // password (only when saving is on) and both check boxes from the
    // user's settings.
    void select(uint32_t id);
    // The ID box was edited: the values follow the typed ID, the saved ones
    // of a known user and empty ones otherwise (never another user's).
    // Nothing is created on disk for a half-typed number.
    void typed(const QString& text);
    uint32_t selectedId() const { return selected_; }
    const QString& password() const { return password_; }
    bool invisible() const { return invisible_; }
    bool savePassword() const { return savePassword_; }

    // What "登录" hands over; the password is cut to ten characters.
    LoginChoice accept(uint32_t id, const QString& password, bool invisible, bool savePassword,
                       int connectionType) const;

  private:
    void readSavedValues(uint32_t id);

    std::filesystem::path baseDir_;
    std::filesystem::path dataDir_;
    std::vector<uint32_t> ids_;
    uint32_t selected_ = 0;
    QString password_;
    bool invisible_ = false;
    bool savePassword_ = true;
};

}  // namespace zemra::client::ui
