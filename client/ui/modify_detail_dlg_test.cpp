#include "client/ui/modify_detail_dlg.h"

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "client/ui/detail_pages.h"
#include "client/ui/detail_sheet_rules.h"
#include "client/ui/image_lists.h"
#include "platform/text.h"

namespace zemra::client::ui {
namespace {

protocol::UserDetails someone() {
    protocol::UserDetails d;
    d.userId = 1777;
    d.nickname = text::toGbk("小明");
    d.face = 12;
    d.age = 21;
    d.gender = 1;
    d.city = "Beijing";
    d.homePage = "http://example.org";
    return d;
}

class DetailsTest : public ::testing::Test {
  protected:
    void SetUp() override { setDataDir(ZEMRA_TEST_DATA_DIR); }

    DetailSheetBackend backend(const QString& saved, int policy) {
        DetailSheetBackend b;
        b.submit = [this](const protocol::UserProfile& p, int addPolicy) {
            sent.emplace_back(p, addPolicy);
        };
        b.message = [this](const QString& text, const QString&) { messages.push_back(text); };
        b.savedPassword = saved;
        b.addPolicy = policy;
        return b;
    }

    std::vector<std::pair<protocol::UserProfile, int>> sent;
    std::vector<QString> messages;
};

TEST_F(DetailsTest, AnotherUsersDetailsAreReadOnlyWithoutTheSecurityPage) {
    auto* sheet = new CModifyDetailDlg(someone(), false, backend("pw", 0));
    EXPECT_EQ(sheet->pageCount(), 3);
    EXPECT_EQ(sheet->authPage(), nullptr);
    EXPECT_EQ(sheet->basicPage()->nickname->text(), QString::fromUtf8("小明"));
    EXPECT_EQ(sheet->basicPage()->face->currentIndex(), 12);
    EXPECT_EQ(sheet->basicPage()->gender->currentIndex(), 1);
    EXPECT_TRUE(sheet->basicPage()->nickname->isReadOnly());
    EXPECT_FALSE(sheet->basicPage()->face->isEnabled());
    for (QPushButton* b : sheet->findChildren<QPushButton*>()) {
        if (b->text() == QString::fromUtf8("修改")) {
            EXPECT_FALSE(b->isEnabled());
        }
    }
    EXPECT_FALSE(sheet->modify());
    EXPECT_TRUE(sent.empty());
    delete sheet;
}

TEST_F(DetailsTest, OwnDetailsSendTheChangeWithThePolicyAndSavedPassword) {
    auto* sheet = new CModifyDetailDlg(someone(), true, backend("pw", 0));
    ASSERT_EQ(sheet->pageCount(), 4);
    EXPECT_FALSE(sheet->basicPage()->nickname->isReadOnly());
    sheet->authPage()->policy->button(1)->setChecked(true);
    sheet->basicPage()->city->setText("Shanghai");
    EXPECT_TRUE(sheet->modify());
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].second, 1);
    EXPECT_EQ(sent[0].first.password, "pw");
    EXPECT_EQ(sent[0].first.city, "Shanghai");
    EXPECT_EQ(sent[0].first.userId, 1777u);
    EXPECT_EQ(sent[0].first.visibility, protocol::kVisibilityFriends);
    delete sheet;
}

TEST_F(DetailsTest, AWrongOldPasswordSendsNothing) {
    auto* sheet = new CModifyDetailDlg(someone(), true, backend("pw", 0));
    CDetailAuthDlg* auth = sheet->authPage();
    auth->changePassword->setChecked(true);
    EXPECT_TRUE(auth->newPassword->isEnabled());
    auth->oldPassword->setText("wrong");
    auth->newPassword->setText("new");
    auth->confirmation->setText("new");
    EXPECT_FALSE(sheet->modify());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], QString::fromUtf8("密码输入有误"));
    EXPECT_TRUE(sent.empty());
    auth->oldPassword->setText(" pw ");
    EXPECT_TRUE(sheet->modify());
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].first.password, "new");
    delete sheet;
}

TEST(DetailSheetRules, PasswordChoice) {
    EXPECT_EQ(DetailSheetRules::choosePassword(false, "x", "y", "z", " saved "), "saved");
    EXPECT_EQ(DetailSheetRules::choosePassword(true, "saved", "n1", "n2", "saved"), std::nullopt);
    EXPECT_EQ(DetailSheetRules::choosePassword(true, "other", "n1", "n1", "saved"), std::nullopt);
    EXPECT_EQ(DetailSheetRules::choosePassword(true, " saved", "n1 ", "n1", "saved"), "n1");
}

}  // namespace
}  // namespace zemra::client::ui
