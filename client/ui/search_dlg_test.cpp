#include "client/ui/search_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "client/app/client_core.h"
#include "client/testing/window_test_support.h"
#include "client/ui/image_lists.h"
#include "client/ui/window_message_bridge.h"
#include "platform/testing/temp_dir.h"
#include "platform/text.h"
#include "protocol/contact_packets.h"
#include "protocol/packet_types.h"
#include "protocol/search_packets.h"
#include "protocol/simple_packets.h"

namespace zemra::client::ui {
namespace {

using protocol::SearchResultEntry;

using testing::QuietUi;

// A user directory that answers searches in pages of 19, as zemrad does, and
// keeps every packet it gets.
class Directory {
  public:
    struct Packet {
        uint16_t type;
        std::vector<uint8_t> bytes;
    };

    uint16_t port() const { return server_.port(); }
    std::vector<std::vector<uint8_t>> received(uint16_t type) const {
        std::vector<std::vector<uint8_t>> out;
        for (const auto& p : packets)
            if (p.type == type) out.push_back(p.bytes);
        return out;
    }
    std::vector<uint16_t> pagesAsked() const {
        std::vector<uint16_t> out;
        for (const auto& bytes : received(protocol::PT_SEARCH_ONLINE)) {
            out.push_back(protocol::parseOnlineSearch(bytes).page);
        }
        return out;
    }

    std::vector<SearchResultEntry> users;
    std::vector<Packet> packets;

  private:
    void answer(uint16_t type, std::span<const uint8_t> packet, QTcpSocket& client) {
        using namespace protocol;
        packets.push_back({type, {packet.begin(), packet.end()}});
        uint16_t page = 0;
        switch (type) {
            case PT_SEARCH_BY_ID:
                for (const auto& user : users) {
                    if (user.userId == parseUserId(packet)) {
                        testing::StandInServer::answer(client, buildSearchResult({&user, 1}));
                        return;
                    }
                }
                testing::StandInServer::answer(client, buildSubCodePacket(PT_SEARCH_STATUS, 21));
                return;
            case PT_SEARCH_BY_NICK:
                page = parseNickSearch(packet).page;
                break;
            case PT_SEARCH_ONLINE:
                page = parseOnlineSearch(packet).page;
                break;
            default:
                return;
        }
        const std::size_t from = std::size_t{page} * 19;
        if (from >= users.size()) {
            const uint16_t code = users.empty() ? 21 : 22;
            testing::StandInServer::answer(client, buildSubCodePacket(PT_SEARCH_STATUS, code));
            return;
        }
        const std::size_t count = std::min<std::size_t>(19, users.size() - from);
        testing::StandInServer::answer(client,
                                       buildSearchResult(std::span(users).subspan(from, count)));
    }

    testing::StandInServer server_{"127.0.4.40", 0,
                                   [this](uint16_t type, std::span<const uint8_t> packet,
                                          QTcpSocket& client) { answer(type, packet, client); }};
};

std::vector<SearchResultEntry> onlineUsers(std::size_t count) {
    std::vector<SearchResultEntry> list(count);
    for (std::size_t i = 0; i < count; ++i) {
        list[i].userId = 2000 + static_cast<uint32_t>(i);
        list[i].nickname = text::toGbk("用户" + std::to_string(i));
        list[i].face = static_cast<uint16_t>(i % 85);
        list[i].status = protocol::kSearchStatusIdle;
        list[i].city = text::toGbk(i % 2 ? "北京" : "上海");
        list[i].hasVideo = i % 3 == 0;
        list[i].hasAudio = true;
    }
    return list;
}

// Clicks `button` and returns "caption|text" of the message box it opens,
// closing the box; empty when none opened.
QString boxAfterClicking(QAbstractButton* button) {
    QString said;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&said] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            said = box->windowTitle() + "|" + box->text();
            box->accept();
        }
    });
    poll.start();
    button->click();
    return said;
}

QString cell(QTreeWidget* list, int row, int column) {
    const QTreeWidgetItem* item = list->topLevelItem(row);
    return item ? item->text(column) : QString("<no row %1>").arg(row);
}

constexpr uint32_t kOwn = 1234;

class SearchDlgTest : public ::testing::Test {
  protected:
    SearchDlgTest() : core_(testing::windowTestConfig(dir_.path()), ui_) {
        setDataDir(ZEMRA_TEST_DATA_DIR);
        WindowMessageBridge::install();
        core_.setWizardAccount(kOwn, "secret");
        core_.connection().setServer("127.0.4.40", directory_.port());
    }
    ~SearchDlgTest() override {
        delete dialog_.data();  // a failed test may leave it open; it holds the core
        WindowMessageBridge::uninstall();
    }

    void SetUp() override { ASSERT_TRUE(core_.connection().connectToServer()); }

