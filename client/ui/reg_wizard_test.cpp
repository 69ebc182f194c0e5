#include "client/ui/reg_wizard.h"
#include "client/ui/ui_text.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "client/ui/image_lists.h"
#include "client/ui/reg_wizard_flow.h"
#include "client/ui/reg_wizard_pages.h"
#include "platform/text.h"

namespace zemra::client::ui {
namespace {

TEST(RegWizardFlow, AnExistingAccountSkipsTheProfilePagesBothWays) {
    EXPECT_EQ(RegWizardFlow::next(kPageMode, RegWizardFlow::kModeNew), kPageBasic);
    EXPECT_EQ(RegWizardFlow::next(kPageMode, RegWizardFlow::kModeExisting), kPageNetwork);
    EXPECT_EQ(RegWizardFlow::back(kPageNetwork, RegWizardFlow::kModeExisting), kPageMode);
    EXPECT_EQ(RegWizardFlow::back(kPageNetwork, RegWizardFlow::kModeNew), kPageMisc);
    EXPECT_EQ(RegWizardFlow::next(kPageNetwork, RegWizardFlow::kModeExisting), kPageFinish);
    EXPECT_EQ(RegWizardFlow::next(kPageFinish, RegWizardFlow::kModeNew), -1);
}

TEST(RegWizardFlow, BasicPageChecks) {
    const QString missing = u("昵称和密码等必填资料输入有误");
    const QString mismatch = u("两次密码输入有误");
    EXPECT_EQ(RegWizardFlow::checkBasic("   ", "pw", "pw"), missing);
    EXPECT_EQ(RegWizardFlow::checkBasic("nick", "  ", "  "), missing);
    EXPECT_EQ(RegWizardFlow::checkBasic("nick", "secret1", "secret2"), mismatch);
    EXPECT_EQ(RegWizardFlow::checkBasic(" nick ", " secret ", "secret"), std::nullopt);
}

TEST(RegWizardFlow, OutcomeTexts) {
    const auto ok = RegWizardFlow::registered(1234);
    EXPECT_TRUE(ok.completed);
    EXPECT_EQ(ok.text, u("您的zemra号是1234，按完成进入系统。"));
    const auto failed = RegWizardFlow::registered(0);
    EXPECT_FALSE(failed.completed);
    EXPECT_EQ(failed.text, u("服务器错误，请稍后重试"));
    EXPECT_EQ(RegWizardFlow::loginResult(1).text, u("没有这个用户"));
    EXPECT_EQ(RegWizardFlow::loginResult(2).text, u("密码错误"));
    EXPECT_EQ(RegWizardFlow::loginResult(7).text, u("失败"));
    EXPECT_TRUE(RegWizardFlow::loginResult(7).backAllowed);
    EXPECT_TRUE(RegWizardFlow::loginResult(0).completed);
    EXPECT_EQ(RegWizardFlow::nextFace(84), 0);
}

// The wizard with a backend that records what it is asked to do.
class RegWizardTest : public ::testing::Test {
  protected:
    RegWizardTest() : wizard(makeBackend()) { wizard.show(); }

    RegWizardBackend makeBackend() {
        setDataDir(ZEMRA_TEST_DATA_DIR);
        RegWizardBackend b;
        b.connect = [this] { return whileConnecting ? whileConnecting() : link; };
        b.registerAccount = [this](const protocol::UserProfile& p) { registered.push_back(p); };
        b.login = [this](uint32_t id, const std::string& pw) { logins.emplace_back(id, pw); };
        b.message = [this](const QString& text, const QString&) { messages.push_back(text); };
        b.serverAddress = "127.0.0.9";
        return b;
    }

    int page() const { return wizard.sheet()->currentId(); }
    QAbstractButton* finish() const { return wizard.sheet()->button(QWizard::FinishButton); }

    RegWizardBackend::Link link = RegWizardBackend::Link::Connected;
    std::function<RegWizardBackend::Link()> whileConnecting;
    std::vector<protocol::UserProfile> registered;
    std::vector<std::pair<uint32_t, std::string>> logins;
    std::vector<QString> messages;
    CRegWizard wizard;
};

TEST_F(RegWizardTest, NewAccountRegistersWithThePageValues) {
    EXPECT_EQ(page(), kPageMode);
    wizard.sheet()->next();
    ASSERT_EQ(page(), kPageBasic);
    wizard.basicPage()->nickname->setText("  alice ");
    wizard.basicPage()->password->setText("pw1");
    wizard.basicPage()->confirmation->setText("pw2");
    wizard.sheet()->next();
    EXPECT_EQ(page(), kPageBasic);  // refused
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], u("两次密码输入有误"));
    wizard.basicPage()->confirmation->setText("pw1");
    wizard.basicPage()->face->setCurrentIndex(7);
    for (int i = 0; i < 4; ++i) wizard.sheet()->next();
    ASSERT_EQ(page(), kPageFinish);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !registered.empty(); }, 1000));
    ASSERT_EQ(registered.size(), 1u);
    EXPECT_EQ(registered[0].nickname, "alice");
    EXPECT_EQ(registered[0].password, "pw1");
    EXPECT_EQ(registered[0].face, 7);
    EXPECT_EQ(registered[0].country, text::toGbk("中华人民共和国"));
    EXPECT_EQ(registered[0].homePage, "http://");
    EXPECT_TRUE(logins.empty());
    EXPECT_TRUE(wizard.finishPage()->animating());
    EXPECT_FALSE(finish()->isEnabled());

    wizard.onRegistered(0);  // the server failed
    EXPECT_FALSE(finish()->isEnabled());
    EXPECT_FALSE(wizard.completed());
    EXPECT_EQ(wizard.finishPage()->statusText(), u("失败"));

    wizard.onRegistered(4321);
    EXPECT_TRUE(finish()->isEnabled());
    EXPECT_TRUE(wizard.completed());
    EXPECT_FALSE(wizard.sheet()->button(QWizard::CancelButton)->isEnabled());
    EXPECT_FALSE(wizard.finishPage()->animating());
    EXPECT_EQ(wizard.userId(), 4321u);
    const store::CMyInfo me = wizard.profile();
    EXPECT_EQ(me.nickname, "alice");
    EXPECT_EQ(me.face, 7);
    EXPECT_EQ(me.note, text::toGbk("ZEMRA感谢你的支持！"));
}

