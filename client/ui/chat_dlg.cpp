#include "client/ui/chat_dlg.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFontComboBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <ctime>

#include "client/app/client_core.h"
#include "client/ui/chat_rules.h"
#include "client/ui/face_picker.h"
#include "client/ui/face_rich_edit.h"
#include "client/ui/history_list_box.h"
#include "client/ui/image_lists.h"
#include "client/ui/message_format.h"
#include "client/ui/ui_text.h"

namespace zemra::client::ui {
namespace {

// One format for the input box of every chat window while the program runs:
// a new window starts with what the last one closed with.
QTextCharFormat& sharedFormat() {
    static QTextCharFormat format;
    return format;
}

QIcon colourIcon(const QColor& colour) {
    QPixmap swatch(28, 14);
    swatch.fill(Qt::transparent);
    QPainter p(&swatch);
    p.fillRect(swatch.rect().adjusted(5, 2, -5, -2), colour);
    return QIcon(swatch);
}

QColor rgb(uint32_t value) {
    return QColor((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

}  // namespace

CChatDlg::CChatDlg(ClientCore& core, uint32_t peer, QWidget* parent)
    : SkinnedDialog(u("发送讯息"), u("发送讯息"), parent), core_(core), peer_(peer) {
    setAttribute(Qt::WA_DeleteOnClose);
    setContentsMargins(FrameGeometry::kLeftEdge + 2, FrameGeometry::kTitleHeight + 2,
                       FrameGeometry::kRightEdge + 2, FrameGeometry::kBottomEdge + 2);
    const store::Contact* contact = core_.contacts().findContact(peer_);
    const QString name = contact ? fromGbk(contact->nickname) : QString::number(peer_);
    setWindowTitle(u("发送讯息") + " - " + name);

    conversation_ = new CFaceRichEdit;
    conversation_->setFixedHeight(kConversationHeight);
    input_ = new CFaceRichEdit;
    input_->setEditable(true);
    input_->setObjectName("input");
    conversation_->setObjectName("conversation");
    input_->installEventFilter(this);
    input_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(input_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { showInputMenu(input_->mapToGlobal(at)); });
    connect(input_, &QTextEdit::textChanged, this, [this] {
        // The box takes at most kInputLimit characters: what goes past the
        // limit (typed or pasted at the caret) is taken out again.
        const int excess = input_->document()->characterCount() - 1 - kInputLimit;
        if (excess <= 0) return;
        QTextCursor cursor = input_->textCursor();
        const int end = cursor.position();
        cursor.setPosition(std::max(0, end - excess));
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    });
    history_ = new CHistoryListBox(core_, peer_);
    history_->setFixedHeight(kHistoryHeight);
    connect(history_, &CHistoryListBox::textChosen, this, [this](const QString& text) {
        input_->insertTextWithPictures(text + "\n");
        input_->setFocus();
    });

    enterSends_ = new QRadioButton(u("按回车键发送消息"));
    ctrlEnterSends_ = new QRadioButton(u("按Ctrl+回车键发送消息"));
    const bool enter = contact && contact->hasOption(store::kContactEnterSends);
    (enter ? enterSends_ : ctrlEnterSends_)->setChecked(true);
    connect(enterSends_, &QRadioButton::toggled, this, [this](bool on) { setEnterSends(on); });
    auto* radios = new QHBoxLayout;
    radios->addWidget(enterSends_);
    radios->addWidget(ctrlEnterSends_);
    radios->addStretch();

    historyButton_ = new QPushButton(u("聊天记录(&H)"));
    dialogueButton_ = new QPushButton;
    groupButton_ = new QPushButton(u("群发 >>"));
    auto* call = new QPushButton(u("视频电话"));
    call->setObjectName("call");
    call->setEnabled(!core_.calls().inCall() && peer_ != 0);
    connect(call, &QPushButton::clicked, this, [this] { callPeer(); });
    send_ = new QPushButton(u("送讯息(&S)"));
    auto* cancel = new QPushButton(u("取消发送(&C)"));
    send_->setDefault(true);
    send_->setObjectName("send");
    historyButton_->setObjectName("history");
    dialogueButton_->setObjectName("dialogue");
    groupButton_->setObjectName("group");
    cancel->setObjectName("cancel");
    enterSends_->setObjectName("enterSends");
    ctrlEnterSends_->setObjectName("ctrlEnterSends");
    connect(historyButton_, &QPushButton::clicked, this,
            [this] { setHistoryShown(!historyShown_); });
    connect(dialogueButton_, &QPushButton::clicked, this,
            [this] { setDialogueMode(!dialogueMode()); });
    connect(groupButton_, &QPushButton::clicked, this, [this] { setGroupMode(!groupMode_); });
    connect(send_, &QPushButton::clicked, this, [this] { send(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(historyButton_);
    buttons->addWidget(dialogueButton_);
    buttons->addWidget(groupButton_);
    buttons->addWidget(call);
    buttons->addStretch();
    buttons->addWidget(send_);
    buttons->addWidget(cancel);

    auto* left = new QVBoxLayout;
    left->addWidget(buildHeader());
    left->addWidget(conversation_);
    left->addWidget(buildFormatBar());
    left->addWidget(input_, 1);
    left->addLayout(radios);
    left->addLayout(buttons);
    left->addWidget(history_);

    recipients_ = new QTreeWidget;
    recipients_->setObjectName("recipients");
    history_->setObjectName("historyList");
    recipients_->header()->hide();
    auto* choose = new QLabel(u("选择接收人"));
    recipientPanel_ = new QWidget;
    recipientPanel_->setFixedWidth(kRecipientWidth);
    auto* panel = new QVBoxLayout(recipientPanel_);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->addWidget(choose);
    panel->addWidget(recipients_, 1);
    fillRecipients();

    auto* root = new QHBoxLayout(this);
    root->addLayout(left, 1);
    root->addWidget(recipientPanel_);

    format_ = sharedFormat();
    if (!format_.isEmpty()) input_->setCurrentCharFormat(format_);
    refreshFormatBar();
    core_.windows().registerWindow(WindowKind::Chat, peer_, reinterpret_cast<WindowHandle>(this));
    relayout();
    input_->setFocus();
}

CChatDlg::~CChatDlg() {
    sharedFormat() = format_;
    core_.windows().unregisterWindow(reinterpret_cast<WindowHandle>(this));
}

QWidget* CChatDlg::buildHeader() {
    const store::Contact* contact = core_.contacts().findContact(peer_);
    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    auto* face = new QToolButton;
    face->setIcon(QIcon(imageLists().face32(contact ? contact->face : 0)));
    face->setIconSize(QSize(32, 32));
    face->setToolTip(u("查看资料"));
    connect(face, &QToolButton::clicked, this, [this] { core_.requestDetails(peer_, false); });
    nickname_ = new QLabel(contact ? fromGbk(contact->nickname) : QString());
    nickname_->setTextFormat(Qt::PlainText);
    nickname_->setStyleSheet("font-weight:bold");
    email_ = new QLabel(contact ? fromGbk(contact->email) : QString());
    email_->setTextFormat(Qt::PlainText);
    email_->setStyleSheet("color:#556");
    auto* id = new QLabel(QString::number(peer_));
    auto* names = new QVBoxLayout;
    names->addWidget(nickname_);
    auto* line = new QHBoxLayout;
    line->addWidget(id);
    line->addWidget(email_);
    line->addStretch();
    names->addLayout(line);
    row->addWidget(face);
    row->addLayout(names, 1);
    return header;
}

QWidget* CChatDlg::buildFormatBar() {
    auto* bar = new QWidget;
    bar->setAutoFillBackground(true);
    QPalette palette = bar->palette();
    palette.setColor(QPalette::Window, QColor(230, 230, 230));
    bar->setPalette(palette);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(2, 1, 2, 1);
    row->setSpacing(2);
    fontName_ = new QFontComboBox;
    fontName_->setMaximumWidth(150);
    fontName_->lineEdit()->setMaxLength(32);
    connect(fontName_, &QFontComboBox::currentFontChanged, this, [this](const QFont& font) {
        QTextCharFormat change;
        change.setFontFamilies({font.family()});
        applyFormat(change);
    });
    fontSize_ = new QComboBox;
    fontSize_->setEditable(true);
    fontSize_->lineEdit()->setMaxLength(4);
    for (int size : {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36})
        fontSize_->addItem(QString::number(size));
    fontSize_->setMaximumWidth(56);
    connect(fontSize_->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        bool ok = false;
        const int points = fontSize_->currentText().toInt(&ok);
        // Sizes the control cannot show are refused; the last one stays.
        if (!ok || points < 1 || points > 1638) {
            refreshFormatBar();
            return;
        }
        QTextCharFormat change;
        change.setFontPointSize(points);
        applyFormat(change);
    });
    connect(fontSize_, &QComboBox::activated, this,
            [this] { fontSize_->lineEdit()->editingFinished(); });
    const auto toggle = [this, row](const QString& glyph, const char* tip, auto set) {
        auto* b = new QToolButton;
        b->setText(glyph);
        b->setToolTip(u(tip));
        b->setCheckable(true);
        b->setFixedSize(23, 22);
        connect(b, &QToolButton::toggled, this, [this, set](bool on) {
            QTextCharFormat change;
            set(change, on);
            applyFormat(change);
        });
        row->addWidget(b);
        return b;
    };
    row->addWidget(fontName_);
    row->addWidget(fontSize_);
    bold_ = toggle("B", "粗体", [](QTextCharFormat& f, bool on) {
        f.setFontWeight(on ? QFont::Bold : QFont::Normal);
    });
    italic_ = toggle("I", "斜体", [](QTextCharFormat& f, bool on) { f.setFontItalic(on); });
    underline_ = toggle("U", "下划线", [](QTextCharFormat& f, bool on) { f.setFontUnderline(on); });
    bold_->setObjectName("bold");
    italic_->setObjectName("italic");
    underline_->setObjectName("underline");
    QFont b = bold_->font();
    b.setBold(true);
    bold_->setFont(b);
    auto* colour = new QToolButton;
    colour->setIcon(colourIcon(Qt::red));
    colour->setToolTip(u("颜色"));
    colour->setFixedSize(23, 22);
    colour->setObjectName("colour");
    connect(colour, &QToolButton::clicked, this, [this, colour] { showColourMenu(colour); });
    auto* faces = new QToolButton;
    faces->setIcon(QIcon(imageLists().emoticon(14)));
    faces->setToolTip(u("表情"));
    faces->setFixedSize(23, 22);
    faces->setObjectName("faces");
    connect(faces, &QToolButton::clicked, this, [this, faces] {
        auto* picker = new CFacePicker(this);
        picker->setAttribute(Qt::WA_DeleteOnClose);
        connect(picker, &CFacePicker::picked, this, [this](int index) {
            input_->insertPicture(index);
            input_->setFocus();
        });
        picker->popUpAt(faces->mapToGlobal(QPoint(0, faces->height())));
    });
    row->addWidget(colour);
    row->addWidget(faces);
    row->addStretch();
    return bar;
}

void CChatDlg::fillRecipients() {
    const ContactList& list = core_.contacts();
    const bool onlineOnly = core_.options().hasFlag(store::kOptShowOnlineOnly);
    // Every group but the black list.
    for (std::size_t g = 0; g + 1 < list.groupCount(); ++g) {
        auto* group = new QTreeWidgetItem(recipients_, {fromGbk(list.groups()[g].name)});
        for (const store::Contact* c : list.visibleMembers(g, onlineOnly)) {
            auto* item = new QTreeWidgetItem(
                group, {QString("%1 (%2)").arg(fromGbk(c->nickname)).arg(c->id)});
            item->setIcon(0, QIcon(imageLists().face16(
                                 static_cast<int>(c->presence) * ImageLists::kFaces + c->face)));
            item->setData(0, Qt::UserRole, c->id);
            item->setCheckState(0, c->id == peer_ ? Qt::Checked : Qt::Unchecked);
        }
    }
    recipients_->expandAll();
}

void CChatDlg::setRecipientChecked(uint32_t id, bool checked) {
    for (QTreeWidgetItemIterator it(recipients_); *it; ++it) {
        if ((*it)->data(0, Qt::UserRole).toUInt() == id && id != 0) {
            (*it)->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
        }
    }
}

void CChatDlg::applyFormat(const QTextCharFormat& change) {
    format_.merge(change);
    QTextCursor all(input_->document());
    all.select(QTextCursor::Document);
    all.mergeCharFormat(change);
    input_->mergeCurrentCharFormat(change);
}

void CChatDlg::refreshFormatBar() {
    const QSignalBlocker b1(fontName_), b2(fontSize_), b3(bold_), b4(italic_), b5(underline_);
    const QFont font = input_->currentCharFormat().font();
    fontName_->setCurrentFont(font);
    fontSize_->setEditText(QString::number(qRound(font.pointSizeF())));
    bold_->setChecked(font.bold());
    italic_->setChecked(font.italic());
    underline_->setChecked(font.underline());
}

void CChatDlg::showColourMenu(QToolButton* at) {
    QMenu menu(this);
    for (uint32_t value : chatColourMenu()) {
        const QColor colour = rgb(value);
        menu.addAction(colourIcon(colour), QString())->setData(colour);
    }
    const QColor text = palette().color(QPalette::WindowText);
    menu.addAction(colourIcon(text), QString())->setData(text);
    if (QAction* chosen = menu.exec(at->mapToGlobal(QPoint(0, at->height())))) {
        QTextCharFormat change;
        change.setForeground(chosen->data().value<QColor>());
        applyFormat(change);
    }
}

void CChatDlg::showInputMenu(const QPoint& globalPos) {
    QMenu menu(this);
    const bool selection = input_->textCursor().hasSelection();
    menu.addAction(u("剪切(&T)"), input_, &QTextEdit::cut)->setEnabled(selection);
    menu.addAction(u("复制(&C)"), input_, &QTextEdit::copy)->setEnabled(selection);
    menu.addAction(u("粘贴(&P)"), input_, &QTextEdit::paste)->setEnabled(input_->canPaste());
    menu.addSeparator();
    menu.addAction(u("字体(&F)..."), this, [this] {
        bool ok = false;
        const QFont font = QFontDialog::getFont(&ok, input_->currentCharFormat().font(), this);
        if (!ok) return;
        QTextCharFormat change;
        change.setFont(font, QTextCharFormat::FontPropertiesAll);
        applyFormat(change);
        refreshFormatBar();
    });
    menu.exec(globalPos);
}

bool CChatDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == input_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (enterSends(enterSends_->isChecked(),
                           key->modifiers().testFlag(Qt::ControlModifier))) {
                send();
                return true;
            }
            input_->textCursor().insertText("\n");
            return true;
        }
    }
    if (watched == input_ && event->type() == QEvent::FocusIn) refreshFormatBar();
    return SkinnedDialog::eventFilter(watched, event);
}

store::ChatMessage CChatDlg::composed(const std::string& gbkText) const {
    store::ChatMessage m;
    m.kind = store::kMessageChat;
    m.peer = peer_;
    m.time = static_cast<uint32_t>(std::time(nullptr));
    m.text = gbkText;
    setFormatOf(m, input_->currentCharFormat());
    return m;
}

void CChatDlg::callPeer() {
    const store::Contact* contact = core_.contacts().findContact(peer_);
    const std::string name = contact ? contact->nickname : text::toGbk("未知");
    const QPointer<CChatDlg> alive(this);
    core_.calls().callFromWindow(peer_, name, "您正在通话中!");
    if (alive && core_.calls().outgoingRinging() && core_.calls().partnerId() == peer_) close();
}

bool CChatDlg::send() {
    // A second press while a send waits would send the text twice.
    if (sending_) return false;
    QString codes = input_->textWithCodes();
    while (codes.endsWith('\n')) codes.chop(1);
    if (codes.trimmed().isEmpty()) {
        QMessageBox::warning(this, u("错误"), u("不能发空讯息"));
        return false;
    }
    // Messages travel in GBK: a character it has no room for (an emoji
    // typed from the keyboard) would arrive as '?'; the user decides instead.
    const auto gbkText = text::utf8ToGbk(codes.toStdString());
    if (!gbkText) {
        QMessageBox::warning(this, u("错误"), u("讯息里有不能发送的字符，请删除后再发送"));
        return false;
    }
    store::ChatMessage message = composed(*gbkText);
    if (!core_.connection().connected()) {
        // Nothing can go out: the text stays for the user to send later.
        QMessageBox::information(this, "zemra", u("对不起,您还没有成功登陆服务器"));
        return false;
    }
    // Sending may run the event loop, in which the user can close this
    // window: what comes after a send checks that it is still there.
    const QPointer<CChatDlg> alive(this);
    ClientCore& core = core_;
    sending_ = true;
    input_->clear();
    if (groupMode_) {
        std::vector<uint32_t> to;
        for (QTreeWidgetItemIterator it(recipients_); *it; ++it) {
            const uint32_t id = (*it)->data(0, Qt::UserRole).toUInt();
            if (id != 0 && (*it)->checkState(0) == Qt::Checked) to.push_back(id);
        }
        for (uint32_t id : to) {
            message.peer = id;
            core.sendChatMessage(message);
        }
        if (alive) close();
        return !to.empty();
    }
    const auto sent = core.sendChatMessage(message);
    if (!alive) return !sent.empty();
    sending_ = false;
    if (!dialogueMode()) {
        close();
        return !sent.empty();
    }
    for (const store::ChatMessage& part : sent) appendToConversation(part, kOwnHeaderRgb);
    input_->setFocus();
    return !sent.empty();
}

void CChatDlg::setTextAndSend(const QString& text) {
    input_->clear();
    input_->insertTextWithPictures(text);
    send();
}

QString CChatDlg::senderName(const store::ChatMessage& message) const {
    if (!message.isIncoming()) return fromGbk(core_.me().nickname);
    const store::Contact* contact = core_.contacts().findContact(peer_);
    return contact ? fromGbk(contact->nickname) : QString::number(peer_);
}

void CChatDlg::appendToConversation(const store::ChatMessage& message, uint32_t headerRgb) {
    const QColor header = rgb(headerRgb);
    conversation_->appendColoured(conversationHeader(senderName(message), message.time) + "\n",
                                  header);
    conversation_->showMessage(message);
    const bool relayed = (message.flags & (store::kMessageIncoming | store::kMessageRelayed)) ==
                         (store::kMessageIncoming | store::kMessageRelayed);
    if (relayed) conversation_->appendColoured(u("\n(通过服务器中转)"), header);
    conversation_->appendColoured("\n", header);
}

void CChatDlg::appendIncoming(const store::ChatMessage& message) {
    show();
    raise();
    activateWindow();
    appendToConversation(message, kIncomingHeaderRgb);
}

bool CChatDlg::dialogueMode() const {
    const store::Contact* contact = core_.contacts().findContact(peer_);
    return contact && contact->hasOption(store::kContactDialogueMode);
}

void CChatDlg::setDialogueMode(bool on) {
    store::Contact* contact = core_.contacts().findContact(peer_);
    if (!contact) return;
    if (on != dialogueMode()) {
        contact->options ^= store::kContactDialogueMode;
        core_.onContactChanged(*contact);
    }
    conversation_->clear();
    if (on) {
        std::vector<store::ChatMessage> last;  // oldest first
        core_.recordStore().LoadMessages(peer_, last, kDialogueReload);
        for (const store::ChatMessage& m : last) appendToConversation(m, kReloadedHeaderRgb);
    }
    relayout();
}

void CChatDlg::setGroupMode(bool on) {
    groupMode_ = on;
    groupButton_->setText(on ? u("<< 普通") : u("群发 >>"));
    if (on) {
        setHistoryShown(false);
        if (dialogueMode()) setDialogueMode(false);
    }
    historyButton_->setEnabled(!on);
    dialogueButton_->setEnabled(!on);
    relayout();
}

void CChatDlg::setHistoryShown(bool on) {
    historyShown_ = on;
    if (on) {
        history_->fill();
    } else {
        history_->empty();
    }
    relayout();
}

void CChatDlg::setEnterSends(bool on) {
    {
        const QSignalBlocker block(enterSends_);
        (on ? enterSends_ : ctrlEnterSends_)->setChecked(true);
    }
    // Kept in memory; it is written with the contact's next save.
    if (store::Contact* contact = core_.contacts().findContact(peer_)) {
        if (on) {
            contact->options |= store::kContactEnterSends;
        } else {
            contact->options &= ~store::kContactEnterSends;
        }
    }
}

void CChatDlg::relayout() {
    const bool dialogue = dialogueMode();
    dialogueButton_->setText(dialogue ? u("普通模式(&T)") : u("对话模式(&T)"));
    conversation_->setVisible(dialogue);
    history_->setVisible(historyShown_);
    recipientPanel_->setVisible(groupMode_);
    const ChatPanes panes{
        QSize(440 + kRecipientWidth + 2, 300 + kConversationHeight + kHistoryHeight),
        kConversationHeight, kHistoryHeight, kRecipientWidth};
    setFixedSize(chatWindowSize(panes, groupMode_, historyShown_, dialogue));
}

}  // namespace zemra::client::ui
