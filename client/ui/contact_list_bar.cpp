#include "client/ui/contact_list_bar.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QWheelEvent>
#include <utility>

#include "client/ui/image_lists.h"

namespace zemra::client::ui {

ContactListBar::ContactListBar(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    model_.setScrollButtonSide(style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    scrollTimer_.setInterval(kScrollTickMs);
    connect(&scrollTimer_, &QTimer::timeout, this, &ContactListBar::onScrollTick);
    clickTimer_.setSingleShot(true);
    clickTimer_.setInterval(kClickMs);
    connect(&clickTimer_, &QTimer::timeout, this, [this] {
        const uint32_t id = std::exchange(clickId_, 0);
        if (id != 0) emit itemClicked(id);
    });
}

void ContactListBar::setGroups(std::vector<BarGroup> groups) {
    groups_ = std::move(groups);
    std::vector<std::vector<QString>> labels;
    for (const BarGroup& g : groups_) {
        std::vector<QString> names;
        for (const BarItem& item : g.items) names.push_back(item.label);
        labels.push_back(std::move(names));
    }
    model_.setGroups(std::move(labels));
    // A row code means another contact now: only the held contact is kept.
    if (hitKind(hot_) == static_cast<int>(HitKind::Item)) hot_ = kNoHit;
    if (hitKind(pressed_) == static_cast<int>(HitKind::Item)) {
        const int row = rowOf(heldId_);
        pressed_ = row >= 0 ? hitCode(HitKind::Item, row) : kNoHit;
    }
    // A contact that went away cannot be dropped, clicked or renamed.
    if (heldId_ && rowOf(heldId_) < 0) heldId_ = 0;
    if (clickId_ && rowOf(clickId_) < 0) clickId_ = 0;
    if (editor_ && editId_ && rowOf(editId_) < 0) finishEdit(false);
    update();
}

int ContactListBar::rowOf(uint32_t id) const {
    const int open = model_.openGroup();
    if (id == 0 || open < 0 || open >= static_cast<int>(groups_.size())) return -1;
    const auto& items = groups_[open].items;
    for (std::size_t row = 0; row < items.size(); ++row) {
        if (items[row].id == id) return static_cast<int>(row);
    }
    return -1;
}

const BarItem* ContactListBar::item(int row) const {
    const int open = model_.openGroup();
    if (open < 0 || open >= static_cast<int>(groups_.size())) return nullptr;
    const auto& items = groups_[open].items;
    return row >= 0 && row < static_cast<int>(items.size()) ? &items[row] : nullptr;
}

void ContactListBar::setLargeIcons(bool large) {
    model_.setLargeIcons(large);
    update();
}

void ContactListBar::setBackgroundColour(const QColor& colour) {
    background_ = colour;
    update();
}

void ContactListBar::setTextColour(const QColor& colour) {
    text_ = colour;
    update();
}

void ContactListBar::setItemColour(std::function<std::optional<QColor>(uint32_t)> colourOf) {
    colourOf_ = std::move(colourOf);
}

void ContactListBar::setItemBlinking(std::function<bool(uint32_t)> blinking) {
    blinking_ = std::move(blinking);
}

void ContactListBar::setBlinkPhase(bool on) {
    if (blinkPhase_ == on) return;
    blinkPhase_ = on;
    update();
}

void ContactListBar::setSkin(std::optional<Skin> skin) {
    skin_ = std::move(skin);
    update();
}

void ContactListBar::resizeEvent(QResizeEvent*) {
    model_.setBounds(rect());
}

// --- painting ---

void ContactListBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    model_.setBounds(rect());
    const QRect area = model_.itemArea();
    if (skin_) {
        p.drawTiledPixmap(rect(), QPixmap::fromImage(skin_->image(Skin::Back)));
    } else {
        p.fillRect(rect(), background_);
    }
    p.save();
    p.setClipRect(area);
    for (int row = model_.firstVisibleRow(); row < model_.itemCount(model_.openGroup()); ++row) {
        if (model_.rowTop(row) >= area.bottom()) break;
        paintItem(p, row);
    }
    for (int which : {kScrollUp, kScrollDown}) paintScrollButton(p, which);
    p.restore();
    for (int g = 0; g < model_.groupCount(); ++g) paintHeader(p, g);
}

void ContactListBar::paintHeader(QPainter& p, int group) {
    const QRect r = model_.headerRect(group);
    const int code = hitCode(HitKind::Header, group);
    const bool pressed = pressed_ == code;
    const bool hot = hot_ == code;
    if (skin_) {
        const QImage& bmp = skin_->image(hot && !pressed ? Skin::FolderLight : Skin::Folder);
        const int side = std::min(40, bmp.width() / 2);
        const int middle = std::max(1, bmp.width() - 2 * side);
        p.drawImage(QRect(r.left(), r.top(), side, r.height()), bmp,
                    QRect(0, 0, side, bmp.height()));
        p.drawImage(QRect(r.right() - side + 1, r.top(), side, r.height()), bmp,
                    QRect(bmp.width() - side, 0, side, bmp.height()));
        for (int x = r.left() + side; x < r.right() - side + 1; x += middle) {
            const int w = std::min(middle, r.right() - side + 1 - x);
            p.drawImage(QRect(x, r.top(), w, r.height()), bmp, QRect(side, 0, w, bmp.height()));
        }
        p.setPen(palette().color(QPalette::WindowText));
    } else {
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        const QColor face = palette().color(QPalette::Button);
        g.setColorAt(0, hot ? face.lighter(112) : face.lighter(104));
        g.setColorAt(1, hot ? face : face.darker(106));
        p.fillRect(r, g);
        const QColor light = palette().color(QPalette::Light);
        const QColor dark = palette().color(QPalette::Shadow);
        p.setPen(pressed ? dark : light);
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(pressed ? light : dark);
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
        if (hot && !pressed) {
            p.setPen(palette().color(QPalette::Highlight));
            p.drawRect(r.adjusted(1, 1, -2, -2));
        }
        p.setPen(palette().color(QPalette::ButtonText));
    }
    const QRect textRect = pressed ? r.translated(1, 1) : r;
    p.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine,
               group < static_cast<int>(groups_.size()) ? groups_[group].name : QString());
}