TEST_F(RegWizardTest, ExistingAccountSkipsToTheNetworkPageAndLogsIn) {
    wizard.modePage()->setMode(RegWizardFlow::kModeExisting);
    wizard.modePage()->idEdit()->setText("1500");
    wizard.modePage()->passwordEdit()->setText(" old ");
    wizard.sheet()->next();
    EXPECT_EQ(page(), kPageNetwork);
    wizard.sheet()->back();
    EXPECT_EQ(page(), kPageMode);
    wizard.sheet()->next();
    wizard.sheet()->next();
    ASSERT_EQ(page(), kPageFinish);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !logins.empty(); }, 1000));
    ASSERT_EQ(logins.size(), 1u);
    EXPECT_EQ(logins[0], std::make_pair(1500u, std::string("old")));
    EXPECT_TRUE(registered.empty());

    wizard.onLoginResult(1);
    EXPECT_FALSE(finish()->isEnabled());
    EXPECT_EQ(wizard.finishPage()->text(), u("没有这个用户"));
    EXPECT_TRUE(wizard.sheet()->button(QWizard::BackButton)->isVisible());
    wizard.onLoginResult(0);
    EXPECT_TRUE(wizard.completed());
    EXPECT_EQ(wizard.finishPage()->text(), u("已将好友列表下载到本地，按完成启动ZEMRA"));
    EXPECT_EQ(wizard.userId(), 1500u);
    EXPECT_EQ(wizard.password(), "old");
}

TEST_F(RegWizardTest, ABusyServerIsSaidAndNothingIsSent) {
    link = RegWizardBackend::Link::ConnectFailed;
    wizard.modePage()->setMode(RegWizardFlow::kModeExisting);
    wizard.sheet()->next();
    wizard.sheet()->next();
    ASSERT_EQ(page(), kPageFinish);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.empty(); }, 1000));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], u("服务器正忙,请稍侯再进行连接"));
    EXPECT_TRUE(logins.empty());
    EXPECT_FALSE(finish()->isEnabled());
    EXPECT_FALSE(wizard.finishPage()->animating());
    // Nothing is out: the user may leave.
    EXPECT_TRUE(wizard.sheet()->button(QWizard::CancelButton)->isEnabled());
}

TEST_F(RegWizardTest, NoWayOutWhileTheRegistrationIsOutSoNoAccountIsOrphaned) {
    // The connect waits in an event loop, as the real one does; meanwhile the
    // user tries every way out of the wizard.
    bool cancelEnabled = true;
    bool backEnabled = true;
    int pageDuringWait = 0;
    wizard.sheet()->setOption(QWizard::NoBackButtonOnLastPage, false);
    whileConnecting = [&] {
        pageDuringWait = page();
        cancelEnabled = wizard.sheet()->button(QWizard::CancelButton)->isEnabled();
        backEnabled = wizard.sheet()->button(QWizard::BackButton)->isEnabled();
        wizard.sheet()->button(QWizard::CancelButton)->click();
        wizard.sheet()->button(QWizard::BackButton)->click();
        QTest::keyClick(wizard.sheet(), Qt::Key_Escape);
        wizard.reject();
        QTest::qWait(50);
        return RegWizardBackend::Link::Connected;
    };
    wizard.basicPage()->nickname->setText("bob");
    wizard.basicPage()->password->setText("pw");
    wizard.basicPage()->confirmation->setText("pw");
    for (int i = 0; i < 5; ++i) wizard.sheet()->next();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !registered.empty(); }, 1000));
    EXPECT_EQ(pageDuringWait, kPageFinish);
    EXPECT_FALSE(cancelEnabled);
    EXPECT_FALSE(backEnabled);
    EXPECT_TRUE(wizard.isVisible());
    EXPECT_EQ(page(), kPageFinish);
    EXPECT_TRUE(wizard.requestOut());

    // The answer is taken, and the account is the user's.
    wizard.onRegistered(4711);
    EXPECT_TRUE(wizard.completed());
    EXPECT_EQ(wizard.userId(), 4711u);
    EXPECT_FALSE(wizard.requestOut());
}

TEST_F(RegWizardTest, TheFaceOnTheLastPageGoesRound) {
    wizard.modePage()->setMode(RegWizardFlow::kModeExisting);
    wizard.sheet()->next();
    wizard.sheet()->next();
    QTest::qWait(RegWizardFlow::kFaceTickMs * 2 + 150);
    EXPECT_GE(wizard.finishPage()->shownFace(), 2);
}

}  // namespace
}  // namespace zemra::client::ui
