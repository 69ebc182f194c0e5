#include "client/ui/file_transfer_dlg.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <deque>
#include <random>

#include "client/testing/window_test_support.h"
#include "client/ui/image_lists.h"
#include "client/ui/percent_progress.h"
#include "client/ui/window_message_bridge.h"
#include "include/xferlink.h"
#include "platform/testing/temp_dir.h"
#include "platform/text.h"
#include "protocol/file_packets.h"
#include "protocol/packet_types.h"
#include "protocol/relay_hello.h"
#include "protocol/simple_packets.h"

namespace zemra::client::ui {
namespace {

using namespace protocol;
using zemra::testing::readFile;
using zemra::testing::writeFile;

constexpr const char* kAddress = "127.0.8.1";
constexpr uint32_t kOwn = 1234;
constexpr uint32_t kPeer = 5678;
constexpr uint32_t kToken = 99;

QString q(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

QString qs(const char* utf8) {
    return QString::fromUtf8(utf8);
}

std::string randomBytes(std::size_t size) {
    std::mt19937 random(11);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

// The server's file relay as xferlink meets it, played on the GUI thread:
// it pairs the one connection at once, then takes a sender's bytes, or feeds
// a receiver `content`, stopping at `holdAt` bytes until resume().
class TestRelay {
  public:
    TestRelay() {
        server_.listen(QHostAddress(kAddress), 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] { accept(); });
    }
    uint16_t port() const { return server_.serverPort(); }
    void resume() {
        holdAt = -1;
        feed();
    }

    QByteArray content;
    qsizetype holdAt = -1;
    std::optional<RelayHello> hello;
    QByteArray received;        // from a sender
    bool receiverDone = false;  // a receiver said the file is in place

  private:
    void accept() {
        socket_ = server_.nextPendingConnection();
        hello.reset();
        buffer_.clear();
        fed_ = 0;
        QObject::connect(socket_, &QTcpSocket::readyRead, [this] { read(); });
    }
    void read() {
        buffer_ += socket_->readAll();
        if (!hello) {
            if (buffer_.size() < static_cast<qsizetype>(kRelayHelloSize)) return;
            hello = RelayHello::decode(
                std::span(reinterpret_cast<const uint8_t*>(buffer_.constData()), kRelayHelloSize));
            buffer_.remove(0, kRelayHelloSize);
            if (!hello) return;
            word(kRelayPaired);
            if (hello->role == RelayRole::Receiver) feed();
        }
        if (hello->role == RelayRole::Sender) {
            received += buffer_;
            buffer_.clear();
            if (received.size() == static_cast<qsizetype>(hello->fileSize)) word(kRelayDone);
        } else if (buffer_.size() >= 4) {
            receiverDone = true;
        }
    }
    void feed() {
        const qsizetype end = holdAt < 0 ? content.size() : std::min(holdAt, content.size());
        if (socket_ && end > fed_) socket_->write(content.mid(fed_, end - fed_));
        fed_ = std::max(fed_, end);
    }
    void word(uint32_t value) {
        const auto bytes = encodeRelayWord(value);
        socket_->write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }

    QTcpServer server_;
    QPointer<QTcpSocket> socket_;
    QByteArray buffer_;
    qsizetype fed_ = 0;
};

// Answers the modal windows as they come up, one answer each, in order,
// and keeps "caption|text" of every message box it answers.
class ModalAnswers {
  public:
    using Answer = std::function<void(QWidget*)>;
    ModalAnswers() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(20);
    }
    ModalAnswers& then(Answer answer) {
        answers_.push_back(std::move(answer));
        return *this;
    }
    bool allGiven() const { return answers_.empty(); }
    QStringList boxes;

  private:
    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == last_ || answers_.empty()) return;
        last_ = modal;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            boxes << box->windowTitle() + "|" + box->text();
        }
        // Answered from a call of its own: an answer may open the next modal
        // window, and this timer does not fire again until poll() returns.
        QTimer::singleShot(0, [answer = answers_.front(), modal = QPointer<QWidget>(modal)] {
            if (modal) answer(modal);
        });
        answers_.pop_front();
    }
    QTimer timer_;
    std::deque<Answer> answers_;
    QPointer<QWidget> last_;
};

