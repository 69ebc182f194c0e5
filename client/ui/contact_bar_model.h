// The contact list bar's geometry, hit testing, scrolling and keyboard jump:
// groups stacked as 22-pixel header bars with exactly one open, its rows
// between them. Plain state; the widget paints and routes events through it.
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <optional>
#include <vector>

namespace zemra::client::ui {

// What a point hits: kind * 65536 + index, -1 for nothing.
enum class HitKind : int { Header = 1, Item = 2, ScrollButton = 3 };
constexpr int hitCode(HitKind kind, int index) {
    return static_cast<int>(kind) * 65536 + index;
}
constexpr int hitKind(int code) {
    return code < 0 ? 0 : code / 65536;
}
constexpr int hitIndex(int code) {
    return code < 0 ? -1 : code % 65536;
}
inline constexpr int kNoHit = -1;
inline constexpr int kScrollUp = 0;
inline constexpr int kScrollDown = 1;

class ContactBarModel {
  public:
    static constexpr int kHeaderHeight = 22;
    static constexpr int kLargeRowHeight = 48;
    static constexpr int kSmallRowHeight = 22;
    static constexpr int kLargeIcon = 32;
    static constexpr int kSmallIcon = 16;
    static constexpr int kMargin = 5;

    // The client rectangle; `right`/`bottom` are one past the last pixel.
    void setBounds(const QRect& rect) { bounds_ = rect; }
    const QRect& bounds() const { return bounds_; }
    // Side of the square scroll buttons (the platform's scroll bar width).
    void setScrollButtonSide(int side) { buttonSide_ = side; }

    // Replaces the groups: each one's item labels in order. The open group
    // and the first visible rows are kept where they still fit.
    void setGroups(std::vector<std::vector<QString>> labels);
    int groupCount() const { return static_cast<int>(groups_.size()); }
    int itemCount(int group) const;
    const QString& label(int group, int row) const { return groups_[group].labels[row]; }

    int openGroup() const { return open_; }
    void setOpenGroup(int group);
    int firstVisibleRow() const { return open_ < groupCount() ? groups_[open_].first : 0; }
    void setFirstVisibleRow(int row);

    bool largeIcons() const { return large_; }
    void setLargeIcons(bool large) { large_ = large; }
    int rowHeight() const { return large_ ? kLargeRowHeight : kSmallRowHeight; }

    // --- geometry ---
    QRect headerRect(int group) const;
    QRect itemArea() const;
    int rowTop(int row) const;
    QRect rowRect(int row) const;
    QRect iconRect(int row) const;
    QRect labelRect(int row) const;
    bool canScrollUp() const;
    bool canScrollDown() const;
    std::optional<QRect> scrollButton(int which) const;

    int hitTest(QPoint point) const;

    // --- scrolling ---
    // One row up or down; false when that direction is at its end.
    bool scrollUp();
    bool scrollDown();
    // A wheel turn: delta / 120 rows, up for a positive count, down otherwise.
    void wheel(int delta);

    // The next row of the open group after `afterRow` (wrapping) whose label
    // starts with `key`, letters without case; it becomes the first visible
    // row. Nullopt, and nothing changes, when no label matches.
    std::optional<int> jumpTo(QChar key, int afterRow);

  private:
    struct Group {
        std::vector<QString> labels;
        int first = 0;
    };
    QRect bounds_;
    int buttonSide_ = 16;
    std::vector<Group> groups_;
    int open_ = 0;
    bool large_ = true;
};

}  // namespace zemra::client::ui
