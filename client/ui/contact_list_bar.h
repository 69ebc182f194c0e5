// The main window's contact list: groups as header bars with one open, its
// contacts as face pictures with names, scroll buttons, a keyboard jump,
// label editing, dragging a contact onto another group, and skins.
#pragma once

#include <QColor>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "client/ui/contact_bar_model.h"
#include "client/ui/skin.h"

class QLineEdit;

namespace zemra::client::ui {

struct BarItem {
    uint32_t id = 0;
    QString label;
    int picture = 0;  // presence * 85 + face
};

struct BarGroup {
    QString name;
    std::vector<BarItem> items;
};

class ContactListBar : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kScrollTickMs = 50;
    static constexpr int kClickMs = 300;

    explicit ContactListBar(QWidget* parent = nullptr);

    void setGroups(std::vector<BarGroup> groups);
    const std::vector<BarGroup>& groups() const { return groups_; }
    const BarItem* item(int row) const;
    ContactBarModel& model() { return model_; }
    const ContactBarModel& model() const { return model_; }

    void setLargeIcons(bool large);
    void setBackgroundColour(const QColor& colour);
    void setTextColour(const QColor& colour);
    // Colour an item is drawn in for now (the online flashing), or none.
    void setItemColour(std::function<std::optional<QColor>(uint32_t)> colourOf);

    // Nullopt for the built-in look.
    void setSkin(std::optional<Skin> skin);
    const std::optional<Skin>& skin() const { return skin_; }

    // Opens an editor over a group's name (kind 1) or an item's label (2).
    void editLabel(int kind, int index);

    int hotCode() const { return hot_; }
    int pressedCode() const { return pressed_; }
    int heldItem() const { return held_; }
    bool scrolling() const { return scrollTimer_.isActive(); }

  signals:
    void labelEdited(int kind, int index, const QString& text);
    void contactDropped(int row, int targetGroup);
    // Another header was clicked: `leaving` is the group being closed.
    void groupLeaving(int leaving);
    void itemClicked(int row);
    void itemDoubleClicked(int row);
    void rightClicked(int kind, int index, const QPoint& globalPos);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    void setHot(int code);
    void updateCursor();
    void onScrollTick();
    void finishEdit(bool accept);
    void paintHeader(QPainter& p, int group);
    void paintItem(QPainter& p, int row);
    void paintScrollButton(QPainter& p, int which);

    ContactBarModel model_;
    std::vector<BarGroup> groups_;
    std::optional<Skin> skin_;
    QColor background_{128, 128, 192};
    QColor text_{255, 255, 255};
    std::function<std::optional<QColor>(uint32_t)> colourOf_;
    int hot_ = kNoHit;
    int pressed_ = kNoHit;
    int held_ = -1;
    bool movedWhileHeld_ = false;
    QTimer scrollTimer_;
    QTimer clickTimer_;
    int clickRow_ = -1;
    QLineEdit* editor_ = nullptr;
    int editKind_ = 0;
    int editIndex_ = -1;
};

}  // namespace zemra::client::ui