ModalAnswers::Answer pick(const std::filesystem::path& path) {
    return [path](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        // As the user types it: the whole path into the name field, then OK.
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setText(q(path));
        static_cast<QDialog*>(dialog)->accept();
    };
}

ModalAnswers::Answer press(QMessageBox::StandardButton which) {
    return [which](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        box->button(which)->click();
    };
}

void giveUp(QWidget* modal) {
    qobject_cast<QDialog*>(modal)->reject();
}

// Offers reach the window as the main window routes them.
class OfferRoutingUi : public testing::QuietUi {
  public:
    void fileOffered(const FileOffer& offer) override {
        CFileTransferDlg::offered(*core, offer, nullptr);
    }
    ClientCore* core = nullptr;
};

class FileTransferDlgTest : public ::testing::Test {
  protected:
    FileTransferDlgTest() : core_(testing::windowTestConfig(dir_.path()), ui_) {
        setDataDir(ZEMRA_TEST_DATA_DIR);
        WindowMessageBridge::install();
        ui_.core = &core_;
        core_.setWizardAccount(kOwn, "secret");
        core_.connection().setServer(kAddress, server_.port());
        CFileTransferDlg::hooks().fallbackFolder = [this] { return q(downloads_); };
        CFileTransferDlg::hooks().openUrl = [this](const QUrl& url) {
            opened_.push_back(url);
            return true;
        };
        // A modal window that nothing answers fails the test instead of
        // hanging it.
        QObject::connect(&watchdog_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            unanswered_ = modal && modal == lastModal_ ? unanswered_ + 1 : 0;
            lastModal_ = modal;
            if (unanswered_ < 4) return;
            ADD_FAILURE() << "nobody answers " << modal->windowTitle().toStdString();
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        });
        watchdog_.start(500);
    }
    ~FileTransferDlgTest() override {
        delete CFileTransferDlg::current();  // a failed test may leave it open
        QuitSend();
        CFileTransferDlg::resetHooks();
        WindowMessageBridge::uninstall();
    }
    void SetUp() override {
        ASSERT_TRUE(core_.connection().connectToServer());
        core_.connection().onLoginAccepted();
        ASSERT_EQ(InitPort(kOwn, relay_.port(), kAddress), 1);
    }

    CFileTransferDlg* window() { return CFileTransferDlg::current(); }
    template <class T = QPushButton>
    T* child(const char* name) {
        T* widget = window() ? window()->findChild<T*>(name) : nullptr;
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString label(const char* name) { return child<QLabel>(name)->text(); }
    bool closed() {
        return QTest::qWaitFor([] { return CFileTransferDlg::current() == nullptr; }, 5000);
    }

    // The sender picks `file` for the peer.
    void openSender(const std::filesystem::path& file) {
        ModalAnswers answers;
        answers.then(pick(file));
        CFileTransferDlg::offer(core_, kPeer, text::toGbk("小明"), nullptr);
    }
    // An offer from the server, as the dispatcher gets it.
    void offerArrives(const std::string& gbkName, uint32_t size, uint32_t from = kPeer) {
        core_.dispatch(PT_FILE_OFFER, buildFileOffer({gbkName, text::toGbk("看看"), from, size,
                                                      text::toGbk("小明")}));
    }
    void serverSays(uint16_t type, uint32_t about = kPeer) {
        core_.dispatch(type, buildUserIdPacket(type, about));
    }
    // The other side accepted: the server's go-ahead for both.
    void goAhead() {
        core_.dispatch(PT_FILE_PEER, buildFilePeer({htonl(INADDR_LOOPBACK), kPeer, kToken}));
    }
    // The receiver accepts into `target`.
    void acceptInto(const std::filesystem::path& target) {
        ModalAnswers answers;
        answers.then(pick(target));
        child("accept")->click();
    }

    zemra::testing::TempDir dir_;
    std::filesystem::path downloads_ = dir_ / "downloads";
    OfferRoutingUi ui_;
    testing::PacketLog server_{kAddress};
    TestRelay relay_;
    ClientCore core_;
    std::vector<QUrl> opened_;
    QTimer watchdog_;
    QPointer<QWidget> lastModal_;
    int unanswered_ = 0;
};

