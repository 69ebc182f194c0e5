// "删除好友": asks the server to drop a contact and waits, with the faces
// going round, until it confirms or the user gives up with "返回".
#pragma once

#include <QTimer>
#include <cstdint>
#include <functional>

#include "client/ui/skinned_dialog.h"
#include "platform/winmsg.h"

class QLabel;

namespace zemra::client::ui {

class CDeleteFriendDlg : public SkinnedDialog {
    Q_OBJECT
  public:
    // `start` is called with this window's handle once it is open: it
    // registers the handle and sends the request.
    CDeleteFriendDlg(int facePicture, std::function<void(WindowHandle)> start,
                     std::function<void()> finish, QWidget* parent = nullptr);
    ~CDeleteFriendDlg() override;

    // True when the server confirmed.
    bool run();
    WindowHandle handle() const { return handle_; }

  protected:
    bool event(QEvent* event) override;

  private:
    std::function<void(WindowHandle)> start_;
    std::function<void()> finish_;
    WindowHandle handle_;
    QLabel* face_;
    QTimer timer_;
    int shown_ = 0;
};

}  // namespace zemra::client::ui
