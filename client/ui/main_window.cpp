#include "client/ui/main_window.h"
#include "client/ui/ui_text.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QSlider>
#include <QTextEdit>
#include <QVBoxLayout>

#include "client/media/input_volume.h"
#include "client/media/output_volume.h"
#include "client/ui/contact_list_bar.h"
#include "client/ui/global_hot_key.h"
#include "client/ui/image_button.h"
#include "client/ui/image_lists.h"
#include "client/ui/ticker.h"
#include "client/ui/video_surface.h"
#include "platform/text.h"

namespace zemra::client::ui {
namespace {

// A picture button's three looks: the glyph over the normal, hover and
// pressed backgrounds.
QPixmap compose(const QString& background, const QString& glyph, int state) {
    const char* suffix[] = {"", "_hot", "_down"};
    QPixmap base = art(QString("art/icons/%1%2.png").arg(background, suffix[state]));
    if (glyph.isEmpty()) return base;
    QPixmap out = base.copy();
    QPainter p(&out);
    const QPixmap g = art("art/icons/" + glyph + ".png");
    const QPixmap small = g.scaled(20, 20, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    p.drawPixmap((out.width() - small.width()) / 2 + (state == 2 ? 1 : 0),
                 (out.height() - small.height()) / 2 + (state == 2 ? 1 : 0), small);
    return out;
}

// A level meter that stays at rest until the audio engine feeds it.
QProgressBar* levelMeter() {
    auto* meter = new QProgressBar;
    meter->setOrientation(Qt::Vertical);
    meter->setRange(0, 100);
    meter->setValue(0);
    meter->setTextVisible(false);
    meter->setFixedWidth(8);
    meter->setStyleSheet(
        "QProgressBar{background:#1b2636;border:1px solid #5d7aa5;border-radius:2px;}"
        "QProgressBar::chunk{background:qlineargradient(x1:0,y1:1,x2:0,y2:0,stop:0 #3c3,"
        "stop:0.7 #ee3,stop:1 #e33);}");
    return meter;
}

// A volume slider, greyed until its mixer control is found.
QSlider* volumeSlider(const char* name, const char* tip) {
    auto* slider = new QSlider(Qt::Vertical);
    slider->setObjectName(name);
    slider->setToolTip(u(tip));
    slider->setRange(0, 100);
    slider->setFixedWidth(14);
    slider->setEnabled(false);
    return slider;
}

}  // namespace

MainWindow::MainWindow(ClientConfig config, QWidget* parent)
    : QWidget(parent),
      core_(std::make_unique<ClientCore>(std::move(config), *this)),
      frame_(this, true) {
    setWindowTitle("zemra");
    setWindowIcon(QIcon(art("art/zemra.png")));
    setContentsMargins(FrameGeometry::kLeftEdge + 3, FrameGeometry::kTitleHeight + 4,
                       FrameGeometry::kRightEdge + 3, FrameGeometry::kBottomEdge + 3);
    buildWindow();
    setUpCalls();
    setFixedSize(kWidth, kCollapsedHeight);
    frame_.setMinimiseAction([this] { runCommand(1115); });

    animationTimer_.setInterval(OnlineAnimation::kTickMs);
    connect(&animationTimer_, &QTimer::timeout, this, [this] {
        if (!core_->animation().tick()) animationTimer_.stop();
        bar_->update();
    });
    bar_->setItemColour([this](uint32_t id) -> std::optional<QColor> {
        const auto colour = core_->animation().colourOf(id);
        if (!colour) return std::nullopt;
        return QColor::fromRgb(*colour);
    });

    tray_ = new QSystemTrayIcon(this);
    connect(tray_, &QSystemTrayIcon::activated, this, &MainWindow::onTrayActivated);
    trayAnimation_.setInterval(250);
    connect(&trayAnimation_, &QTimer::timeout, this, [this] {
        trayFrame_ = (trayFrame_ + 1) % 3;
        tray_->setIcon(QIcon(art(QString("art/status%1.png").arg(trayFrame_))));
    });
    if (!testStatePath().isEmpty()) {
        connect(&testStateTimer_, &QTimer::timeout, this, &MainWindow::writeTestState);
        testStateTimer_.start(300);
    }
    blinkTimer_.setInterval(400);
    connect(&blinkTimer_, &QTimer::timeout, this, &MainWindow::onBlinkTick);
    bar_->setItemBlinking([this](uint32_t id) {
        const store::ChatMessage* waiting = core_->messageQueue().oldestFrom(id);
        return waiting && !waiting->isSystemMessage();
    });
    trayClicks_ = new TrayClicks(QApplication::doubleClickInterval(), this);
    connect(trayClicks_, &TrayClicks::statusMenuWanted, this,
            [this] { buildStatusMenu()->popup(QCursor::pos()); });
    connect(trayClicks_, &TrayClicks::openWanted, this, &MainWindow::openAction);
    hotKey_ = new GlobalHotKey(this);
    connect(hotKey_, &GlobalHotKey::activated, this, &MainWindow::openAction);
    docker_ = new EdgeDocker(
        EdgeDocker::Window{[this] { return geometry(); },
                           [this](const QRect& r) { setGeometry(r); },
                           [] { return QCursor::pos(); },
                           [this] { return screen() ? screen()->availableGeometry() : QRect(); },
                           [] { return QApplication::mouseButtons() != Qt::NoButton; }},
        this);
}

MainWindow::~MainWindow() {
    // The secondary windows work on the core, which goes with this window:
    // they go first.
    // A window may own another top-level one (its pop-ups), hence the guards.
    std::vector<QPointer<QWidget>> windows;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != this && window->testAttribute(Qt::WA_DeleteOnClose))
            windows.emplace_back(window);
    }
    for (const QPointer<QWidget>& window : windows) delete window.data();
    // Whatever happens, the window goes offline, lets the key go and leaves the tray.
    if (hotKey_) hotKey_->unregisterKey();
    if (tray_) tray_->hide();
    // The engines let go of the devices and the sockets before the core goes.
    if (!media_->devicesReleased()) releaseMediaDevices();
}

