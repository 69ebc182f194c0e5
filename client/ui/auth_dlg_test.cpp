#include "client/ui/auth_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <optional>

#include "client/app/client_core.h"
#include "client/testing/window_test_support.h"
#include "client/ui/face_rich_edit.h"
#include "client/ui/image_lists.h"
#include "platform/testing/temp_dir.h"
#include "platform/text.h"
#include "protocol/contact_packets.h"
#include "protocol/message_packets.h"
#include "protocol/simple_packets.h"

namespace zemra::client::ui {
namespace {

// Hands the server's add answers to the request window, as the main window does.
class RequestUi : public testing::QuietUi {
  public:
    void addFriendResult(uint32_t, int result) override {
        if (CAuthDlg* window = CAuthDlg::current()) window->onAddResult(result);
    }
};

// Keeps every packet and answers a relation request with `relationAnswer`.
class RequestServer : public testing::PacketLog {
  public:
    RequestServer()
        : PacketLog("127.0.4.31",
                    [this](uint16_t type, std::span<const uint8_t>, QTcpSocket& client) {
                        if (type == protocol::PT_SET_RELATION && relationAnswer) {
                            testing::StandInServer::answer(client, *relationAnswer);
                        }
                    }) {}
    std::optional<std::vector<uint8_t>> relationAnswer;
};

constexpr uint32_t kFriend = 601;    // in the friends group
constexpr uint32_t kStranger = 602;  // known, but among the strangers
constexpr uint32_t kNewcomer = 603;  // not a contact

class AuthDlgTest : public ::testing::Test {
  protected:
    AuthDlgTest() : core_(testing::windowTestConfig(dir_.path()), ui_) {
        setDataDir(ZEMRA_TEST_DATA_DIR);
        core_.recordStore().setUserDir(dir_.path());
        store::Contact friendly;
        friendly.id = kFriend;
        friendly.nickname = "fanny";
        friendly.face = 7;
        store::Contact stranger;
        stranger.id = kStranger;
        stranger.nickname = "sam";
        store::COutbarLayout layout = store::COutbarLayout::forNewUser();
        layout.groups[0].members = {kFriend};
        core_.contacts().load({friendly, stranger}, layout);
        core_.connection().setServer("127.0.4.31", server_.port());
    }

    ~AuthDlgTest() override {
        // Windows outlive a close until the event loop deletes them; the core
        // they hold goes with the fixture.
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (qobject_cast<CAuthDlg*>(w)) delete w;
        }
    }

    void connect() { ASSERT_TRUE(core_.connection().connectToServer()); }

    bool waitFor(uint16_t type, std::size_t n = 1) { return server_.waitFor(type, n); }