TEST_F(FileTransferDlgTest, TheSenderOffersThePickedFileAndStreamsItOnceAccepted) {
    const std::string content = randomBytes(300000);
    const auto file = dir_ / "photo album.zip";
    writeFile(file, content);
    openSender(file);
    ASSERT_NE(window(), nullptr);
    EXPECT_TRUE(CFileTransferDlg::transferRunning());
    EXPECT_EQ(window()->windowTitle(), qs("发送文件---") + q(file));
    EXPECT_EQ(window()->skinTitle(), qs("文件传输"));
    EXPECT_EQ(label("peerId"), "5678");
    EXPECT_EQ(label("nickname"), qs("小明"));
    EXPECT_EQ(label("fileSize"), "300000");
    EXPECT_EQ(label("bytesDone"), "0bytes");
    EXPECT_EQ(label("status"), qs("准备发送文件"));
    EXPECT_EQ(child("send")->text(), qs("发送"));
    EXPECT_EQ(child("cancel")->text(), qs("中止"));
    EXPECT_FALSE(child<QCheckBox>("autoOpen")->isVisible());

    goAhead();  // before any offer: starts nothing
    QTest::qWait(200);
    EXPECT_FALSE(relay_.hello);
    child<QLineEdit>("note")->setText(qs("假期照片"));
    testing::saveScreenshot(*window(), "ui_file_send.png");
    child("send")->click();
    ASSERT_TRUE(server_.waitFor(PT_FILE_PROPOSE));
    EXPECT_EQ(parseFileOffer(server_.ofType(PT_FILE_PROPOSE)[0]),
              (FileOffer{"photo album.zip", text::toGbk("假期照片"), kPeer, 300000, ""}));
    EXPECT_EQ(label("status"), qs("等待对方确认..."));
    EXPECT_FALSE(child("send")->isEnabled());
    EXPECT_TRUE(child<QLineEdit>("note")->isReadOnly());

    ModalAnswers answers;
    answers.then(press(QMessageBox::Ok));
    goAhead();
    ASSERT_TRUE(closed());
    EXPECT_EQ(answers.boxes, QStringList{qs("zemra|发送完毕")});
    ASSERT_TRUE(relay_.hello);
    EXPECT_EQ(*relay_.hello, (RelayHello{kOwn, kPeer, kToken, RelayRole::Sender, 300000}));
    EXPECT_TRUE(relay_.received.toStdString() == content) << relay_.received.size();
    EXPECT_FALSE(CFileTransferDlg::transferRunning());
}

