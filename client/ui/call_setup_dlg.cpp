#include "client/ui/call_setup_dlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "client/ui/ui_text.h"
#include "platform/sound.h"

namespace zemra::client::ui {

CallSetupDlg::CallSetupDlg(const QString& caption, const QString& skinTitle, QWidget* parent)
    : SkinnedDialog(caption, skinTitle, parent) {
    frame().setTopmost(true);
    setModal(false);
    text_ = new QLabel;
    text_->setObjectName("callText");
    text_->setAlignment(Qt::AlignCenter);
    text_->setWordWrap(true);
    QFont f = text_->font();
    f.setPointSize(f.pointSize() + 1);
    text_->setFont(f);
    buttons_ = new QWidget;
    new QHBoxLayout(buttons_);
    auto* layout = new QVBoxLayout(this);
    layout->addSpacing(38);  // room for the picture the subclasses draw
    layout->addWidget(text_);
    layout->addWidget(buttons_);
    setFixedSize(260, 160);
}

QPushButton* CallSetupDlg::addButton(const QString& text, const char* name,
                                     std::function<void()> action) {
    auto* button = new QPushButton(text);
    button->setObjectName(name);
    buttons_->layout()->addWidget(button);
    connect(button, &QPushButton::clicked, this, [action = std::move(action)] { action(); });
    return button;
}

void CallSetupDlg::showText(const QString& text) {
    text_->setText(text);
    if (!tone_.file.empty()) sound::play(tone_.file, true, tone_.device);
    show();
    raise();
    activateWindow();
}

void CallSetupDlg::hideWindow() {
    hide();
}

QString CallSetupDlg::text() const {
    return text_->text();
}

void CallSetupDlg::hideEvent(QHideEvent* event) {
    // Whatever hid it, its tone goes with it.
    sound::stop();
    SkinnedDialog::hideEvent(event);
}

void CallSetupDlg::reject() {
    if (onClose_) onClose_();
    hide();
}

CRingDlg::CRingDlg(std::function<void()> accept, std::function<void()> refuse, QWidget* parent)
    : CallSetupDlg("ringing", u("呼叫进入"), parent) {
    addButton(u("接收"), "accept", std::move(accept));
    addButton(u("拒绝"), "refuse", refuse);
    onClose_ = std::move(refuse);
    toFront_.setInterval(1000);
    connect(&toFront_, &QTimer::timeout, this, [this] {
        if (!isVisible()) return toFront_.stop();
        raise();
        activateWindow();
    });
}

void CRingDlg::showEvent(QShowEvent* event) {
    CallSetupDlg::showEvent(event);
    toFront_.start();
}

CDialOutDlg::CDialOutDlg(std::function<void()> cancel, QWidget* parent)
    : CallSetupDlg("zemra dialout", u("呼出请求"), parent) {
    addButton(u("取消"), "cancel", cancel);
    onClose_ = std::move(cancel);
    animation_.setInterval(300);
    connect(&animation_, &QTimer::timeout, this, [this] {
        frame_ = (frame_ + 1) % 4;
        update();
    });
    animation_.start();
}

// The animation: a handset sending waves out, one more each step.
void CDialOutDlg::paintEvent(QPaintEvent* event) {
    CallSetupDlg::paintEvent(event);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPoint centre(width() / 2 - 30, 44);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 140, 60));
    p.drawEllipse(centre, 9, 9);
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < frame_; ++i) {
        p.setPen(QPen(QColor(60, 140, 60), 2));
        const int r = 16 + i * 9;
        p.drawArc(QRect(centre.x() - r, centre.y() - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
    }
}

}  // namespace zemra::client::ui