void ContactListBar::paintItem(QPainter& p, int row) {
    const BarItem* it = item(row);
    if (!it) return;
    const int code = hitCode(HitKind::Item, row);
    const bool pressed = pressed_ == code || (heldId_ != 0 && heldId_ == it->id);
    const bool hot = hot_ == code;
    const QRect icon = model_.iconRect(row);
    const ImageLists& lists = imageLists();
    const QPixmap face =
        model_.largeIcons() ? lists.face32(it->picture) : lists.face16(it->picture);
    if (hot || pressed) {
        // A raised (or sunk) tile behind the picture.
        const QRect tile = icon.adjusted(-2, -2, 2, 2);
        p.setPen(pressed ? QColor(60, 60, 90) : QColor(255, 255, 255));
        p.setBrush(QColor(255, 255, 255, pressed ? 40 : 70));
        p.drawRoundedRect(tile, 3, 3);
    }
    if (blinkPhase_ || !blinking_ || !blinking_(it->id)) {
        p.drawPixmap(icon.topLeft() + (pressed ? QPoint(1, 1) : QPoint()), face);
    }
    QColor colour = skin_ ? palette().color(QPalette::WindowText) : text_;
    if (colourOf_) {
        if (const auto flash = colourOf_(it->id)) colour = *flash;
    }
    p.setPen(colour);
    const QRect label = model_.labelRect(row);
    const int align = model_.largeIcons() ? (Qt::AlignHCenter | Qt::AlignTop)
                                          : (Qt::AlignLeft | Qt::AlignVCenter);
    p.drawText(label, align | Qt::TextSingleLine,
               fontMetrics().elidedText(it->label, Qt::ElideRight, label.width() - 4));
}

void ContactListBar::paintScrollButton(QPainter& p, int which) {
    const auto r = model_.scrollButton(which);
    if (!r) return;
    const bool pressed = pressed_ == hitCode(HitKind::ScrollButton, which);
    if (skin_) {
        const Skin::Part part = which == kScrollUp
                                    ? (pressed ? Skin::ScrollUpPressed : Skin::ScrollUp)
                                    : (pressed ? Skin::ScrollDownPressed : Skin::ScrollDown);
        p.drawImage(r->topLeft(), skin_->image(part));
        return;
    }
    QStyleOption option;
    option.initFrom(this);
    option.rect = *r;
    option.state |= pressed ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonTool, &option, &p, this);
    style()->drawPrimitive(
        which == kScrollUp ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown, &option,
        &p, this);
}

// --- mouse and keys ---

void ContactListBar::setHot(int code) {
    if (code == hot_) return;
    hot_ = code;
    updateCursor();
    update();
}

void ContactListBar::updateCursor() {
    const bool header = hitKind(hot_) == static_cast<int>(HitKind::Header);
    if (heldId_ == 0) {
        if (header) {
            setCursor(Qt::PointingHandCursor);
        } else {
            unsetCursor();
        }
        return;
    }
    const bool target = header && hitIndex(hot_) != model_.openGroup();
    setCursor(target ? Qt::DragMoveCursor : Qt::ClosedHandCursor);
}