TEST_F(FileTransferDlgTest, TheReceiverSavesWhereChosenShowsProgressAndOpensTheFile) {
    const std::string content = randomBytes(400000);
    relay_.content = QByteArray::fromStdString(content);
    relay_.holdAt = 150000;
    offerArrives("../../report.doc", 400000);
    ASSERT_NE(window(), nullptr);
    EXPECT_EQ(window()->windowTitle(), qs("接收文件---report.doc"));
    EXPECT_EQ(label("fileName"), "report.doc");
    EXPECT_EQ(label("status"), qs("准备接收文件"));
    EXPECT_EQ(child("accept")->text(), qs("接收"));
    EXPECT_EQ(child("refuse")->text(), qs("拒绝"));
    EXPECT_EQ(child<QLineEdit>("note")->text(), qs("看看"));
    EXPECT_TRUE(child<QLineEdit>("note")->isReadOnly());
    testing::saveScreenshot(*window(), "ui_file_receive.png");

    child<QCheckBox>("autoOpen")->setChecked(true);
    const auto target = dir_ / "saved.doc";
    acceptInto(target);
    ASSERT_TRUE(server_.waitFor(PT_FILE_ACCEPT));
    EXPECT_EQ(parseUserId(server_.ofType(PT_FILE_ACCEPT)[0]), kPeer);
    EXPECT_EQ(window()->path(), q(target));
    EXPECT_FALSE(child("accept")->isEnabled());

    goAhead();
    // Part of the file is here: the bar and the count say so, the final
    // name does not exist yet.
    auto* bar = child<CPercentProgress>("progress");
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar->position() > 0; }, 5000));
    EXPECT_LT(bar->position(), 400000);
    EXPECT_EQ(label("bytesDone"), QString::number(bar->position()));
    EXPECT_FALSE(std::filesystem::exists(target));
    testing::saveScreenshot(*window(), "ui_file_progress.png");

    ModalAnswers answers;
    answers.then(press(QMessageBox::Ok));
    relay_.resume();
    ASSERT_TRUE(closed());
    EXPECT_EQ(answers.boxes, QStringList{qs("zemra|接收完毕")});
    EXPECT_TRUE(readFile(target) == content);
    EXPECT_EQ(opened_, std::vector<QUrl>{QUrl::fromLocalFile(q(target))});
    EXPECT_EQ(relay_.hello->role, RelayRole::Receiver);
    EXPECT_TRUE(QTest::qWaitFor([&] { return relay_.receiverDone; }, 2000));
}

TEST_F(FileTransferDlgTest, AnExistingFileIsReplacedOnlyIfConfirmedAndNoChoiceTakesAFreeName) {
    std::filesystem::create_directories(downloads_);
    writeFile(downloads_ / "report.doc", "old");
    offerArrives("report.doc", 10);
    ModalAnswers answers;
    answers
        .then(pick(downloads_ / "report.doc"))  // exists: the dialog asks first
        .then(press(QMessageBox::No))
        .then(giveUp);
    child("accept")->click();
    EXPECT_TRUE(answers.allGiven());
    ASSERT_EQ(answers.boxes.size(), 1);
    EXPECT_TRUE(answers.boxes[0].contains("report.doc")) << answers.boxes[0].toStdString();
    EXPECT_EQ(window()->path(), q(downloads_ / "report (1).doc"));
    EXPECT_TRUE(server_.waitFor(PT_FILE_ACCEPT));
    EXPECT_EQ(readFile(downloads_ / "report.doc"), "old");
}

TEST_F(FileTransferDlgTest, StopCancelsOrRefusesBeforeTheStartAndAbortsAfterAsked) {
    writeFile(dir_ / "a.bin", "abc");
    openSender(dir_ / "a.bin");
    child("send")->click();
    child("cancel")->click();
    ASSERT_TRUE(closed());
    ASSERT_TRUE(server_.waitFor(PT_FILE_CANCEL));
    EXPECT_EQ(parseUserId(server_.ofType(PT_FILE_CANCEL)[0]), kPeer);

    offerArrives("b.bin", 3);
    window()->close();  // the frame's close button
    ASSERT_TRUE(closed());
    ASSERT_TRUE(server_.waitFor(PT_FILE_REFUSE));

    // Mid-file: "否" leaves the transfer running, "是" ends it without a file.
    relay_.content = QByteArray::fromStdString(randomBytes(400000));
    relay_.holdAt = 150000;
    offerArrives("c.bin", 400000);
    acceptInto(dir_ / "c.bin");
    goAhead();
    ASSERT_TRUE(QTest::qWaitFor([&] { return label("bytesDone") != "0bytes"; }, 5000));
    {
        ModalAnswers answers;
        answers.then(press(QMessageBox::No));
        child("abort")->click();
        EXPECT_EQ(answers.boxes, QStringList{qs("终止文件传输|真的要终止当前接收吗?")});
    }
    EXPECT_NE(window(), nullptr);
    {
        ModalAnswers answers;
        answers.then(press(QMessageBox::Yes));
        child("abort")->click();
    }
    ASSERT_TRUE(closed());
    EXPECT_TRUE(server_.waitFor(PT_FILE_ABORT));
    EXPECT_EQ(server_.ofType(PT_FILE_ABORT).size(), 1u);
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
        EXPECT_EQ(entry.path().filename().string().find("c.bin"), std::string::npos)
            << entry.path();
    }
}

