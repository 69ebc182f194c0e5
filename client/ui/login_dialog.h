// "用户登录": picks one of the users known here, takes the password and the
// two log-in choices.
#pragma once

#include <QTimer>
#include <optional>

#include "client/app/ui_port.h"
#include "client/ui/login_dialog_model.h"
#include "client/ui/skinned_dialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace zemra::client::ui {

class CLoginDlg : public SkinnedDialog {
    Q_OBJECT
  public:
    CLoginDlg(LoginDialogModel& model, std::optional<LoginChoice> commandLine,
              QWidget* parent = nullptr);

    // Runs the dialog: Cancelled, Register (result 10001, also when nobody
    // is known yet) or Accepted with the choice.
    LoginDialogResult run();

    QComboBox* idBox() const { return ids_; }
    QLineEdit* passwordEdit() const { return password_; }
    QCheckBox* invisibleBox() const { return invisible_; }
    QCheckBox* saveBox() const { return save_; }
    QPushButton* loginButton() const { return login_; }
    QPushButton* registerButton() const { return register_; }

  private:
    void onSelected();
    void showSavedValues();
    void onLogin();

    LoginDialogModel& model_;
    std::optional<LoginChoice> commandLine_;
    QComboBox* ids_;
    QLineEdit* password_;
    QCheckBox* invisible_;
    QCheckBox* save_;
    QComboBox* connection_;
    QPushButton* login_;
    QPushButton* register_;
    QPushButton* quit_;
    QTimer commandLineTimer_;  // 100 ms after opening
    LoginChoice choice_;
};

}  // namespace zemra::client::ui
