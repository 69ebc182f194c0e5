#include "client/ui/login_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "client/store/login_ids.h"
#include "client/store/user_settings.h"
#include "client/ui/image_lists.h"
#include "platform/paths.h"
#include "platform/testing/temp_dir.h"
#include "platform/text.h"

namespace zemra::client::ui {
namespace {

namespace fs = std::filesystem;

class LoginDialogTest : public ::testing::Test {
  protected:
    void SetUp() override { setDataDir(ZEMRA_TEST_DATA_DIR); }

    // A user who has logged in here before, with these settings.
    void knownUser(uint32_t id, bool save, bool invisible, const std::string& password) {
        store::UserSettings s = store::UserSettings::defaults(dir.path());
        s.save = save ? 1 : 0;
        s.invis = invisible ? 1 : 0;
        s.password = password;
        paths::createUserDirsIn(dir.path(), id);
        fs::create_directories(dir / "config");
        store::SaveSettings(s, paths::userDirIn(dir.path(), id) / "zemra.ini", dir / "windows");
        store::RememberLoginId(dir / "config", id);
    }

    // Runs the dialog and, once it shows, does `action` with it.
    LoginDialogResult runWith(CLoginDlg& dialog, std::function<void()> action) {
        QTimer::singleShot(50, &dialog, action);
        return dialog.run();
    }

    testing::TempDir dir;
};

TEST_F(LoginDialogTest, NobodyKnownEndsAtOnceForTheWizard) {
    LoginDialogModel model(dir.path(), dir.path());
    CLoginDlg dialog(model, std::nullopt);
    EXPECT_EQ(dialog.run().kind, LoginDialogResult::Kind::Register);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(LoginDialogTest, SelectingAUserFillsTheSavedPasswordAndBothChecks) {
    knownUser(2001, false, true, "secret2");
    knownUser(2002, true, false, "secret1");  // most recent: first in the list
    LoginDialogModel model(dir.path(), dir.path());
    CLoginDlg dialog(model, std::nullopt);
    const auto result = runWith(dialog, [&] {
        EXPECT_EQ(dialog.idBox()->count(), 2);
        EXPECT_EQ(dialog.idBox()->currentText(), "2002");
        EXPECT_EQ(dialog.passwordEdit()->text(), "secret1");
        EXPECT_FALSE(dialog.invisibleBox()->isChecked());
        EXPECT_TRUE(dialog.saveBox()->isChecked());
        dialog.idBox()->setCurrentIndex(1);  // saving is off for 2001
        EXPECT_EQ(dialog.passwordEdit()->text(), "");
        EXPECT_TRUE(dialog.invisibleBox()->isChecked());
        EXPECT_FALSE(dialog.saveBox()->isChecked());
        EXPECT_TRUE(fs::is_directory(paths::callListDirIn(dir.path(), 2001)));
        dialog.passwordEdit()->setText("  typed  ");
        dialog.loginButton()->click();
    });
    ASSERT_EQ(result.kind, LoginDialogResult::Kind::Accepted);
    EXPECT_EQ(result.choice.userId, 2001u);
    EXPECT_EQ(result.choice.password, "typed");
    EXPECT_TRUE(result.choice.invisible);
    EXPECT_FALSE(result.choice.savePassword);
}

TEST_F(LoginDialogTest, ATypedIdNeverGoesOutWithAnotherUsersPassword) {
    knownUser(2001, true, true, "hers");
    knownUser(2002, true, false, "mine");
    LoginDialogModel model(dir.path(), dir.path());
    CLoginDlg dialog(model, std::nullopt);
    const auto result = runWith(dialog, [&] {
        ASSERT_EQ(dialog.passwordEdit()->text(), "mine");
        // An unknown number typed over the selected one: nothing saved applies.
        dialog.idBox()->setEditText("4711");
        EXPECT_EQ(dialog.passwordEdit()->text(), "");
        EXPECT_FALSE(dialog.invisibleBox()->isChecked());
        EXPECT_FALSE(dialog.saveBox()->isChecked());
        EXPECT_FALSE(fs::exists(paths::userDirIn(dir.path(), 4711)));
        // A known number typed in brings that user's own saved values.
        dialog.idBox()->setEditText("2001");
        EXPECT_EQ(dialog.passwordEdit()->text(), "hers");
        EXPECT_TRUE(dialog.invisibleBox()->isChecked());
        dialog.idBox()->setEditText("4711");
        dialog.loginButton()->click();
    });
    ASSERT_EQ(result.kind, LoginDialogResult::Kind::Accepted);
    EXPECT_EQ(result.choice.userId, 4711u);
    EXPECT_EQ(result.choice.password, "");
    EXPECT_FALSE(result.choice.invisible);
}

TEST_F(LoginDialogTest, PasswordsAreTenCharactersAtMost) {
    knownUser(2001, true, false, "");
    LoginDialogModel model(dir.path(), dir.path());
    CLoginDlg dialog(model, std::nullopt);
    EXPECT_EQ(dialog.passwordEdit()->maxLength(), 10);
    const LoginChoice choice =
        model.accept(2001, QString::fromUtf8("一二三四五六七八九十十一"), false, true, 1);
    EXPECT_EQ(text::toUtf8(choice.password), "一二三四五六七八九十");
    EXPECT_EQ(choice.connectionType, 1);
}

TEST_F(LoginDialogTest, RegisterAndQuitButtons) {
    knownUser(2001, true, false, "pw");
    LoginDialogModel model(dir.path(), dir.path());
    {
        CLoginDlg dialog(model, std::nullopt);
        EXPECT_EQ(runWith(dialog, [&] { dialog.registerButton()->click(); }).kind,
                  LoginDialogResult::Kind::Register);
    }
    CLoginDlg dialog(model, std::nullopt);
    EXPECT_EQ(runWith(dialog, [&] { dialog.reject(); }).kind, LoginDialogResult::Kind::Cancelled);
}

TEST_F(LoginDialogTest, ACommandLineLoginFillsInAndAcceptsItself) {
    knownUser(2001, true, false, "saved");
    LoginDialogModel model(dir.path(), dir.path());
    LoginChoice commandLine;
    commandLine.userId = 3005;
    commandLine.password = "frompipe";
    CLoginDlg dialog(model, commandLine);
    const auto result = dialog.run();
    ASSERT_EQ(result.kind, LoginDialogResult::Kind::Accepted);
    EXPECT_EQ(result.choice.userId, 3005u);
    EXPECT_EQ(result.choice.password, "frompipe");
}

}  // namespace
}  // namespace zemra::client::ui
