#include "client/ui/detail_sheet_rules.h"

namespace zemra::client::ui {

std::optional<QString> DetailSheetRules::choosePassword(bool change, const QString& oldPassword,
                                                        const QString& newPassword,
                                                        const QString& confirmation,
                                                        const QString& savedPassword) {
    const QString saved = savedPassword.trimmed();
    if (!change) return saved;
    const QString fresh = newPassword.trimmed();
    if (oldPassword.trimmed() != saved || fresh != confirmation.trimmed()) return std::nullopt;
    return fresh;
}

}  // namespace zemra::client::ui
