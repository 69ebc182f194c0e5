// "文件传输": offers one file to another user or receives one. The offer,
// answers and aborts go through the server; once both sides agree the
// xferlink library moves the bytes and reports progress and completion to
// this window. One transfer at a time in the whole client: the window is a
// single one, and a flag guards it from the moment the sender picks a file.
// The rules live in file_transfer_rules; this window draws and wires.
#pragma once

#include <QString>
#include <QUrl>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "client/ui/file_transfer_rules.h"
#include "client/ui/skinned_dialog.h"
#include "platform/winmsg.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zemra::client {
class ClientCore;
}

namespace zemra::client::ui {

class CPercentProgress;

// What the window reaches outside itself; tests replace these.
struct FileTransferHooks {
    // Opens a received file with the desktop's own program for it.
    std::function<bool(const QUrl&)> openUrl;
    // Where a received file goes when the user closes the save dialog
    // without choosing; created when missing.
    std::function<QString()> fallbackFolder;
};

class CFileTransferDlg : public SkinnedDialog {
    Q_OBJECT
  public:
    // The sending side, from the main window's "发送文件" commands: says why
    // not when offline or busy, else lets the user pick the file and opens
    // the window for it.
    static void offer(ClientCore& core, uint32_t peer, const std::string& gbkNick, QWidget* parent);
    // The receiving side, for an offer from the server: answers busy while a
    // transfer runs, else opens the window for it.
    static void offered(ClientCore& core, const protocol::FileOffer& offer, QWidget* parent);

    // The single window, while there is one.
    static CFileTransferDlg* current();
    // From the pick of a file until the window closes.
    static bool transferRunning();

    static FileTransferHooks& hooks();
    static void resetHooks();

    ~CFileTransferDlg() override;

    WindowHandle handle() const { return handle_; }
    const FileTransferFlow& flow() const { return flow_; }
    // The sender's file, or where the received file goes.
    const QString& path() const { return path_; }

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    struct Setup {
        TransferRole role = TransferRole::Sender;
        uint32_t peer = 0;
        QString nickname;
        uint32_t fileSize = 0;
        QString path;
        QString fileName;
        QString note;
    };
    struct Message {
        uint32_t message;
        uintptr_t wParam;
        intptr_t lParam;
    };

    CFileTransferDlg(ClientCore& core, const Setup& setup, QWidget* parent);
    void buildControls(const Setup& setup);
    void refreshControls();
    void showInFront();

    void onPrimary();
    void onStop();
    void chooseSavePath();
    void onMessage(const Message& message);
    void startTransfer(const protocol::FilePeer& peer);
    void showProgress(uint64_t bytesDone);
    // Runs a modal step (a file dialog, a question, a message box); answers
    // that arrive meanwhile wait for it. False when the window went away.
    bool runModal(const std::function<void()>& step);
    // Handles the answers that waited; true when one of them closed the window.
    bool handlePending();
    // A message box; false when the window went away meanwhile.
    bool tell(const std::string& text, const QString& caption);
    // Every way out: the library lets go of the peer, the window goes, and
    // the next transfer may begin.
    void finish();
    void release();

    ClientCore& core_;
    FileTransferFlow flow_;
    ProgressScale scale_;
    WindowHandle handle_;
    uint32_t fileSize_;
    QString path_;
    QString fileName_;
    int modalDepth_ = 0;
    std::deque<Message> pending_;
    bool finished_ = false;

    QLabel* peerId_ = nullptr;
    QLabel* nickname_ = nullptr;
    QLabel* name_ = nullptr;
    QLabel* size_ = nullptr;
    QLabel* bytesDone_ = nullptr;
    QLabel* status_ = nullptr;
    CPercentProgress* progress_ = nullptr;
    QLineEdit* note_ = nullptr;
    QCheckBox* autoOpen_ = nullptr;
    QPushButton* primary_ = nullptr;
    QPushButton* stop_ = nullptr;
};

}  // namespace zemra::client::ui
