// The six pages of the registration wizard.
#pragma once

#include <QTimer>
#include <QWizardPage>
#include <functional>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace zemra::client::ui {

class CRegModeDlg : public QWizardPage {
    Q_OBJECT
  public:
    CRegModeDlg();
    int mode() const;
    void setMode(int mode);
    int nextId() const override;
    QLineEdit* idEdit() const { return id_; }
    QLineEdit* passwordEdit() const { return password_; }
    bool validatePage() override;

  private:
    void updateFields();
    QRadioButton* newAccount_;
    QRadioButton* existing_;
    QLabel* idLabel_;
    QLabel* passwordLabel_;
    QLineEdit* id_;
    QLineEdit* password_;
};

class CRegBasicDlg : public QWizardPage {
    Q_OBJECT
  public:
    explicit CRegBasicDlg(std::function<void(const QString&, const QString&)> message);
    void initializePage() override;
    int nextId() const override;
    bool validatePage() override;
    QComboBox* face;
    QLineEdit* nickname;
    QLineEdit* password;
    QLineEdit* confirmation;
    QLineEdit* age;
    QComboBox* gender;
    QComboBox* country;
    QComboBox* province;
    QLineEdit* city;

  private:
    std::function<void(const QString&, const QString&)> message_;
};

class CRegCommDlg : public QWizardPage {
    Q_OBJECT
  public:
    CRegCommDlg();
    int visibility() const;
    int nextId() const override;
    QLineEdit* address;
    QLineEdit* email;
    QLineEdit* phone;
    QLineEdit* postcode;

  private:
    QButtonGroup* visibility_;
};

class CRegMiscDlg : public QWizardPage {
    Q_OBJECT
  public:
    CRegMiscDlg();
    int nextId() const override;
    QComboBox* bloodType;
    QLineEdit* school;
    QLineEdit* homepage;
    QLineEdit* description;
    QLineEdit* occupation;
    QLineEdit* realName;
};

class CRegNetworkDlg : public QWizardPage {
    Q_OBJECT
  public:
    CRegNetworkDlg(const QString& server, int port);
    int nextId() const override;
    QLineEdit* server;
    QSpinBox* port;
};

class CRegWizard;

class CRegFinishDlg : public QWizardPage {
    Q_OBJECT
  public:
    CRegFinishDlg();
    void initializePage() override;
    void cleanupPage() override;
    bool isComplete() const override;
    int nextId() const override { return -1; }
    // Shows an outcome: the status title, the text, and whether the wizard
    // may be finished.
    void showOutcome(const QString& status, const QString& text, bool complete);
    QString statusText() const;
    QString text() const;
    int shownFace() const { return face_; }
    bool animating() const { return timer_.isActive(); }
    void stopAnimation() { timer_.stop(); }

  private:
    void tick();
    QGroupBox* status_;
    QLabel* text_;
    QLabel* picture_;
    QTimer timer_;  // 400 ms: the next face
    int face_ = 0;
    bool complete_ = false;
};

}  // namespace zemra::client::ui
