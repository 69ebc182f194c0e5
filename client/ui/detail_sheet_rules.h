// The details sheet's check of the security page: which password goes into
// the change request.
#pragma once

#include <QString>
#include <optional>

namespace zemra::client::ui {

struct DetailSheetRules {
    // All four are trimmed first. Without "修改密码" the saved password
    // stays; with it the old one must be the saved one and the new one must
    // match its confirmation. Nullopt means "密码输入有误".
    static std::optional<QString> choosePassword(bool change, const QString& oldPassword,
                                                 const QString& newPassword,
                                                 const QString& confirmation,
                                                 const QString& savedPassword);
};

}  // namespace zemra::client::ui
