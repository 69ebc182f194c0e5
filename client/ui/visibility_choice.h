// The three radio buttons that say who may see a user's contact details,
// shared by the registration wizard and the details sheet.
#pragma once

#include <QButtonGroup>
#include <QGroupBox>

namespace zemra::client::ui {

// A box with "完全公开", "仅好友可见", "完全保密" (ids 0, 1, 2) in `buttons`,
// `checked` selected.
QGroupBox* visibilityChoice(QButtonGroup* buttons, int checked);

}  // namespace zemra::client::ui