    CSearchDlg* open(SearchActions actions = {}) {
        dialog_ = new CSearchDlg(core_, std::move(actions));
        dialog_->show();
        return dialog_;
    }

    template <class T = QPushButton>
    T* child(const char* name) {
        T* widget = dialog_->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    QTreeWidget* results() { return child<QTreeWidget>("results"); }
    QString status() { return child<QLabel>("status")->text(); }
    bool enabled(const char* name) { return child<QWidget>(name)->isEnabled(); }

    // Clicks a button and waits until its search (or walk) has its answer.
    bool clickAndWait(const char* name) {
        child(name)->click();
        return QTest::qWaitFor(
            [this] { return !dialog_->paging().waiting() && !dialog_->paging().walking(); }, 3000);
    }

    zemra::testing::TempDir dir_;
    QuietUi ui_;
    Directory directory_;
    ClientCore core_;
    QPointer<CSearchDlg> dialog_;
};

TEST_F(SearchDlgTest, OpensOnOnlineUsersAndEachModeEnablesItsOwnFields) {
    open();
    EXPECT_TRUE(child<QRadioButton>("modeOnline")->isChecked());
    EXPECT_FALSE(enabled("idEdit"));
    EXPECT_FALSE(enabled("nickEdit"));
    for (auto* name : {"autoRefresh", "soundCard", "camera", "male", "female", "sameCity"}) {
        EXPECT_TRUE(enabled(name)) << name;
    }
    EXPECT_FALSE(enabled("previousPage"));
    EXPECT_FALSE(enabled("nextPage"));
    EXPECT_EQ(dialog_->windowTitle(), QString::fromUtf8("我要查询"));
    EXPECT_EQ(dialog_->skinTitle(), QString::fromUtf8("在线查找"));

    child<QRadioButton>("modeId")->click();
    EXPECT_TRUE(enabled("idEdit"));
    EXPECT_FALSE(enabled("nickEdit"));
    EXPECT_FALSE(enabled("autoRefresh"));
    EXPECT_FALSE(enabled("sameCity"));
    child<QRadioButton>("modeNick")->click();
    EXPECT_FALSE(enabled("idEdit"));
    EXPECT_TRUE(enabled("nickEdit"));
    EXPECT_FALSE(enabled("camera"));
    dialog_->close();
}

TEST_F(SearchDlgTest, ASearchByIdSendsTheIdAndShowsItsRow) {
    SearchResultEntry anna;
    anna.userId = 1500;
    anna.nickname = text::toGbk("安娜");
    anna.face = 7;
    anna.status = protocol::kSearchStatusIdle;
    anna.city = text::toGbk("广州");
    anna.hasVideo = true;
    directory_.users = {anna};
    open();
    child<QRadioButton>("modeId")->click();
    child<QLineEdit>("idEdit")->setText("1500");
    ASSERT_TRUE(clickAndWait("search"));
    const auto asked = directory_.received(protocol::PT_SEARCH_BY_ID);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(protocol::parseUserId(asked[0]), 1500u);
    ASSERT_EQ(results()->topLevelItemCount(), 1);
    const QStringList row{"1500", "安娜", "空闲", "有", "无", "广州", ""};
    for (int column = 0; column < row.size(); ++column) {
        EXPECT_EQ(cell(results(), 0, column), row[column]) << column;
    }
    EXPECT_FALSE(results()->topLevelItem(0)->icon(0).isNull());
    EXPECT_TRUE(results()->topLevelItem(0)->isSelected());
    EXPECT_EQ(status(), QString::fromUtf8("查询结果：当前页共有1个满足条件的用户"));
    EXPECT_FALSE(enabled("nextPage"));

    // Nobody with that ID: the list stays empty and says so.
    child<QLineEdit>("idEdit")->setText("1501");
    ASSERT_TRUE(clickAndWait("search"));
    EXPECT_EQ(results()->topLevelItemCount(), 0);
    EXPECT_EQ(status(), QString::fromUtf8("查询结果：没有满足条件的用户存在"));
    dialog_->close();
}

TEST_F(SearchDlgTest, AFullPageKeepsNextPageAndAShortOneEndsTheList) {
    directory_.users = onlineUsers(19 + 18);
    directory_.users[1].status = protocol::kSearchStatusInCall;
    directory_.users[2].status = protocol::kSearchStatusOffline;
    open();
    ASSERT_TRUE(clickAndWait("search"));
    ASSERT_EQ(results()->topLevelItemCount(), 19);
    EXPECT_TRUE(enabled("nextPage"));
    EXPECT_FALSE(enabled("previousPage"));
    EXPECT_EQ(cell(results(), 1, 2), QString::fromUtf8("通话中"));
    EXPECT_EQ(cell(results(), 2, 2), QString::fromUtf8("未登录"));
    EXPECT_EQ(cell(results(), 2, 4), QString::fromUtf8("无"));  // audio, but offline
    testing::saveScreenshot(*dialog_, "ui_search.png");

    ASSERT_TRUE(clickAndWait("nextPage"));
    EXPECT_EQ(results()->topLevelItemCount(), 18);
    EXPECT_EQ(cell(results(), 0, 0), "2019");
    EXPECT_FALSE(enabled("nextPage"));
    EXPECT_TRUE(enabled("previousPage"));

    ASSERT_TRUE(clickAndWait("previousPage"));
    EXPECT_EQ(results()->topLevelItemCount(), 19);
    EXPECT_FALSE(enabled("previousPage"));
    EXPECT_EQ(directory_.pagesAsked(), (std::vector<uint16_t>{0, 1, 0}));
    dialog_->close();
}

TEST_F(SearchDlgTest, AnIdBelowAThousandEndsTheListWhereItStands) {
    directory_.users = onlineUsers(19);
    directory_.users[4].userId = 999;
    open();
    ASSERT_TRUE(clickAndWait("search"));
    EXPECT_EQ(results()->topLevelItemCount(), 4);
    EXPECT_FALSE(enabled("nextPage"));
    EXPECT_EQ(status(), QString::fromUtf8("查询结果：当前页共有4个满足条件的用户"));
    dialog_->close();
}

TEST_F(SearchDlgTest, LastPageWalksForwardUntilAPageComesBackShort) {
    directory_.users = onlineUsers(45);  // pages of 19, 19 and 7
    open();
    ASSERT_TRUE(clickAndWait("search"));
    ASSERT_TRUE(clickAndWait("lastPage"));
    EXPECT_EQ(directory_.pagesAsked(), (std::vector<uint16_t>{0, 1, 2}));
    EXPECT_EQ(results()->topLevelItemCount(), 7);
    EXPECT_EQ(cell(results(), 0, 0), "2038");
    EXPECT_FALSE(enabled("nextPage"));
    EXPECT_TRUE(enabled("previousPage"));

    ASSERT_TRUE(clickAndWait("firstPage"));
    EXPECT_EQ(directory_.pagesAsked().back(), 0);
    EXPECT_FALSE(enabled("previousPage"));
    dialog_->close();
}

TEST_F(SearchDlgTest, LastPageStepsBackWhenThePagesEndExactly) {
    directory_.users = onlineUsers(38);  // two full pages, then nothing
    open();
    ASSERT_TRUE(clickAndWait("lastPage"));
    EXPECT_EQ(directory_.pagesAsked(), (std::vector<uint16_t>{1, 2, 1}));
    EXPECT_EQ(results()->topLevelItemCount(), 19);
    EXPECT_EQ(cell(results(), 0, 0), "2019");
    EXPECT_FALSE(enabled("nextPage"));
    EXPECT_EQ(status(), QString::fromUtf8("查询结果：当前页共有19个满足条件的用户"));
    dialog_->close();
}

TEST_F(SearchDlgTest, AutoRefreshAsksAgainUntilTheWindowCloses) {
    directory_.users = onlineUsers(3);
    open();
    dialog_->setRefreshPeriod(100);
    ASSERT_TRUE(clickAndWait("search"));
    EXPECT_FALSE(dialog_->refreshing());  // only when asked for
    child<QCheckBox>("autoRefresh")->setChecked(true);
    ASSERT_TRUE(clickAndWait("search"));
    EXPECT_TRUE(dialog_->refreshing());
    ASSERT_TRUE(QTest::qWaitFor([this] { return directory_.pagesAsked().size() >= 4; }, 3000));
    dialog_->close();
    QTest::qWait(150);  // a search sent just before may still be on its way
    const std::size_t asked = directory_.pagesAsked().size();
    QTest::qWait(400);
    EXPECT_EQ(directory_.pagesAsked().size(), asked);
    EXPECT_TRUE(dialog_.isNull());
}

TEST_F(SearchDlgTest, AnIdThatIsNoNumberIsRefusedAndNothingIsSent) {
    open();
    child<QRadioButton>("modeId")->click();
    for (const char* typed : {"12ab", ""}) {
        child<QLineEdit>("idEdit")->setText(typed);
        EXPECT_EQ(boxAfterClicking(child("search")),
                  QString::fromUtf8("zemra|用户ID号只能是0到99999999之间的数字"))
            << typed;
    }
    QTest::qWait(200);
    EXPECT_TRUE(directory_.received(protocol::PT_SEARCH_BY_ID).empty());
    EXPECT_FALSE(dialog_->paging().waiting());
    dialog_->close();
}

TEST_F(SearchDlgTest, ALongNicknameIsCutWithoutSplittingACharacter) {
    open();
    child<QRadioButton>("modeNick")->click();
    // Ten bytes fit the field; the fifth Chinese character would need bytes ten and eleven.
    child<QLineEdit>("nickEdit")->setText(QString::fromUtf8("a张三李四王五"));
    ASSERT_TRUE(clickAndWait("search"));
    const auto asked = directory_.received(protocol::PT_SEARCH_BY_NICK);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(protocol::parseNickSearch(asked[0]).nickname, text::toGbk("a张三李四"));
    EXPECT_EQ(asked[0][21 + 9], 0);  // no half character after the text
    dialog_->close();
}

TEST_F(SearchDlgTest, OnesOwnRowAllowsOnlyTheDetails) {
    directory_.users = onlineUsers(2);
    directory_.users[0].userId = kOwn;
    open();
    ASSERT_TRUE(clickAndWait("search"));
    ASSERT_EQ(results()->topLevelItemCount(), 2);
    results()->setCurrentItem(results()->topLevelItem(0));
    for (auto* name : {"call", "sendFile", "addFriend", "blacklist", "chat"}) {
        EXPECT_FALSE(enabled(name)) << name;
    }
    EXPECT_TRUE(enabled("details"));
    results()->setCurrentItem(results()->topLevelItem(1));
    for (auto* name : {"call", "sendFile", "addFriend", "blacklist", "chat", "details"}) {
        EXPECT_TRUE(enabled(name)) << name;
    }
    dialog_->close();
}

TEST_F(SearchDlgTest, ActionsReachTheMainWindowOrTheServerForTheSelectedUser) {
    directory_.users = onlineUsers(1);
    const SearchResultEntry& bert = directory_.users[0];
    std::vector<std::string> done;
    SearchActions actions;
    actions.chat = [&](uint32_t id) { done.push_back("chat " + std::to_string(id)); };
    actions.call = [&](uint32_t id, const std::string&) { done.push_back("call " + std::to_string(id)); };
    actions.sendFile = [&](uint32_t id, const std::string& nick) {
        done.push_back("file " + std::to_string(id) + " " + text::toUtf8(nick));
    };
    actions.addFriend = [&](uint32_t id, const std::string& nick, uint16_t face) {
        done.push_back("add " + std::to_string(id) + " " + text::toUtf8(nick) + " " +
                       std::to_string(face));
    };
    open(actions);
    EXPECT_EQ(boxAfterClicking(child("chat")), QString::fromUtf8("zemra|请先选择用户"));
    ASSERT_TRUE(clickAndWait("search"));
    child("chat")->click();
    child("call")->click();
    child("sendFile")->click();
    child("details")->click();
    // The view takes a double click only on the row the press went to.
    const QPoint row = results()->visualItemRect(results()->topLevelItem(0)).center();
    QTest::mousePress(results()->viewport(), Qt::LeftButton, {}, row);
    QTest::mouseDClick(results()->viewport(), Qt::LeftButton, {}, row);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return directory_.received(protocol::PT_GET_DETAILS).size() == 2; }, 2000));
    EXPECT_EQ(protocol::parseUserId(directory_.received(protocol::PT_GET_DETAILS)[1]), bert.userId);
    child("addFriend")->click();
    EXPECT_EQ(done, (std::vector<std::string>{"chat 2000", "call 2000", "file 2000 用户0",
                                              "add 2000 用户0 0"}));
    ASSERT_TRUE(QTest::qWaitFor([this] { return dialog_.isNull(); }, 2000));

    // The black list goes to the server and closes the window too.
    open(actions);
    ASSERT_TRUE(clickAndWait("search"));
    child("blacklist")->click();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !directory_.received(protocol::PT_SET_RELATION).empty(); }, 2000));
    EXPECT_EQ(protocol::parseRelationChange(directory_.received(protocol::PT_SET_RELATION)[0]),
              (protocol::RelationChange{bert.userId, protocol::kRelationBlacklist}));
    ASSERT_TRUE(QTest::qWaitFor([this] { return dialog_.isNull(); }, 2000));
}

TEST_F(SearchDlgTest, SomeoneAlreadyInTheListIsNotAddedAgain) {
    directory_.users = onlineUsers(1);
    store::Contact blocked;
    blocked.id = directory_.users[0].userId;
    store::COutbarLayout layout = store::COutbarLayout::forNewUser();
    layout.groups.back().members = {blocked.id};
    core_.contacts().load({blocked}, layout);
    bool added = false;
    SearchActions actions;
    actions.addFriend = [&](uint32_t, const std::string&, uint16_t) { added = true; };
    open(actions);
    ASSERT_TRUE(clickAndWait("search"));
    EXPECT_EQ(boxAfterClicking(child("addFriend")), QString::fromUtf8("zemra|您已设置该用户"));
    EXPECT_FALSE(added);
    EXPECT_FALSE(dialog_.isNull());
    dialog_->close();
}

}  // namespace
}  // namespace zemra::client::ui