bool MainWindow::start(const std::optional<LoginChoice>& commandLine) {
    if (!core_->start(commandLine)) return false;
    openMediaDevices();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
    activateWindow();
    return true;
}

void MainWindow::buildWindow() {
    auto* root = new QVBoxLayout(this);
    root->setSpacing(4);

    // Header: main menu, own face, name and ID.
    auto* header = new QHBoxLayout;
    auto* menu = new CImageButton;
    const QPixmap logo = art("art/logo.png");
    menu->setImages(logo, logo, logo);
    menu->setToolTip(u("主菜单"));
    buttons_[1000] = menu;
    connect(menu, &QAbstractButton::clicked, this, [this] { runCommand(1000); });
    ownFace_ = new QLabel;
    ownFace_->setFixedSize(20, 20);
    nameLabel_ = new QLabel(u("<b>zemra</b>"));
    idLabel_ = new QLabel;
    idLabel_->setStyleSheet("color:#4a6a95");
    header->addWidget(menu);
    header->addWidget(ownFace_);
    header->addWidget(nameLabel_);
    header->addStretch();
    header->addWidget(idLabel_);
    root->addLayout(header);

    // Body: the contact list, the media column and the dial pad.
    auto* body = new QHBoxLayout;
    body->setSpacing(6);
    bar_ = new ContactListBar;
    bar_->setFixedWidth(180);
    connect(bar_, &ContactListBar::itemClicked, this,
            [this](uint32_t id) { showContactMenu(id, QCursor::pos()); });
    connect(bar_, &ContactListBar::itemDoubleClicked, this, &MainWindow::onContactDoubleClicked);
    connect(bar_, &ContactListBar::rightClicked, this, &MainWindow::onListRightClicked);
    connect(bar_, &ContactListBar::groupRenamed, this, [this](int group, const QString& text) {
        core_->renameGroup(static_cast<std::size_t>(group), gbk(text));
    });
    connect(bar_, &ContactListBar::contactRenamed, this,
            [this](uint32_t id, const QString& text) { core_->renameContact(id, gbk(text)); });
    connect(bar_, &ContactListBar::contactDropped, this, &MainWindow::onContactDropped);
    connect(bar_, &ContactListBar::groupLeaving, this, [this](int) {
        const auto& options = core_->options();
        if (options.hasFlag(store::kOptSoundPrompts)) {
            playSound(options.sounds[store::CUserOptions::kSoundGroupSwitch]);
        }
    });
    body->addWidget(bar_);
    body->addWidget(buildMediaColumn());
    dialPad_ = buildDialPad();
    body->addWidget(dialPad_);
    root->addLayout(body, 1);

    root->addWidget(buildToolbar());
    ticker_ = new Ticker;
    ticker_->setText(
        u("欢迎使用 ZEMRA 可视电话 —— 与朋友们面对面地聊天、通话、传送文件。"
          "祝您使用愉快！"));
    root->addWidget(ticker_);
    textPane_ = buildTextPane();
    textPane_->hide();
    root->addWidget(textPane_);
}

