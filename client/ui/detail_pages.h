// The pages of the user details sheet.
#pragma once

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace zemra::client::ui {

// "修改", "关闭" and "呼叫", which every page carries and hands to the sheet.
class DetailPage : public QWidget {
    Q_OBJECT
  public:
    DetailPage();
    QPushButton* modifyButton() const { return modify_; }
    QPushButton* closeButton() const { return close_; }
    QPushButton* callButton() const { return call_; }

  protected:
    void addButtons(bool withCall);

  private:
    QPushButton* modify_;
    QPushButton* close_;
    QPushButton* call_;
};

class CDetailBasicDlg : public DetailPage {
    Q_OBJECT
  public:
    CDetailBasicDlg();
    QComboBox* face;
    QLineEdit* number;
    QLineEdit* nickname;
    QComboBox* country;
    QLineEdit* age;
    QComboBox* gender;
    QComboBox* province;
    QLineEdit* city;
};

class CDetailCommDlg : public DetailPage {
    Q_OBJECT
  public:
    CDetailCommDlg();
    QLineEdit* email;
    QLineEdit* address;
    QLineEdit* postcode;
    QLineEdit* phone;
    QButtonGroup* visibility;
};

class CDetailMiscDlg : public DetailPage {
    Q_OBJECT
  public:
    CDetailMiscDlg();
    QLineEdit* realName;
    QComboBox* bloodType;
    QLineEdit* school;
    QLineEdit* occupation;
    QLineEdit* homepage;
    QLineEdit* description;
};

class CDetailAuthDlg : public DetailPage {
    Q_OBJECT
  public:
    CDetailAuthDlg();
    QCheckBox* changePassword;
    QLineEdit* oldPassword;
    QLineEdit* newPassword;
    QLineEdit* confirmation;
    QButtonGroup* policy;  // 0 anyone, 1 with authentication, 2 nobody
    QCheckBox* keepPrivate;
};

}  // namespace zemra::client::ui