TEST_F(FileTransferDlgTest, AnAnswerAboutThePeerClosesTheWindowWithItsText) {
    offerArrives("f.txt", 5);
    serverSays(PT_FILE_NOTICE_OFFLINE, kPeer + 1);  // about someone else
    QTest::qWait(100);
    ASSERT_NE(window(), nullptr);
    ModalAnswers answers;
    answers.then(press(QMessageBox::Ok));
    serverSays(PT_FILE_NOTICE_OFFLINE);
    ASSERT_TRUE(closed());
    EXPECT_EQ(answers.boxes, QStringList{qs("错误|对方不在线")});
    EXPECT_FALSE(CFileTransferDlg::transferRunning());
}

TEST_F(FileTransferDlgTest, AnAnswerWhileTheSaveDialogIsOpenWinsOverTheAcceptance) {
    offerArrives("late.txt", 5);
    ModalAnswers answers;
    answers
        .then([this](QWidget* dialog) {
            serverSays(PT_FILE_NOTICE_CANCELLED);
            QTest::qWait(100);  // delivered while the dialog is up
            pick(dir_ / "late.txt")(dialog);
        })
        .then(press(QMessageBox::Ok));
    child("accept")->click();
    ASSERT_TRUE(closed());
    EXPECT_EQ(answers.boxes, QStringList{qs("错误|对方取消发送文件")});
    EXPECT_TRUE(server_.ofType(PT_FILE_ACCEPT).empty());
}

TEST_F(FileTransferDlgTest, OneTransferAtATimeOthersAreAnsweredBusyOrTold) {
    offerArrives("first.txt", 5);
    CFileTransferDlg* first = window();
    ASSERT_NE(first, nullptr);
    offerArrives("second.txt", 7, kPeer + 1);
    ASSERT_TRUE(server_.waitFor(PT_FILE_BUSY));
    EXPECT_EQ(parseUserId(server_.ofType(PT_FILE_BUSY)[0]), kPeer + 1);
    EXPECT_EQ(window(), first);
    EXPECT_EQ(label("fileName"), "first.txt");
    {
        ModalAnswers answers;
        answers.then(press(QMessageBox::Ok));
        CFileTransferDlg::offer(core_, kPeer, "", nullptr);
        EXPECT_EQ(answers.boxes, QStringList{qs("zemra|您正在传输文件,请稍侯..")});
    }
    child("refuse")->click();
    ASSERT_TRUE(closed());

    // An offer while the user still picks a file is turned down too; giving
    // up the pick frees the way again.
    {
        ModalAnswers answers;
        answers.then([this](QWidget* dialog) {
            offerArrives("third.txt", 1, kPeer + 2);
            giveUp(dialog);
        });
        CFileTransferDlg::offer(core_, kPeer, "", nullptr);
    }
    ASSERT_TRUE(server_.waitFor(PT_FILE_BUSY, 2));
    EXPECT_EQ(parseUserId(server_.ofType(PT_FILE_BUSY)[1]), kPeer + 2);
    EXPECT_EQ(window(), nullptr);
    EXPECT_FALSE(CFileTransferDlg::transferRunning());

    // Without a login the window does not open.
    testing::QuietUi quiet;
    ClientCore offline(testing::windowTestConfig(dir_ / "offline"), quiet);
    ModalAnswers answers;
    answers.then(press(QMessageBox::Ok));
    CFileTransferDlg::offer(offline, kPeer, "", nullptr);
    EXPECT_EQ(answers.boxes, QStringList{qs("zemra|对不起,您还没有成功登陆服务器")});
    EXPECT_EQ(window(), nullptr);
}

}  // namespace
}  // namespace zemra::client::ui
