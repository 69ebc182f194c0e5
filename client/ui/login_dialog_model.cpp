#include "client/ui/login_dialog_model.h"

#include <algorithm>

#include "client/store/login_ids.h"
#include "client/store/user_settings.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace zemra::client::ui {

LoginDialogModel::LoginDialogModel(std::filesystem::path baseDir, std::filesystem::path dataDir)
    : baseDir_(std::move(baseDir)), dataDir_(std::move(dataDir)) {}

bool LoginDialogModel::load() {
    ids_ = store::LoadLoginIds(baseDir_ / "config");
    // A line that did not read as a number is nobody to offer.
    std::erase(ids_, 0u);
    return !ids_.empty();
}

void LoginDialogModel::select(uint32_t id) {
    paths::createUserDirsIn(baseDir_, id);
    readSavedValues(id);
}

void LoginDialogModel::typed(const QString& text) {
    bool ok = false;
    const uint32_t id = text.trimmed().toUInt(&ok);
    if (ok && id != 0 && id == selected_) return;
    if (ok && id != 0 && std::find(ids_.begin(), ids_.end(), id) != ids_.end()) {
        select(id);
        return;
    }
    selected_ = ok ? id : 0;
    const auto ini = paths::userDirIn(baseDir_, selected_) / store::kUserIniFileName;
    std::error_code ec;
    if (selected_ != 0 && std::filesystem::exists(ini, ec)) {
        readSavedValues(selected_);
        return;
    }
    password_.clear();
    invisible_ = false;
    savePassword_ = false;
}

void LoginDialogModel::readSavedValues(uint32_t id) {
    selected_ = id;
    const store::UserSettings settings =
        store::LoadSettings(paths::userDirIn(baseDir_, id) / store::kUserIniFileName, dataDir_);
    savePassword_ = settings.save != 0;
    invisible_ = settings.invis != 0;
    password_ = savePassword_ ? QString::fromStdString(text::toUtf8(settings.password)) : QString();
}

LoginChoice LoginDialogModel::accept(uint32_t id, const QString& password, bool invisible,
                                     bool savePassword, int connectionType) const {
    LoginChoice choice;
    choice.userId = id;
    choice.password = text::toGbk(password.left(kPasswordLength).toStdString());
    choice.invisible = invisible;
    choice.savePassword = savePassword;
    choice.connectionType = static_cast<uint16_t>(std::clamp(connectionType, 0, 2));
    return choice;
}

}  // namespace zemra::client::ui
