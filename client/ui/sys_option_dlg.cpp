#include "client/ui/sys_option_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "client/store/replies.h"
#include "client/ui/ui_text.h"
#include "platform/sound.h"

namespace zemra::client::ui {
namespace {

QComboBox* deviceCombo(const char* name, const std::vector<std::string>& devices, int current) {
    auto* combo = new QComboBox;
    combo->setObjectName(name);
    for (const std::string& device : devices) combo->addItem(QString::fromStdString(device));
    if (current >= 0 && current < combo->count()) combo->setCurrentIndex(current);
    return combo;
}

}  // namespace

CSysOptionDlg::CSysOptionDlg(const store::CUserOptions& options,
                             const store::UserSettings& settings, std::filesystem::path userDir,
                             DeviceLists devices, MediaChoice devicesNow, Page first,
                             QWidget* parent)
    : QDialog(parent),
      general_(GeneralPage::load(options, settings)),
      userDir_(std::move(userDir)),
      devices_(std::move(devices)),
      devicesNow_(devicesNow),
      sounds_(std::make_unique<SoundFilesPage>(settings)) {
    setWindowTitle(u("参数设置"));
    replies_.emplace_back(store::LoadReplies(userDir_ / store::kAutoReplyFileName));
    replies_.emplace_back(store::LoadReplies(userDir_ / store::kQuickReplyFileName));
    shownReply_ = {0, 0};
    pages_ = new QTabWidget;
    pages_->setObjectName("pages");
    pages_->addTab(buildGeneral(), u("参数设置"));
    pages_->addTab(buildReply(), u("回复设置"));
    pages_->addTab(buildSound(), u("音视频设置"));
    pages_->setCurrentIndex(first);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(u("确定"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
    buttons->button(QDialogButtonBox::Cancel)->setText(u("取消"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addWidget(buttons);
}

CSysOptionDlg::~CSysOptionDlg() = default;

QWidget* CSysOptionDlg::buildGeneral() {
    auto* page = new QWidget;
    auto* calls = new QGroupBox(u("呼叫处理"));
    auto* callLayout = new QHBoxLayout(calls);
    const char* modes[] = {"自动接收呼叫", "拒绝呼叫请求", "呼叫进入提示"};
    for (int i = 0; i < 3; ++i) {
        callModes_[i] = new QRadioButton(u(modes[i]));
        callModes_[i]->setObjectName(QString("callMode%1").arg(i));
        callLayout->addWidget(callModes_[i]);
    }
    callModes_[std::clamp(general_.callMode, 0, 2)]->setChecked(true);
    friendsOnly_ = new QCheckBox(u("只接收好友呼叫"));
    friendsOnly_->setObjectName("friendsOnly");
    friendsOnly_->setChecked(general_.friendsOnly);
    callLayout->addWidget(friendsOnly_);

    auto* boxes = new QGroupBox(u("选项"));
    auto* grid = new QGridLayout(boxes);
    for (std::size_t i = 0; i < GeneralPage::kOptionBoxes; ++i) {
        optionBoxes_[i] = new QCheckBox(u(optionBoxCaptions()[i]));
        optionBoxes_[i]->setObjectName(QString("option%1").arg(i));
        optionBoxes_[i]->setChecked(general_.options[i]);
        grid->addWidget(optionBoxes_[i], static_cast<int>(i / 3), static_cast<int>(i % 3));
    }
    onTop_ = new QCheckBox(u("窗口在最前"));
    onTop_->setObjectName("onTop");
    onTop_->setChecked(general_.onTop);
    grid->addWidget(onTop_, 3, 0);

    auto* keys = new QGroupBox(u("热键"));
    auto* keyLayout = new QHBoxLayout(keys);
    useHotKey_ = new QCheckBox(u("使用热键"));
    useHotKey_->setObjectName("useHotKey");
    useHotKey_->setChecked(general_.useHotKey);
    defaultHotKey_ = new QRadioButton(u("默认热键"));
    defaultHotKey_->setObjectName("defaultHotKey");
    customHotKey_ = new QRadioButton(u("自定义热键"));
    customHotKey_->setObjectName("customHotKey");
    (general_.customHotKey ? customHotKey_ : defaultHotKey_)->setChecked(true);
    hotKey_ = new QKeySequenceEdit(QKeySequence(keysFromHotKey(general_.hotKey)));
    hotKey_->setObjectName("hotKey");
    keyLayout->addWidget(useHotKey_);
    keyLayout->addWidget(defaultHotKey_);
    keyLayout->addWidget(new QLabel("CTRL + ALT +M"));
    keyLayout->addWidget(customHotKey_);
    keyLayout->addWidget(hotKey_, 1);
    connect(useHotKey_, &QCheckBox::toggled, this, &CSysOptionDlg::updateHotKeyControls);
    connect(customHotKey_, &QRadioButton::toggled, this, [this](bool on) {
        updateHotKeyControls();
        if (on) hotKey_->setFocus();
    });
    updateHotKeyControls();

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(calls);
    layout->addWidget(boxes);
    layout->addWidget(keys);
    layout->addStretch();
    return page;
}

void CSysOptionDlg::updateHotKeyControls() {
    const bool use = useHotKey_->isChecked();
    defaultHotKey_->setEnabled(use);
    customHotKey_->setEnabled(use);
    hotKey_->setEnabled(use && customHotKey_->isChecked());
}

QWidget* CSysOptionDlg::buildReply() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(buildReplyList("离开留言设置", "设置留言内容(50字以内)", 0));
    layout->addWidget(buildReplyList("快捷回复设置", "设置常用聊天内容(50字以内)", 1));
    layout->addStretch();
    return page;
}

// One list: a number to choose the entry, the entry's text to edit; the
// last number adds an entry.
QWidget* CSysOptionDlg::buildReplyList(const char* title, const char* hint, int list) {
    auto* group = new QGroupBox(u(title));
    auto* numbers = new QComboBox;
    numbers->setObjectName(list == 0 ? "awayNumber" : "quickNumber");
    auto* text = new QLineEdit;
    text->setObjectName(list == 0 ? "awayText" : "quickText");
    text->setMaxLength(ReplyEntries::kMaxChars);
    replyNumbers_.push_back(numbers);
    replyTexts_.push_back(text);
    const auto refill = [this, list, numbers, text](int select) {
        const QSignalBlocker quiet(numbers);
        numbers->clear();
        for (int i = 0; i < replies_[list].numbers(); ++i) numbers->addItem(QString::number(i));
        select = std::clamp(select, 0, numbers->count() - 1);
        numbers->setCurrentIndex(select);
        shownReply_[list] = select;
        text->setText(QString::fromStdString(replies_[list].textAt(select)));
    };
    connect(numbers, &QComboBox::currentIndexChanged, this, [this, list, text, refill](int i) {
        replies_[list].setText(shownReply_[list], text->text().toStdString());
        refill(i);
    });
    refill(0);
    auto* form = new QFormLayout(group);
    form->addRow(u("序号选择"), numbers);
    form->addRow(u(hint), text);
    return group;
}

QWidget* CSysOptionDlg::buildSound() {
    auto* page = new QWidget;
    auto* tones = new QGroupBox(u("声音"));
    soundKind_ = new QComboBox;
    soundKind_->setObjectName("soundKind");
    for (const char* name : SoundFilesPage::kindNames()) soundKind_->addItem(u(name));
    soundFile_ = new QLineEdit(QString::fromStdString(sounds_->path(0)));
    soundFile_->setObjectName("soundFile");
    connect(soundKind_, &QComboBox::currentIndexChanged, this, [this](int kind) {
        soundFile_->setText(
            QString::fromStdString(sounds_->selectKind(kind, soundFile_->text().toStdString())));
    });
    auto* browse = new QPushButton(u("浏览"));
    browse->setObjectName("browse");
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString file =
            QFileDialog::getOpenFileName(this, QString(), soundFile_->text(), "*.wav");
        if (!file.isEmpty()) soundFile_->setText(file);
    });
    auto* play = new QPushButton(u("播放"));
    play->setObjectName("play");
    connect(play, &QPushButton::clicked, this,
            [this] { sound::play(soundFile_->text().toStdString()); });
    auto* toneForm = new QFormLayout(tones);
    toneForm->addRow(u("声音类型"), soundKind_);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(soundFile_, 1);
    fileRow->addWidget(browse);
    fileRow->addWidget(play);
    toneForm->addRow(u("声音文件"), fileRow);

    auto* deviceBox = new QGroupBox(u("音视频设备"));
    camera_ = deviceCombo("camera", devices_.cameras, devicesNow_.videoDevice);
    backEnd_ = new QComboBox;
    backEnd_->setObjectName("captureMode");
    backEnd_->addItems({u("转换格式采集"), u("摄像头原格式采集")});
    backEnd_->setCurrentIndex(devicesNow_.backEnd == CaptureBackEnd::Graph ? 0 : 1);
    largePicture_ = new QCheckBox(u("清晰图像 (352×288)"));
    largePicture_->setObjectName("largePicture");
    largePicture_->setChecked(devicesNow_.largePicture);
    microphone_ = deviceCombo("microphone", devices_.microphones, devicesNow_.microphone);
    speaker_ = deviceCombo("speaker", devices_.speakers, devicesNow_.speaker);
    frameRate_ = new QSpinBox;
    frameRate_->setObjectName("frameRate");
    frameRate_->setRange(1, 30);
    frameRate_->setValue(static_cast<int>(devicesNow_.frameRate));
    auto* deviceForm = new QFormLayout(deviceBox);
    deviceForm->addRow(u("视频设备"), camera_);
    deviceForm->addRow(u("采集方式"), backEnd_);
    deviceForm->addRow(QString(), largePicture_);
    deviceForm->addRow(u("发送帧率"), frameRate_);
    deviceForm->addRow(u("音频输入设备"), microphone_);
    deviceForm->addRow(u("音频播放设备"), speaker_);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(tones);
    layout->addWidget(deviceBox);
    layout->addStretch();
    return page;
}

GeneralPage CSysOptionDlg::generalPage() const {
    GeneralPage page = general_;
    for (int i = 0; i < 3; ++i) {
        if (callModes_[i]->isChecked()) page.callMode = i;
    }
    page.friendsOnly = friendsOnly_->isChecked();
    for (std::size_t i = 0; i < GeneralPage::kOptionBoxes; ++i) {
        page.options[i] = optionBoxes_[i]->isChecked();
    }
    page.onTop = onTop_->isChecked();
    page.useHotKey = useHotKey_->isChecked();
    page.customHotKey = customHotKey_->isChecked();
    const QKeySequence keys = hotKey_->keySequence();
    if (!keys.isEmpty()) {
        if (const auto value = hotKeyFromKeys(keys[0])) page.hotKey = *value;
    }
    return page;
}

void CSysOptionDlg::commit(store::CUserOptions& options, store::UserSettings& settings) {
    generalPage().apply(options, settings);
    sounds_->apply(settings, soundFile_->text().toStdString());
    const char* files[] = {store::kAutoReplyFileName, store::kQuickReplyFileName};
    for (int list = 0; list < 2; ++list) {
        replies_[list].setText(shownReply_[list], replyTexts_[list]->text().toStdString());
        store::SaveReplies(userDir_ / files[list], replies_[list].entries());
    }
    storeDeviceChoice(wantedDevices(), settings);
}

MediaChoice CSysOptionDlg::wantedDevices() const {
    MediaChoice c = devicesNow_;
    c.videoDevice = std::max(0, camera_->currentIndex());
    c.backEnd = backEnd_->currentIndex() == 0 ? CaptureBackEnd::Graph : CaptureBackEnd::Window;
    c.largePicture = largePicture_->isChecked();
    c.microphone = std::max(0, microphone_->currentIndex());
    c.speaker = std::max(0, speaker_->currentIndex());
    c.frameRate = static_cast<unsigned>(frameRate_->value());
    return c;
}

}  // namespace zemra::client::ui