    static QString shown(CAuthDlg& w) { return w.message()->toPlainText(); }
    template <typename T>
    static T* control(CAuthDlg& w, const char* name) {
        T* found = w.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static QPushButton* button(CAuthDlg& w, const char* name) {
        return control<QPushButton>(w, name);
    }
    // "通过验证", "拒绝请求", "加为好友" and the note edit.
    static bool anyOfTheFourEnabled(CAuthDlg& w) {
        return button(w, "accept")->isEnabled() || button(w, "refuse")->isEnabled() ||
               button(w, "addFriend")->isEnabled() ||
               control<QLineEdit>(w, "authText")->isEnabled();
    }

    static store::ChatMessage notice(uint8_t kind, uint32_t from, std::string text = {}) {
        store::ChatMessage m;
        m.kind = kind;
        m.flags = store::kMessageIncoming;
        m.peer = from;
        m.time = 1700000000;
        m.text = std::move(text);
        return m;
    }

    zemra::testing::TempDir dir_;
    RequestUi ui_;
    RequestServer server_;
    ClientCore core_;
};

TEST_F(AuthDlgTest, AnOwnRequestAsksTheServerAndShowsWhoItIsFor) {
    connect();
    CAuthDlg* w = CAuthDlg::outgoing(core_, kNewcomer, "newbie", 12);
    ASSERT_TRUE(waitFor(protocol::PT_SET_RELATION));
    const auto change = protocol::parseRelationChange(
        protocol::PacketView(server_.ofType(protocol::PT_SET_RELATION)[0]));
    EXPECT_EQ(change.userId, kNewcomer);
    EXPECT_EQ(change.relation, protocol::kRelationFriend);

    EXPECT_EQ(CAuthDlg::current(), w);
    EXPECT_EQ(control<QLineEdit>(*w, "nickname")->text(), "newbie");
    EXPECT_EQ(control<QLabel>(*w, "id")->text(), QString::number(kNewcomer));
    EXPECT_EQ(shown(*w), QString::fromUtf8("正在向服务器递交添加请求"));
    EXPECT_FALSE(w->expanded());
    EXPECT_TRUE(button(*w, "accept")->isHidden());
    EXPECT_TRUE(button(*w, "refuse")->isHidden());
    EXPECT_FALSE(anyOfTheFourEnabled(*w));
    testing::saveScreenshot(*w, "ui_auth_outgoing.png");
    w->close();

    // A contact is shown as the list knows him, whatever the caller passed.
    CAuthDlg* known = CAuthDlg::outgoing(core_, kFriend, "stale", 3);
    ASSERT_NE(known, w);
    EXPECT_EQ(control<QLineEdit>(*known, "nickname")->text(), "fanny");
}

TEST_F(AuthDlgTest, ASecondRequestOnlyBringsTheFirstWindowForward) {
    connect();
    CAuthDlg* first = CAuthDlg::outgoing(core_, kNewcomer, "newbie", 12);
    ASSERT_TRUE(waitFor(protocol::PT_SET_RELATION));
    CAuthDlg* again = CAuthDlg::outgoing(core_, kStranger, "sam", 0);
    EXPECT_EQ(again, first);
    EXPECT_EQ(first->peer(), kNewcomer);
    EXPECT_EQ(control<QLineEdit>(*first, "nickname")->text(), "newbie");
    QTest::qWait(100);
    EXPECT_EQ(server_.ofType(protocol::PT_SET_RELATION).size(), 1u);
    // Once it is closed the next request gets its own window.
    first->close();
    EXPECT_EQ(CAuthDlg::current(), nullptr);
}

TEST_F(AuthDlgTest, EachAnswerOfTheServerIsShownAndOnlyAuthenticationOpensTheNote) {
    connect();
    const struct {
        std::vector<uint8_t> answer;
        const char* text;
        bool expanded;
    } cases[] = {
        {protocol::buildContactAdded({kNewcomer, "newbie", 12, true, protocol::kRelationFriend}),
         "添加好友成功", false},
        {protocol::buildHeaderOnly(protocol::PT_ADD_NEEDS_AUTH), "对方需要你进行身份验证", true},
        {protocol::buildHeaderOnly(protocol::PT_ADD_REFUSED), "对方拒绝了你的添加请求", false},
    };
    for (const auto& c : cases) {
        server_.relationAnswer = c.answer;
        CAuthDlg* w = CAuthDlg::outgoing(core_, kNewcomer, "newbie", 12);
        ASSERT_TRUE(QTest::qWaitFor([&] { return shown(*w) == QString::fromUtf8(c.text); }, 2000))
            << c.text << " / " << shown(*w).toStdString();
        EXPECT_EQ(w->expanded(), c.expanded) << c.text;
        auto* note = control<QLineEdit>(*w, "authText");
        EXPECT_EQ(note->isEnabled(), c.expanded) << c.text;
        EXPECT_EQ(button(*w, "sendRequest")->isEnabled(), c.expanded) << c.text;
        EXPECT_FALSE(button(*w, "addFriend")->isEnabled()) << c.text;
        w->close();
    }
}

TEST_F(AuthDlgTest, AnEmptyNoteGoesOutAsTheDefaultRequest) {
    connect();
    server_.relationAnswer = protocol::buildHeaderOnly(protocol::PT_ADD_NEEDS_AUTH);
    CAuthDlg* w = CAuthDlg::outgoing(core_, kNewcomer, "newbie", 12);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->expanded(); }, 2000));
    control<QLineEdit>(*w, "authText")->setText("   ");
    QTest::mouseClick(button(*w, "sendRequest"), Qt::LeftButton);
    ASSERT_TRUE(waitFor(protocol::PT_MESSAGE));
    const protocol::TextMessage sent =
        protocol::parseMessage(protocol::PacketView(server_.ofType(protocol::PT_MESSAGE)[0]));
    EXPECT_EQ(sent.kind, protocol::kMessageAuthRequest);
    EXPECT_EQ(sent.peerId, kNewcomer);
    EXPECT_EQ(sent.text, text::toGbk("请求加为好友"));
    EXPECT_EQ(shown(*w), QString::fromUtf8("已经成功地向对方发送信息"));
    EXPECT_FALSE(button(*w, "sendRequest")->isEnabled());
    EXPECT_FALSE(anyOfTheFourEnabled(*w));
    // A second click sends nothing more.
    QTest::mouseClick(button(*w, "sendRequest"), Qt::LeftButton);
    QTest::qWait(100);
    EXPECT_EQ(server_.ofType(protocol::PT_MESSAGE).size(), 1u);
    w->close();
}

TEST_F(AuthDlgTest, WithoutAnAnswerInTimeOrWithoutALinkTheUserIsTold) {
    connect();
    CAuthDlg* w = CAuthDlg::outgoing(core_, kNewcomer, "newbie", 12);
    w->setAddTimeout(50);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return shown(*w) == QString::fromUtf8("超时，请重试或返回"); }, 2000));
    EXPECT_FALSE(w->expanded());
    EXPECT_FALSE(anyOfTheFourEnabled(*w));
    EXPECT_FALSE(w->request().waiting());
    w->close();

    core_.connection().shutdown();
    CAuthDlg* offline = CAuthDlg::outgoing(core_, kNewcomer, "newbie", 12);
    EXPECT_EQ(shown(*offline), QString::fromUtf8("超时，请重试或返回"));
    EXPECT_FALSE(offline->request().waiting());
    offline->close();
}

