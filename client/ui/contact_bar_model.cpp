#include "client/ui/contact_bar_model.h"

#include <algorithm>

namespace zemra::client::ui {

void ContactBarModel::setGroups(std::vector<std::vector<QString>> labels) {
    std::vector<Group> groups(labels.size());
    for (std::size_t i = 0; i < labels.size(); ++i) {
        groups[i].labels = std::move(labels[i]);
        if (i < groups_.size()) groups[i].first = groups_[i].first;
        const int count = static_cast<int>(groups[i].labels.size());
        groups[i].first = std::clamp(groups[i].first, 0, std::max(0, count - 1));
    }
    groups_ = std::move(groups);
    if (open_ >= groupCount()) open_ = std::max(0, groupCount() - 1);
}

int ContactBarModel::itemCount(int group) const {
    if (group < 0 || group >= groupCount()) return 0;
    return static_cast<int>(groups_[group].labels.size());
}

void ContactBarModel::setOpenGroup(int group) {
    if (group >= 0 && group < groupCount()) open_ = group;
}

void ContactBarModel::setFirstVisibleRow(int row) {
    if (open_ >= groupCount()) return;
    groups_[open_].first = std::clamp(row, 0, std::max(0, itemCount(open_) - 1));
}

QRect ContactBarModel::headerRect(int group) const {
    const int n = groupCount();
    const int top = group <= open_ ? bounds_.top() + kHeaderHeight * group
                                   : bounds_.top() + bounds_.height() + kHeaderHeight * (group - n);
    return QRect(bounds_.left(), top, bounds_.width(), kHeaderHeight);
}

QRect ContactBarModel::itemArea() const {
    const int n = groupCount();
    const int top = bounds_.top() + kHeaderHeight * (open_ + 1);
    const int bottom = bounds_.top() + bounds_.height() - kHeaderHeight * (n - open_ - 1);
    return QRect(bounds_.left(), top, bounds_.width(), std::max(0, bottom - top));
}

int ContactBarModel::rowTop(int row) const {
    return itemArea().top() + kMargin + (row - firstVisibleRow()) * rowHeight();
}

QRect ContactBarModel::rowRect(int row) const {
    return QRect(bounds_.left(), rowTop(row), bounds_.width(), rowHeight());
}

QRect ContactBarModel::iconRect(int row) const {
    const int top = rowTop(row);
    if (large_) {
        return QRect(bounds_.left() + (bounds_.width() - kLargeIcon) / 2, top, kLargeIcon,
                     kLargeIcon);
    }
    return QRect(bounds_.left() + 2, top + (kSmallRowHeight - kSmallIcon) / 2, kSmallIcon,
                 kSmallIcon);
}

QRect ContactBarModel::labelRect(int row) const {
    const QRect r = rowRect(row);
    if (large_) return QRect(r.left(), r.top() + kLargeIcon, r.width(), r.height() - kLargeIcon);
    return QRect(r.left() + 23, r.top(), std::max(0, r.width() - 23), r.height());
}

bool ContactBarModel::canScrollUp() const {
    return firstVisibleRow() > 0;
}

bool ContactBarModel::canScrollDown() const {
    const int count = itemCount(open_);
    if (count == 0) return false;
    const QRect area = itemArea();
    // Rows remain below the visible ones when the last row does not end
    // inside the area.
    return rowTop(count - 1) + rowHeight() > area.top() + area.height();
}

std::optional<QRect> ContactBarModel::scrollButton(int which) const {
    const QRect area = itemArea();
    const int right = area.left() + area.width() - kMargin;
    if (which == kScrollUp) {
        if (!canScrollUp()) return std::nullopt;
        return QRect(right - buttonSide_, area.top() + kMargin, buttonSide_, buttonSide_);
    }
    if (!canScrollDown()) return std::nullopt;
    const int bottom = area.top() + area.height() - kMargin;
    return QRect(right - buttonSide_, bottom - buttonSide_, buttonSide_, buttonSide_);
}

int ContactBarModel::hitTest(QPoint p) const {
    const QRect area = itemArea();
    const int areaBottom = area.top() + area.height();
    const int x = p.x() - bounds_.left();
    const int y = p.y() - bounds_.top();
    if (x < 0 || x >= bounds_.width()) return kNoHit;
    if (p.y() >= area.top() && p.y() < areaBottom) {
        for (int which : {kScrollUp, kScrollDown}) {
            if (const auto button = scrollButton(which); button && button->contains(p)) {
                return hitCode(HitKind::ScrollButton, which);
            }
        }
        const int offset = p.y() - area.top();
        bool onIcon = false;
        if (large_) {
            const int iconLeft = (bounds_.width() - kLargeIcon) / 2;
            const int inRow = offset % kLargeRowHeight;
            onIcon = x >= iconLeft && x < iconLeft + kLargeIcon && inRow >= kMargin &&
                     inRow <= kMargin + kLargeIcon;
        } else {
            onIcon = x < 48;
        }
        if (!onIcon) return kNoHit;
        const int row = offset / rowHeight() + firstVisibleRow();
        return row < itemCount(open_) ? hitCode(HitKind::Item, row) : kNoHit;
    }
    if (p.y() < area.top() && y >= 0) {
        return hitCode(HitKind::Header, std::max(0, y - 1) / kHeaderHeight);
    }
    if (p.y() >= areaBottom && y < bounds_.height() - 1) {
        const int group = (p.y() - areaBottom) / kHeaderHeight + open_ + 1;
        return group < groupCount() ? hitCode(HitKind::Header, group) : kNoHit;
    }
    return kNoHit;
}

bool ContactBarModel::scrollUp() {
    if (!canScrollUp()) return false;
    groups_[open_].first -= 1;
    return true;
}

bool ContactBarModel::scrollDown() {
    if (!canScrollDown()) return false;
    groups_[open_].first += 1;
    return true;
}

void ContactBarModel::wheel(int delta) {
    const int rows = delta / 120;
    if (rows > 0) {
        for (int i = 0; i < rows && scrollUp(); ++i) {
        }
    } else {
        for (int i = 0; i < -rows && scrollDown(); ++i) {
        }
    }
}

std::optional<int> ContactBarModel::jumpTo(QChar key, int afterRow) {
    const int count = itemCount(open_);
    if (count == 0) return std::nullopt;
    const QChar wanted = key.toLower();
    for (int step = 1; step <= count; ++step) {
        const int row = ((afterRow < 0 ? -1 : afterRow) + step) % count;
        const QString& text = groups_[open_].labels[row];
        if (!text.isEmpty() && text.at(0).toLower() == wanted) {
            groups_[open_].first = row;
            return row;
        }
    }
    return std::nullopt;
}

}  // namespace zemra::client::ui
