#include "client/ui/msg_manager_views.h"

#include <QApplication>
#include <QGridLayout>
#include <QHeaderView>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <algorithm>

#include "client/ui/face_rich_edit.h"
#include "client/ui/image_lists.h"
#include "client/ui/ui_text.h"

namespace zemra::client::ui {
namespace {

constexpr int kValueRole = Qt::UserRole;
constexpr int kViewFaceSize = 32;

// One line per row: line breaks become spaces.
QString oneLine(const std::string& gbkText) {
    QString text = fromGbk(gbkText);
    text.replace("\r\n", " ").replace('\r', ' ').replace('\n', ' ');
    return text;
}

// Every row of the partner tree has the same height, whatever its font.
class FixedRowHeight : public QStyledItemDelegate {
  public:
    FixedRowHeight(int height, QObject* parent) : QStyledItemDelegate(parent), height_(height) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(height_);
        return size;
    }

  private:
    int height_;
};

}  // namespace

// --- the message view ---

CMsgView::CMsgView(QWidget* parent) : QWidget(parent) {
    const auto label = [this] {
        auto* l = new QLabel(this);
        l->setTextFormat(Qt::PlainText);
        return l;
    };
    const auto faceLabel = [this] {
        auto* l = new QLabel(this);
        l->setFixedSize(kViewFaceSize, kViewFaceSize);
        return l;
    };
    senderFace_ = faceLabel();
    recipientFace_ = faceLabel();
    senderName_ = label();
    recipientName_ = label();
    date_ = label();
    time_ = label();
    senderName_->setObjectName("sender");
    recipientName_->setObjectName("recipient");
    date_->setObjectName("date");
    time_->setObjectName("time");

    auto* form = new QGridLayout;
    form->addWidget(new QLabel(u("发送者:")), 0, 0);
    form->addWidget(senderFace_, 0, 1);
    form->addWidget(senderName_, 0, 2);
    form->addWidget(new QLabel(u("日期:")), 0, 3);
    form->addWidget(date_, 0, 4);
    form->addWidget(new QLabel(u("接收者:")), 1, 0);
    form->addWidget(recipientFace_, 1, 1);
    form->addWidget(recipientName_, 1, 2);
    form->addWidget(new QLabel(u("时间:")), 1, 3);
    form->addWidget(time_, 1, 4);
    form->setColumnStretch(2, 1);
    form->setColumnMinimumWidth(4, 80);

    text_ = new CFaceRichEdit(this);
    text_->setObjectName("text");
    text_->setReadOnly(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(form);
    layout->addWidget(text_, 1);
}

void CMsgView::showPerson(QLabel* face, QLabel* name, const QString& text,
                          std::optional<int> image) {
    name->setText(text);
    face->setPixmap(image ? imageLists().face32(*image) : QPixmap());
}

void CMsgView::showMessage(const MsgNames& names, uint32_t key, const store::ChatMessage& message) {
    const MsgOwner& me = names.owner();
    // The other side is the message's partner: for system messages the
    // sender of the notice, otherwise the partner the list belongs to.
    const uint32_t partner = key == store::kSystemMessagesKey ? message.peer : key;
    const store::CUserInfo* contact = names.contact(partner);
    const QString partnerText =
        contact ? fromGbk(contact->nickname) : QString::number(static_cast<qulonglong>(partner));
    const std::optional<int> partnerFace =
        contact ? std::optional<int>(contact->face) : std::nullopt;
    const QString ownText = fromGbk(me.nickname);
    if (message.isIncoming()) {
        showPerson(senderFace_, senderName_, partnerText, partnerFace);
        showPerson(recipientFace_, recipientName_, ownText, me.face);
    } else {
        showPerson(senderFace_, senderName_, ownText, me.face);
        showPerson(recipientFace_, recipientName_, partnerText, partnerFace);
    }
    date_->setText(fromGbk(messageDate(message.time)));
    time_->setText(fromGbk(messageTime(message.time)));

    // The displayed text; a chat message keeps its own format over the
    // view's default one, other kinds are drawn in the default.
    store::ChatMessage shown = message;
    shown.text = message.displayedText();
    const QTextCharFormat defaultFormat = text_->currentCharFormat();
    text_->clear();
    text_->setCurrentCharFormat(defaultFormat);
    text_->showMessage(shown);
}

void CMsgView::clear() {
    for (QLabel* l : {senderName_, recipientName_, date_, time_}) l->clear();
    senderFace_->clear();
    recipientFace_->clear();
    const QTextCharFormat defaultFormat = text_->currentCharFormat();
    text_->clear();
    text_->setCurrentCharFormat(defaultFormat);
}

void CMsgView::setDefaultLook(const QFont& font, const QColor& colour) {
    text_->setFont(font);
    QPalette palette = text_->palette();
    palette.setColor(QPalette::Text, colour);
    text_->setPalette(palette);
    QTextCharFormat format;
    format.setFont(font);
    format.setForeground(colour);
    text_->setCurrentCharFormat(format);
}

void CMsgView::setBackground(const QColor& colour) {
    QPalette palette = text_->palette();
    palette.setColor(QPalette::Base, colour);
    text_->setPalette(palette);
}

// --- the message list ---

CMsgListView::CMsgListView(store::RecordStore& store, MsgNamesSource names, CMsgView& view,
                           QWidget* parent)
    : QTreeWidget(parent), store_(store), names_(std::move(names)), view_(view) {
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setHeaderLabels({u("发送者"), u("日期"), u("时间"), u("内容")});
    int column = 0;
    for (int width : {100, 90, 80, 300}) header()->resizeSection(column++, width);
    connect(this, &QTreeWidget::currentItemChanged, this, &CMsgListView::showCurrent);
}

void CMsgListView::empty() {
    clear();
    shown_.clear();
    view_.clear();
}

void CMsgListView::fill(uint32_t key) {
    empty();
    key_ = key;
    if (!isPartnerValue(key)) return;
    // A partner whose records cannot be read shows an empty list.
    store_.LoadMessages(key, shown_);
    const MsgNames names = names_();
    QList<QTreeWidgetItem*> items;
    for (const store::ChatMessage& message : shown_) {
        const MsgRow row = msgRow(names, key, message);
        items.append(new QTreeWidgetItem(
            {fromGbk(row.sender), fromGbk(row.date), fromGbk(row.time), oneLine(row.text)}));
    }
    addTopLevelItems(items);
    if (!items.isEmpty()) setCurrentItem(items.front());
}

std::vector<std::size_t> CMsgListView::selectedRows() const {
    std::vector<std::size_t> rows;
    for (QTreeWidgetItem* item : selectedItems()) {
        const int row = indexOfTopLevelItem(item);
        if (row >= 0 && static_cast<std::size_t>(row) < shown_.size()) rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<store::ChatMessage> CMsgListView::selectedMessages() const {
    std::vector<store::ChatMessage> messages;
    for (std::size_t row : selectedRows()) messages.push_back(shown_[row]);
    return messages;
}

void CMsgListView::removeRows(const std::vector<std::size_t>& rows) {
    std::vector<std::size_t> sorted = rows;
    std::sort(sorted.rbegin(), sorted.rend());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    for (std::size_t row : sorted) {
        if (row >= shown_.size()) continue;
        shown_.erase(shown_.begin() + static_cast<std::ptrdiff_t>(row));
        delete takeTopLevelItem(static_cast<int>(row));
    }
    if (!currentItem()) view_.clear();
}

void CMsgListView::showCurrent() {
    const int row = indexOfTopLevelItem(currentItem());
    if (row < 0 || static_cast<std::size_t>(row) >= shown_.size()) {
        view_.clear();
        return;
    }
    view_.showMessage(names_(), key_, shown_[static_cast<std::size_t>(row)]);
}

// --- the partner tree ---

CMsgTreeView::CMsgTreeView(CMsgListView& list, QWidget* parent) : QTreeWidget(parent), list_(list) {
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    setItemDelegate(new FixedRowHeight(kRowHeight, this));
    connect(this, &QTreeWidget::itemSelectionChanged, this, [this] {
        const std::optional<uint32_t> value = selectedValue();
        if (value) {
            list_.fill(*value);
        } else {
            list_.empty();
        }
    });
}

QIcon CMsgTreeView::iconOf(int image) const {
    if (image == kSystemMessagesImage) return QIcon(art("art/icons/sysmsg.png"));
    if (image == kGroupImage) return QApplication::style()->standardIcon(QStyle::SP_DirIcon);
    return QIcon(imageLists().face16(image));
}

void CMsgTreeView::addItems(QTreeWidgetItem* parent, const MsgTreeNode& node) {
    auto* item = new QTreeWidgetItem(parent, {fromGbk(node.text)});
    QIcon icon = iconOf(node.image);
    if (node.selectedImage != node.image) {
        icon.addPixmap(iconOf(node.selectedImage).pixmap(16, 16), QIcon::Selected);
    }
    item->setIcon(0, icon);
    item->setData(0, kValueRole, QVariant::fromValue(node.value));
    for (const MsgTreeNode& child : node.children) addItems(item, child);
}

void CMsgTreeView::setPartners(MsgTreeNode root) {
    const QSignalBlocker quiet(this);
    clear();
    root_ = std::move(root);
    auto* top = new QTreeWidgetItem(this, {fromGbk(root_.text)});
    QIcon icon = iconOf(root_.image);
    icon.addPixmap(iconOf(root_.selectedImage).pixmap(16, 16), QIcon::Selected);
    top->setIcon(0, icon);
    top->setData(0, kValueRole, QVariant::fromValue(root_.value));
    for (const MsgTreeNode& child : root_.children) addItems(top, child);
    list_.empty();
}

QTreeWidgetItem* CMsgTreeView::itemOfValue(uint32_t value) const {
    const std::optional<std::vector<std::size_t>> path = pathToValue(root_, value);
    if (!path) return nullptr;
    QTreeWidgetItem* item = topLevelItem(0);
    for (std::size_t index : *path) {
        if (!item) return nullptr;
        item = item->child(static_cast<int>(index));
    }
    return item;
}

bool CMsgTreeView::selectValue(uint32_t value) {
    QTreeWidgetItem* item = itemOfValue(value);
    if (!item) return false;
    for (QTreeWidgetItem* up = item->parent(); up; up = up->parent()) up->setExpanded(true);
    setCurrentItem(item);
    item->setSelected(true);
    scrollToItem(item);
    return true;
}

const MsgTreeNode* CMsgTreeView::selectedNode() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.isEmpty()) return nullptr;
    std::vector<std::size_t> path;
    for (QTreeWidgetItem* item = selected.front(); item->parent(); item = item->parent()) {
        path.insert(path.begin(), static_cast<std::size_t>(item->parent()->indexOfChild(item)));
    }
    return nodeAt(root_, path);
}

std::optional<uint32_t> CMsgTreeView::selectedValue() const {
    const MsgTreeNode* node = selectedNode();
    return node ? std::optional<uint32_t>(node->value) : std::nullopt;
}

}  // namespace zemra::client::ui
