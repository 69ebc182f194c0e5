#include "client/ui/file_transfer_dlg.h"

#include <arpa/inet.h>

#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "client/app/client_core.h"
#include "client/app/file_peer_message.h"
#include "client/ui/percent_progress.h"
#include "client/ui/transfer_file_names.h"
#include "client/ui/ui_text.h"
#include "client/ui/window_message_bridge.h"
#include "include/xferlink.h"
#include "platform/text.h"
#include "protocol/packet_types.h"
#include "protocol/simple_packets.h"

namespace zemra::client::ui {
namespace {

// The note field holds 41 GBK bytes and its NUL.
constexpr std::size_t kNoteBytes = 41;

CFileTransferDlg* currentWindow = nullptr;
bool running = false;

QString utf8(const std::string& text) {
    return QString::fromStdString(text);
}

QLabel* valueLabel(const char* name) {
    auto* label = new QLabel;
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

FileTransferHooks defaultHooks() {
    FileTransferHooks hooks;
    hooks.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    hooks.fallbackFolder = [] {
        return QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    };
    return hooks;
}

}  // namespace

FileTransferHooks& CFileTransferDlg::hooks() {
    static FileTransferHooks instance = defaultHooks();
    return instance;
}

void CFileTransferDlg::resetHooks() {
    hooks() = defaultHooks();
}

CFileTransferDlg* CFileTransferDlg::current() {
    return currentWindow;
}

bool CFileTransferDlg::transferRunning() {
    return running;
}

void CFileTransferDlg::offer(ClientCore& core, uint32_t peer, const std::string& gbkNick,
                             QWidget* parent) {
    if (const auto refusal = offerRefusal(core.loggedIn(), running)) {
        QMessageBox::information(parent, "zemra", utf8(*refusal));
        return;
    }
    // The flag holds from here: an offer that comes while the user picks
    // the file is answered busy.
    running = true;
    const QString path = QFileDialog::getOpenFileName(parent, u("打开"));
    if (path.isEmpty()) {
        running = false;
        return;
    }
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > static_cast<qint64>(UINT32_MAX)) {
        running = false;
        QMessageBox::information(parent, "zemra", u("文件太大或无法读取，不能发送"));
        return;
    }
    Setup setup;
    setup.role = TransferRole::Sender;
    setup.peer = peer;
    setup.nickname = fromGbk(gbkNick);
    setup.fileSize = static_cast<uint32_t>(info.size());
    setup.path = info.absoluteFilePath();
    setup.fileName = info.fileName();
    (new CFileTransferDlg(core, setup, parent))->showInFront();
}

void CFileTransferDlg::offered(ClientCore& core, const protocol::FileOffer& offer,
                               QWidget* parent) {
    if (running) {
        core.send(protocol::buildUserIdPacket(protocol::PT_FILE_BUSY, offer.peerId));
        return;
    }
    running = true;
    Setup setup;
    setup.role = TransferRole::Receiver;
    setup.peer = offer.peerId;
    setup.nickname = fromGbk(offer.nickname);
    setup.fileSize = offer.fileSize;
    // The name is the other side's wish; only a bare name of it is used.
    setup.fileName = bareFileName(fromGbk(offer.fileName));
    setup.path = setup.fileName;
    setup.note = fromGbk(offer.note);
    (new CFileTransferDlg(core, setup, parent))->showInFront();
}

CFileTransferDlg::CFileTransferDlg(ClientCore& core, const Setup& setup, QWidget* parent)
    : SkinnedDialog(QString(), u("文件传输"), parent),
      core_(core),
      flow_(setup.role, setup.peer),
      scale_(setup.fileSize),
      handle_(WindowMessageBridge::registerWidget(this)),
      fileSize_(setup.fileSize),
      path_(setup.path),
      fileName_(setup.fileName) {
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setContentsMargins(FrameGeometry::kLeftEdge + 4, FrameGeometry::kTitleHeight + 4,
                       FrameGeometry::kRightEdge + 4, FrameGeometry::kBottomEdge + 4);
    setWindowTitle(utf8(flow_.title(path_.toStdString())));
    buildControls(setup);
    refreshControls();
    currentWindow = this;
    core_.setFileTransferWindow(handle_);
    resize(420, 230);
}

CFileTransferDlg::~CFileTransferDlg() {
    // Torn down with its owner (the program ends): the same ending as a close.
    if (!finished_) {
        flow_.close();
        TermialSend(static_cast<long>(flow_.peer()));
        release();
    }
    WindowMessageBridge::unregisterWidget(handle_);
}

void CFileTransferDlg::buildControls(const Setup& setup) {
    peerId_ = valueLabel("peerId");
    peerId_->setText(QString::number(setup.peer));
    nickname_ = valueLabel("nickname");
    nickname_->setText(setup.nickname);
    nickname_->setTextFormat(Qt::PlainText);
    name_ = valueLabel("fileName");
    name_->setText(fileName_);
    name_->setTextFormat(Qt::PlainText);
    size_ = valueLabel("fileSize");
    size_->setText(QString::number(fileSize_));
    bytesDone_ = valueLabel("bytesDone");
    bytesDone_->setText("0bytes");
    status_ = valueLabel("status");
    progress_ = new CPercentProgress;
    progress_->setObjectName("progress");
    progress_->setRange(0, scale_.range());
    progress_->setPosition(0);
    progress_->setMinimumHeight(20);
    note_ = new QLineEdit(setup.note);
    note_->setObjectName("note");
    note_->setMaxLength(static_cast<int>(kNoteBytes));
    autoOpen_ = new QCheckBox(u("接收后自动打开"));
    autoOpen_->setObjectName("autoOpen");
    autoOpen_->setVisible(flow_.role() == TransferRole::Receiver);
    primary_ = new QPushButton;
    primary_->setAutoDefault(false);
    stop_ = new QPushButton;
    stop_->setAutoDefault(false);
    connect(primary_, &QPushButton::clicked, this, [this] { onPrimary(); });
    connect(stop_, &QPushButton::clicked, this, [this] { onStop(); });

    auto* facts = new QGridLayout;
    facts->addWidget(new QLabel(u("对方ID：")), 0, 0);
    facts->addWidget(peerId_, 0, 1);
    facts->addWidget(new QLabel(u("昵称：")), 0, 2);
    facts->addWidget(nickname_, 0, 3);
    facts->addWidget(new QLabel(u("文件：")), 1, 0);
    facts->addWidget(name_, 1, 1, 1, 3);
    facts->addWidget(new QLabel(u("文件大小：")), 2, 0);
    facts->addWidget(size_, 2, 1);
    facts->addWidget(new QLabel(u("已传输：")), 2, 2);
    facts->addWidget(bytesDone_, 2, 3);
    facts->setColumnStretch(1, 1);
    facts->setColumnStretch(3, 1);

    auto* noteRow = new QHBoxLayout;
    noteRow->addWidget(new QLabel(u("附言：")));
    noteRow->addWidget(note_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(autoOpen_);
    buttons->addStretch();
    buttons->addWidget(primary_);
    buttons->addWidget(stop_);

    auto* root = new QVBoxLayout(this);
    root->addLayout(facts);
    root->addWidget(progress_);
    root->addWidget(status_);
    root->addLayout(noteRow);
    root->addStretch();
    root->addLayout(buttons);

    if (flow_.role() == TransferRole::Sender) {
        note_->setFocus();
    } else {
        note_->setReadOnly(true);
        primary_->setFocus();
    }
}

void CFileTransferDlg::refreshControls() {
    status_->setText(utf8(flow_.statusText()));
    primary_->setText(utf8(flow_.primaryText()));
    primary_->setObjectName(QString::fromStdString(flow_.primaryName()));
    primary_->setEnabled(flow_.primaryEnabled());
    stop_->setText(utf8(flow_.stopText()));
    stop_->setObjectName(QString::fromStdString(flow_.stopName()));
}

void CFileTransferDlg::showInFront() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void CFileTransferDlg::onPrimary() {
    if (!flow_.primaryEnabled() || modalDepth_ > 0) return;
    if (flow_.role() == TransferRole::Receiver) {
        chooseSavePath();
        return;
    }
    protocol::FileOffer offer;
    offer.fileName = offeredNameOf(fileName_);
    offer.note = std::string(text::gbkPrefix(gbk(note_->text()), kNoteBytes));
    offer.fileSize = fileSize_;
    core_.send(flow_.offer(offer));
    note_->setReadOnly(true);
    refreshControls();
    stop_->setFocus();
}

void CFileTransferDlg::chooseSavePath() {
    QString folder = hooks().fallbackFolder();
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        folder = QString::fromStdString(core_.config().baseDir.string());
    }
    QString chosen;
    // The dialog asks before it lets the user pick a file that exists.
    const bool open = runModal([&] {
        chosen = QFileDialog::getSaveFileName(this, u("另存为"), QDir(folder).filePath(fileName_));
    });
    if (!open || handlePending()) return;
    if (chosen.isEmpty()) {
        // Closed without a choice: the offer is still taken, into a name no
        // file has yet.
        const auto free = freePathIn(folder, fileName_);
        if (!free) {
            core_.send(flow_.stopPacket());
            finish();
            return;
        }
        chosen = *free;
    }
    path_ = chosen;
    core_.send(flow_.accept());
    refreshControls();
    stop_->setFocus();
}

void CFileTransferDlg::onStop() {
    if (flow_.closed() || modalDepth_ > 0) return;
    if (const auto question = flow_.stopQuestion()) {
        bool yes = false;
        const bool open = runModal([&] {
            yes = QMessageBox::question(this, u("终止文件传输"), utf8(*question),
                                        QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
        });
        if (!open) return;
        if (!yes) {
            handlePending();
            return;
        }
    }
    core_.send(flow_.stopPacket());
    finish();
}

bool CFileTransferDlg::event(QEvent* event) {
    if (event->type() != WindowMessageEvent::kType) return SkinnedDialog::event(event);
    const auto* m = static_cast<WindowMessageEvent*>(event);
    const Message message{m->message, m->wParam, m->lParam};
    if (message.message == XFERLINK_WM_PROGRESS) {
        showProgress(message.wParam);  // harmless at any time
    } else if (modalDepth_ > 0) {
        pending_.push_back(message);
    } else {
        onMessage(message);
    }
    return true;
}

void CFileTransferDlg::onMessage(const Message& message) {
    if (flow_.closed()) return;
    switch (message.message) {
        case kWmFilePeer:
            if (flow_.peerAccepted()) {
                refreshControls();
                startTransfer(filePeerOf(message.wParam, message.lParam));
            }
            return;
        case XFERLINK_WM_COMPLETE: {
            const auto text = flow_.completion();
            if (!text) return;
            showProgress(fileSize_);
            if (!tell(*text, "zemra")) return;
            if (flow_.opensWhenComplete(autoOpen_->isChecked())) {
                hooks().openUrl(QUrl::fromLocalFile(path_));
            }
            finish();
            return;
        }
        case kWmFileNotice: {
            const auto outcome =
                flow_.notice(message.wParam, static_cast<uint32_t>(message.lParam));
            if (!outcome.closes) return;
            if (outcome.resetsProgress) progress_->setPosition(0);
            if (outcome.text && !tell(*outcome.text, u("错误"))) return;
            finish();
            return;
        }
        default:
            return;
    }
}

void CFileTransferDlg::startTransfer(const protocol::FilePeer& peer) {
    in_addr address{};
    address.s_addr = peer.peerAddress;
    char dotted[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, dotted, sizeof dotted);
    const QByteArray path = QFile::encodeName(path_);
    const QByteArray name = QFile::encodeName(fileName_);
    StartSend(static_cast<long>(peer.valueAt40), dotted, static_cast<long>(peer.valueAt32), "name",
              path.constData(), name.constData(), static_cast<long>(fileSize_),
              flow_.role() == TransferRole::Sender ? 1 : 0, handle_);
}

void CFileTransferDlg::showProgress(uint64_t bytesDone) {
    if (!flow_.started()) return;
    progress_->setPosition(scale_.position(bytesDone));
    bytesDone_->setText(QString::number(scale_.shownBytes(bytesDone)));
}

bool CFileTransferDlg::runModal(const std::function<void()>& step) {
    const QPointer<CFileTransferDlg> self(this);
    ++modalDepth_;
    step();
    if (!self) return false;
    --modalDepth_;
    return !flow_.closed();
}

bool CFileTransferDlg::handlePending() {
    while (!pending_.empty() && !flow_.closed() && modalDepth_ == 0) {
        const Message message = pending_.front();
        pending_.pop_front();
        onMessage(message);
    }
    return flow_.closed();
}

bool CFileTransferDlg::tell(const std::string& text, const QString& caption) {
    return runModal([&] { QMessageBox::information(this, caption, utf8(text)); });
}

void CFileTransferDlg::finish() {
    if (finished_) return;
    finished_ = true;
    flow_.close();
    pending_.clear();
    TermialSend(static_cast<long>(flow_.peer()));
    release();
    hide();
    deleteLater();
}

void CFileTransferDlg::release() {
    if (currentWindow == this) {
        currentWindow = nullptr;
        running = false;
        core_.setFileTransferWindow(0);
    }
}

void CFileTransferDlg::closeEvent(QCloseEvent* event) {
    // The frame's close button is the stop button.
    event->ignore();
    onStop();
}

void CFileTransferDlg::reject() {
    onStop();
}

}  // namespace zemra::client::ui
