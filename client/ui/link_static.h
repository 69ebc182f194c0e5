// A text that opens a link when clicked, coloured by its state.
#pragma once

#include <QColor>
#include <QLabel>

namespace zemra::client::ui {

class CLinkStatic : public QLabel {
    Q_OBJECT
  public:
    enum class Underline { Never, Always, Hover };
    static inline const QColor kUnvisited{0, 0, 238};
    static inline const QColor kVisited{85, 26, 139};
    static inline const QColor kHover{255, 0, 0};

    explicit CLinkStatic(const QString& text, QWidget* parent = nullptr);

    // An empty target opens the control's own text.
    void setTarget(const QString& target) { target_ = target; }
    QString effectiveTarget() const { return target_.isEmpty() ? text() : target_; }
    void setUnderline(Underline mode);
    bool visited() const { return visited_; }
    bool hovering() const { return hover_; }
    QColor currentColour() const;

    // Opens the target; on failure beeps and says why. True on success.
    bool follow();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    void restyle();

    QString target_;
    Underline underline_ = Underline::Hover;
    bool visited_ = false;
    bool hover_ = false;
};

}  // namespace zemra::client::ui