QWidget* MainWindow::buildMediaColumn() {
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    // The preview with the two level meters, and the media switches beside it.
    auto* media = new QHBoxLayout;
    media->setSpacing(3);
    preview_ = new VideoSurface;
    preview_->setObjectName("preview");
    preview_->setFixedSize(176, 144);
    media->addWidget(preview_);
    micMeter_ = levelMeter();
    micMeter_->setObjectName("micLevel");
    partnerMeter_ = levelMeter();
    partnerMeter_->setObjectName("partnerLevel");
    media->addWidget(micMeter_);
    media->addWidget(partnerMeter_);
    micVolume_ = volumeSlider("micVolume", "麦克风音量");
    speakerVolume_ = volumeSlider("speakerVolume", "喇叭音量");
    media->addWidget(micVolume_);
    media->addWidget(speakerVolume_);
    auto* switches = new QVBoxLayout;
    switches->setSpacing(0);
    switches->addWidget(makeButton(1149, "mic", "关闭麦克"));
    switches->addWidget(makeButton(1150, "speaker", "关闭喇叭"));
    switches->addWidget(makeButton(1133, "snapshot", "快照"));
    switches->addWidget(makeButton(1131, "remote", "对方视频"));
    switches->addStretch();
    media->addLayout(switches);
    layout->addLayout(media);

    auto* numberRow = new QHBoxLayout;
    number_ = new QLineEdit;
    number_->setObjectName("number");
    number_->setMaxLength(kNumberLength);
    number_->setPlaceholderText(u("输入号码"));
    number_->setValidator(nullptr);
    number_->setStyleSheet("font-size:13pt;padding:1px 4px;");
    numberRow->addWidget(number_, 1);
    auto* clear = makeButton(1108, QString(), "清除", "key");
    clear->setText(u("清除"));
    clear->setFixedSize(44, 28);
    numberRow->addWidget(clear);
    layout->addLayout(numberRow);

    auto* calls = new QHBoxLayout;
    calls->addWidget(makeButton(1118, QString(), "呼叫", "dial"));
    calls->addWidget(makeButton(kHangUp, QString(), "挂断", "hangup"));
    button(kHangUp)->hide();
    calls->addWidget(makeButton(1136, "redial", "重拨"));
    calls->addWidget(makeButton(1132, "music", "音乐共享"));
    calls->addWidget(makeButton(1134, "dialpad", "拨号盘"));
    calls->addStretch();
    layout->addLayout(calls);
    return column;
}

