// The file transfer window's rules without the window: who may open one,
// the stages of a transfer, which packet each button sends in each stage,
// what the server's answers and the library's reports do, and the texts the
// window shows. Texts are UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/file_packets.h"

namespace zemra::client::ui {

enum class TransferRole { Sender, Receiver };

// Why the main window's "send a file" command cannot open the window now;
// nothing when it can.
std::optional<std::string> offerRefusal(bool loggedIn, bool transferRunning);

// The progress bar counts in bytes, halved as often as the file size needs
// to fit the bar's int range.
class ProgressScale {
  public:
    explicit ProgressScale(uint32_t fileSize);
    int range() const { return static_cast<int>(fileSize_ >> shift_); }
    // Bytes done as a bar position, never past the end.
    int position(uint64_t bytesDone) const;
    // Bytes done as shown beside the bar, never more than the file holds.
    uint32_t shownBytes(uint64_t bytesDone) const;

  private:
    uint32_t fileSize_;
    int shift_ = 0;
};

class FileTransferFlow {
  public:
    // Ready: set up, nothing sent. Offered: the sender's offer went out.
    // Accepted: the receiver said yes. Started: the library moves the bytes.
    enum class Stage { Ready, Offered, Accepted, Started, Closed };
    // What the stop button (and closing the window) does.
    enum class StopAction { Cancel, Refuse, Abort };

    // Codes of the server's answers as the window gets them.
    static constexpr uintptr_t kNoticeRefused = 0;
    static constexpr uintptr_t kNoticeCancelled = 1;
    static constexpr uintptr_t kNoticeAborted = 2;
    static constexpr uintptr_t kNoticeOffline = 3;

    FileTransferFlow(TransferRole role, uint32_t peer);

    TransferRole role() const { return role_; }
    uint32_t peer() const { return peer_; }
    Stage stage() const { return stage_; }
    bool started() const { return stage_ == Stage::Started; }
    bool closed() const { return stage_ == Stage::Closed; }

    // --- texts and controls ---
    std::string title(const std::string& path) const;  // "发送文件---%s" / "接收文件---%s"
    std::string statusText() const;
    std::string primaryText() const;  // "发送" / "接收"
    std::string stopText() const;     // "拒绝" until the receiver accepts, else "中止"
    bool primaryEnabled() const { return stage_ == Stage::Ready; }
    // The controls' object names say what a click does now, for tests that
    // drive the window: "send" / "accept", and "cancel", "refuse" or "abort".
    std::string primaryName() const;
    std::string stopName() const;

    // --- the send or accept button ---
    // The offer, once, from a ready sender; empty otherwise.
    std::vector<uint8_t> offer(protocol::FileOffer offer);
    // The acceptance, once, from a ready receiver; empty otherwise.
    std::vector<uint8_t> accept();

    // --- the stop button ---
    StopAction stopAction() const;
    // The question asked before an abort; nothing for a cancel or refusal.
    std::optional<std::string> stopQuestion() const;
    // The packet the stop button sends.
    std::vector<uint8_t> stopPacket() const;

    // The other side accepted: true when the library is to start now. Only
    // an offered or accepted transfer starts, and only once.
    bool peerAccepted();

    // The library reports the file complete: the message to show, when the
    // transfer was running.
    std::optional<std::string> completion() const;
    // Whether a completed file is opened, given the "接收后自动打开" box.
    bool opensWhenComplete(bool autoOpenChecked) const;

    // A server answer about `fromUser`.
    struct NoticeOutcome {
        bool closes = false;
        std::optional<std::string> text;
        bool resetsProgress = false;
    };
    NoticeOutcome notice(uintptr_t code, uint32_t fromUser) const;

    // Every way out ends here; a closed flow sends and starts nothing more.
    void close() { stage_ = Stage::Closed; }

  private:
    TransferRole role_;
    uint32_t peer_;
    Stage stage_ = Stage::Ready;
};

}  // namespace zemra::client::ui