TEST_F(AuthDlgTest, AcceptingAndRefusingAnswerTheRequesterOnce) {
    connect();
    const struct {
        const char* button;
        uint16_t type;
        uint16_t operation;
    } cases[] = {{"accept", protocol::PT_AUTH_ACCEPT, 10}, {"refuse", protocol::PT_AUTH_REFUSE, 0}};
    for (const auto& c : cases) {
        auto* w = new CAuthDlg(core_, notice(3, kStranger, "let me in"));
        w->show();
        QTest::mouseClick(button(*w, c.button), Qt::LeftButton);
        ASSERT_TRUE(waitFor(c.type)) << c.button;
        const std::vector<uint8_t> packet = server_.ofType(c.type)[0];
        const protocol::PacketView sent(packet);
        EXPECT_EQ(sent.u32(24), kStranger) << c.button;
        EXPECT_EQ(sent.u16(30), c.operation) << c.button;
        EXPECT_EQ(shown(*w), QString::fromUtf8("服务器已接收您的指令,请按返回继续"));
        EXPECT_FALSE(anyOfTheFourEnabled(*w)) << c.button;
        w->close();
    }
    EXPECT_EQ(server_.ofType(protocol::PT_AUTH_ACCEPT).size(), 1u);
    EXPECT_EQ(server_.ofType(protocol::PT_AUTH_REFUSE).size(), 1u);
}

TEST_F(AuthDlgTest, ANoticeShowsItsTextAndButtonsAndIsRegisteredUnderItsSender) {
    auto* w = new CAuthDlg(core_, notice(3, kNewcomer, text::toGbk("我是老王")));
    w->show();
    EXPECT_EQ(shown(*w), QString::fromUtf8("请求你通过身份验证\n\n附加消息:我是老王"));
    EXPECT_EQ(control<QLineEdit>(*w, "nickname")->text(), QString::number(kNewcomer));
    for (const char* name : {"accept", "refuse", "addFriend"}) {
        EXPECT_TRUE(button(*w, name)->isVisible()) << name;
        EXPECT_TRUE(button(*w, name)->isEnabled()) << name;
    }
    EXPECT_FALSE(w->expanded());
    const auto handle = core_.windows().findWindow(WindowKind::FriendRequestIn, kNewcomer);
    ASSERT_TRUE(handle.has_value());
    EXPECT_EQ(*handle, reinterpret_cast<WindowHandle>(w));
    testing::saveScreenshot(*w, "ui_auth_incoming.png");
    delete w;
    EXPECT_FALSE(core_.windows().findWindow(WindowKind::FriendRequestIn, kNewcomer).has_value());

    // A server message keeps its own format.
    store::ChatMessage server = notice(0, store::kSystemAccountId, "welcome");
    server.faceName = "DejaVu Sans";
    server.size = 17;
    auto* news = new CAuthDlg(core_, server);
    EXPECT_EQ(shown(*news), "welcome");
    QTextCursor at(news->message()->document());
    at.setPosition(2);
    EXPECT_EQ(qRound(at.charFormat().fontPointSize()), 17);
    delete news;
}

TEST_F(AuthDlgTest, AFriendsNoticeDoesNotOfferToAddHimAgain) {
    auto* fromFriend = new CAuthDlg(core_, notice(5, kFriend));
    auto* fromStranger = new CAuthDlg(core_, notice(5, kStranger));
    EXPECT_FALSE(button(*fromFriend, "addFriend")->isEnabled());
    EXPECT_TRUE(button(*fromStranger, "addFriend")->isEnabled());
    delete fromFriend;
    delete fromStranger;
}

TEST_F(AuthDlgTest, AddingTheSenderRunsTheRequestInTheNoticeWindow) {
    connect();
    server_.relationAnswer = protocol::buildHeaderOnly(protocol::PT_ADD_NEEDS_AUTH);
    auto* w = new CAuthDlg(core_, notice(5, kStranger));
    w->show();
    QTest::mouseClick(button(*w, "addFriend"), Qt::LeftButton);
    ASSERT_TRUE(waitFor(protocol::PT_SET_RELATION));
    EXPECT_EQ(protocol::parseRelationChange(
                  protocol::PacketView(server_.ofType(protocol::PT_SET_RELATION)[0]))
                  .userId,
              kStranger);
    EXPECT_EQ(CAuthDlg::current(), w);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->expanded(); }, 2000));
    EXPECT_TRUE(control<QLineEdit>(*w, "authText")->isEnabled());
    EXPECT_FALSE(button(*w, "addFriend")->isEnabled());
    // While it waits, another request only brings it forward.
    EXPECT_EQ(CAuthDlg::outgoing(core_, kNewcomer, "newbie", 12), w);
    w->close();
}

}  // namespace
}  // namespace zemra::client::ui