void ContactListBar::mousePressEvent(QMouseEvent* event) {
    if (editor_) finishEdit(true);
    setFocus();
    const int code = model_.hitTest(event->position().toPoint());
    if (event->button() == Qt::RightButton) {
        setHot(code);
        const BarItem* it =
            hitKind(code) == static_cast<int>(HitKind::Item) ? item(hitIndex(code)) : nullptr;
        const int group = hitKind(code) == static_cast<int>(HitKind::Header) ? hitIndex(code) : -1;
        emit rightClicked(it || group >= 0 ? hitKind(code) : 0, group, it ? it->id : 0,
                          event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    pressed_ = code;
    movedWhileHeld_ = false;
    switch (static_cast<HitKind>(hitKind(code))) {
        case HitKind::Item:
            if (const BarItem* it = item(hitIndex(code))) heldId_ = it->id;
            break;
        case HitKind::ScrollButton:
            scrollTimer_.start();
            break;
        default:
            break;
    }
    updateCursor();
    update();
}

void ContactListBar::mouseMoveEvent(QMouseEvent* event) {
    const int code = model_.hitTest(event->position().toPoint());
    if (heldId_ && code != hitCode(HitKind::Item, rowOf(heldId_))) movedWhileHeld_ = true;
    setHot(code);
}

void ContactListBar::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int code = model_.hitTest(event->position().toPoint());
    const int pressed = pressed_;
    const uint32_t held = std::exchange(heldId_, 0);
    scrollTimer_.stop();
    pressed_ = kNoHit;
    updateCursor();
    update();
    const int kind = hitKind(code);
    if (held != 0) {
        if (kind == static_cast<int>(HitKind::Header) && hitIndex(code) != model_.openGroup()) {
            emit contactDropped(held, hitIndex(code));
            return;
        }
        if (code == pressed && !movedWhileHeld_) {
            if (clickTimer_.isActive() && clickId_ == held) {
                clickTimer_.stop();
                clickId_ = 0;
                emit itemDoubleClicked(held);
            } else {
                clickId_ = held;
                clickTimer_.start();
            }
        }
        return;
    }
    if (kind == static_cast<int>(HitKind::Header) && code == pressed &&
        hitIndex(code) != model_.openGroup()) {
        emit groupLeaving(model_.openGroup());
        model_.setOpenGroup(hitIndex(code));
        hot_ = model_.hitTest(event->position().toPoint());
        update();
    }
}

void ContactListBar::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click counts as a press; the release
    // completes the double click through the click timer.
    mousePressEvent(event);
}

void ContactListBar::onScrollTick() {
    const bool down = hitIndex(pressed_) == kScrollDown;
    const bool moved = down ? model_.scrollDown() : model_.scrollUp();
    if (!moved || !(down ? model_.canScrollDown() : model_.canScrollUp())) {
        scrollTimer_.stop();
        hot_ = kNoHit;
        pressed_ = kNoHit;
    }
    update();
}

void ContactListBar::wheelEvent(QWheelEvent* event) {
    model_.wheel(event->angleDelta().y());
    update();
}

void ContactListBar::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    if (text.isEmpty() || !text.at(0).isPrint()) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int after = hitKind(hot_) == static_cast<int>(HitKind::Item) ? hitIndex(hot_) : -1;
    if (const auto row = model_.jumpTo(text.at(0), after)) {
        hot_ = hitCode(HitKind::Item, *row);
        update();
    }
}

void ContactListBar::leaveEvent(QEvent*) {
    if (heldId_ == 0 && !scrollTimer_.isActive()) setHot(kNoHit);
}

// --- label editing ---

void ContactListBar::editGroupName(int group) {
    if (editor_) finishEdit(false);
    if (group < 0 || group >= model_.groupCount()) return;
    editGroup_ = group;
    editId_ = 0;
    openEditor(model_.headerRect(group), groups_[group].name);
}

void ContactListBar::editContactLabel(uint32_t id) {
    if (editor_) finishEdit(false);
    const int row = rowOf(id);
    if (row < 0) return;
    editGroup_ = -1;
    editId_ = id;
    QRect r = model_.labelRect(row);
    r.setHeight(std::max(r.height(), 20));
    openEditor(r, item(row)->label);
}

void ContactListBar::openEditor(const QRect& where, const QString& current) {
    editor_ = new QLineEdit(current, this);
    editor_->setGeometry(where.adjusted(2, 0, -2, 0));
    editor_->selectAll();
    editor_->show();
    editor_->setFocus();
    connect(editor_, &QLineEdit::returnPressed, this, [this] { finishEdit(true); });
    connect(editor_, &QLineEdit::editingFinished, this, [this] { finishEdit(true); });
}

void ContactListBar::finishEdit(bool accept) {
    if (!editor_) return;
    QLineEdit* editor = editor_;
    editor_ = nullptr;
    const QString text = editor->text().trimmed();
    editor->hide();
    editor->deleteLater();
    if (!accept || text.isEmpty()) return;
    if (editId_ != 0) {
        emit contactRenamed(editId_, text);
    } else if (editGroup_ >= 0) {
        emit groupRenamed(editGroup_, text);
    }
}

}  // namespace zemra::client::ui