QWidget* MainWindow::buildDialPad() {
    auto* pad = new QWidget;
    auto* grid = new QGridLayout(pad);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(4);
    const char* keys = "123456789*0#";
    for (int i = 0; i < 12; ++i) {
        CImageButton* key = makeButton(1119 + i, QString(), "", "key");
        key->setText(QString(QChar(keys[i])));
        key->setToolTip(QString());
        QFont f = key->font();
        f.setPointSize(f.pointSize() + 2);
        f.setBold(true);
        key->setFont(f);
        key->setFixedSize(44, 28);
        grid->addWidget(key, i / 3, i % 3);
    }
    grid->setRowStretch(4, 1);
    return pad;
}

QWidget* MainWindow::buildToolbar() {
    auto* bar = new QWidget;
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(1);
    const struct {
        int control;
        const char* glyph;
        const char* tip;
    } tools[] = {
        {1034, "search", "在线查找"},    {1002, "sysmsg", "系统消息"},
        {1064, "file", "文件传输"},      {1113, "chat", "在线聊天"},
        {1114, "msgmgr", "消息管理器"},  {1117, "calllog", "呼叫记录"},
        {1099, "mydetails", "我的资料"}, {1079, "options", "系统参数设置"},
        {1116, "devtest", "设备测试"},   {1143, "conference", "会议功能"},
        {1102, "news", "公司动态"},      {1103, "support", "技术支持"},
    };
    for (const auto& t : tools) row->addWidget(makeButton(t.control, t.glyph, t.tip));
    row->addStretch();
    auto* skin = makeButton(0, "skin", "皮肤");
    disconnect(skin, nullptr, this, nullptr);
    connect(skin, &QAbstractButton::clicked, this,
            [this, skin] { showSkinMenu(skin->mapToGlobal(QPoint(0, skin->height()))); });
    row->addWidget(skin);
    return bar;
}

QWidget* MainWindow::buildTextPane() {
    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    callText_ = new QTextEdit;
    callText_->setReadOnly(true);
    callText_->setFixedHeight(80);
    auto* row = new QHBoxLayout;
    callInput_ = new QLineEdit;
    row->addWidget(callInput_, 1);
    auto* send = makeButton(1145, "send", "发送");
    auto* close = makeButton(1135, "chat", "关闭聊天");
    row->addWidget(send);
    row->addWidget(close);
    layout->addWidget(callText_);
    layout->addLayout(row);
    return pane;
}

CImageButton* MainWindow::makeButton(int control, const QString& glyph, const char* tip,
                                     const QString& background) {
    auto* b = new CImageButton;
    b->setImages(compose(background, glyph, 0), compose(background, glyph, 2),
                 compose(background, glyph, 1));
    b->setFixedSize(b->sizeHint());
    if (tip && *tip) b->setToolTip(u(tip));
    if (control != 0) {
        b->setObjectName(QString("cmd%1").arg(control));
        buttons_[control] = b;
        connect(b, &QAbstractButton::clicked, this, [this, control] { runCommand(control); });
    }
    return b;
}

CImageButton* MainWindow::button(int control) const {
    const auto it = buttons_.find(control);
    return it == buttons_.end() ? nullptr : it->second;
}

QString MainWindow::numberText() const {
    return number_->text();
}

// --- the frame ---

void MainWindow::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    QPainter painter(this);
    frame_.paint(painter, windowTitle());
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    frame_.updateMask();
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    if (!frame_.mousePress(event)) QWidget::mousePressEvent(event);
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
    if (!frame_.mouseMove(event)) QWidget::mouseMoveEvent(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (!frame_.mouseRelease(event)) QWidget::mouseReleaseEvent(event);
}

void MainWindow::leaveEvent(QEvent* event) {
    frame_.leave();
    QWidget::leaveEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing is leaving the program, after the question.
    if (!core_->exit()) {
        event->ignore();
        return;
    }
    hide();
    releaseMediaDevices();
    if (hotKey_) hotKey_->unregisterKey();
    tray_->hide();
    event->accept();
    QApplication::quit();
}

}  // namespace zemra::client::ui
