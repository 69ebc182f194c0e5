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

    // Replaces what is shown. A contact held by the mouse, waiting for its
    // click time or being renamed stays the same contact, wherever the new
    // order puts it.
    void setGroups(std::vector<BarGroup> groups);
    const std::vector<BarGroup>& groups() const { return groups_; }
    const BarItem* item(int row) const;
    // The row of a contact in the open group, or -1.
    int rowOf(uint32_t id) const;
    ContactBarModel& model() { return model_; }
    const ContactBarModel& model() const { return model_; }

    void setLargeIcons(bool large);
    void setBackgroundColour(const QColor& colour);
    void setTextColour(const QColor& colour);
    // Colour an item is drawn in for now (the online flashing), or none.
    void setItemColour(std::function<std::optional<QColor>(uint32_t)> colourOf);
    // Items that blink (a message waits from them): their face is left out
    // while the phase is off.
    void setItemBlinking(std::function<bool(uint32_t)> blinking);
    void setBlinkPhase(bool on);

    // Nullopt for the built-in look.
    void setSkin(std::optional<Skin> skin);
    const std::optional<Skin>& skin() const { return skin_; }

    // Opens an editor over a group's name or a contact's label.
    void editGroupName(int group);
    void editContactLabel(uint32_t id);

    int hotCode() const { return hot_; }
    int pressedCode() const { return pressed_; }
    // The row of the contact held by the mouse, or -1.
    int heldItem() const { return heldId_ ? rowOf(heldId_) : -1; }
    uint32_t heldContact() const { return heldId_; }
    bool scrolling() const { return scrollTimer_.isActive(); }

  signals:
    // Contacts are named by ID: rows change whenever presence re-sorts the list.
    void groupRenamed(int group, const QString& text);
    void contactRenamed(uint32_t id, const QString& text);
    void contactDropped(uint32_t id, int targetGroup);
    // Another header was clicked: `leaving` is the group being closed.
    void groupLeaving(int leaving);
    void itemClicked(uint32_t id);
    void itemDoubleClicked(uint32_t id);
    // `kind` is a HitKind (0 for nothing): a header with its index, or an
    // item with its contact's ID.
    void rightClicked(int kind, int group, uint32_t id, const QPoint& globalPos);

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
    std::function<bool(uint32_t)> blinking_;
    bool blinkPhase_ = true;
    void openEditor(const QRect& where, const QString& current);

    int hot_ = kNoHit;
    int pressed_ = kNoHit;
    uint32_t heldId_ = 0;
    bool movedWhileHeld_ = false;
    QTimer scrollTimer_;
    QTimer clickTimer_;
    uint32_t clickId_ = 0;
    QLineEdit* editor_ = nullptr;
    int editGroup_ = -1;   // the group being renamed, or
    uint32_t editId_ = 0;  // the contact being renamed
};

}  // namespace zemra::client::ui
