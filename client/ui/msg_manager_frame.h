// "消息管理器": the partners of the user's msg.db in a tree, the selected
// partner's messages in a list, the selected message in a view; deleting,
// exporting, backing up, importing and finding messages. One window at a
// time; the panes' colours and font are kept in "message.cfg".
#pragma once

#include <QColor>
#include <QFont>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

#include "client/ui/msg_manager_look.h"
#include "client/ui/msg_manager_rules.h"

class QAction;
class QMenu;

namespace zemra::client {
class ClientCore;
}

namespace zemra::client::ui {

class CMsgFindDlg;
class CMsgListView;
class CMsgTreeView;
class CMsgView;

struct MsgFileRequest {
    bool save = true;     // a save dialog, else an open dialog
    QString defaultName;  // proposed file name, may be empty
    QString suffix;       // added when the name has none
    QString filter;
};

struct MsgFontChoice {
    QFont font;
    QColor colour;
};

// Everything that asks the user something; tests replace these so that no
// dialog ever waits.
struct MsgManagerPrompts {
    std::function<bool(const QString& question)> ask;  // yes / no
    std::function<void(const QString& text)> tell;
    // The chosen file, or empty when cancelled.
    std::function<QString(const MsgFileRequest& request)> chooseFile;
    std::function<std::optional<QColor>(const QColor& initial)> chooseColour;
    std::function<std::optional<MsgFontChoice>(const MsgFontChoice& initial)> chooseFont;
};

class CMsgManagerFrame : public QMainWindow {
    Q_OBJECT
  public:
    static constexpr int kTreeWidth = 200;
    static constexpr int kListHeight = 400;

    // Opens the window, at `partner` when given. While one is open it is
    // brought forward instead, at `partner` when given.
    static CMsgManagerFrame* open(ClientCore& core, std::optional<uint32_t> partner,
                                  QWidget* parent);
    ~CMsgManagerFrame() override;

    MsgManagerPrompts& prompts() { return prompts_; }
    CMsgTreeView* tree() const { return tree_; }
    CMsgListView* list() const { return list_; }
    CMsgView* view() const { return view_; }
    const MsgManagerLook& look() const { return look_; }

    // The pane the commands act on: the one that last had the focus.
    MsgPane activePane() const { return activePane_; }
    void setActivePane(MsgPane pane);
    // Selects the partner's item and opens its ancestors; without one (or
    // when he is not in the tree) the root is opened.
    void selectPartner(std::optional<uint32_t> partner);

    // --- commands ---
    void deleteSelected();
    void exportText();
    void exportBackup();
    void backupAll();
    void importBackup();
    void exportUsers();
    CMsgFindDlg* find();
    void chooseTextColour();
    void chooseBackColour();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    CMsgManagerFrame(ClientCore& core, QWidget* parent);

    MsgNames names() const;
    MsgTreeNode partnerTree() const;
    void buildTree();
    void createCommands();
    QAction* command(const char* name, const QString& caption, void (CMsgManagerFrame::*run)());
    void showPaneMenu(MsgPane pane, const QPoint& at);
    void updateCommands();
    void applyLook();
    void saveLook();
    // Asks for the file of an export; empty when cancelled or refused.
    QString exportFile(const QString& defaultName, const QString& suffix, const QString& filter);
    void writeText(const QString& file, const std::string& text);

    ClientCore& core_;
    MsgManagerPrompts prompts_;
    MsgManagerLook look_;
    MsgPane activePane_ = MsgPane::Tree;
    bool closing_ = false;
    bool lookSaved_ = false;

    CMsgTreeView* tree_ = nullptr;
    CMsgListView* list_ = nullptr;
    CMsgView* view_ = nullptr;
    QMenu* paneMenu_ = nullptr;
    QAction* delete_ = nullptr;
    QAction* exportBackup_ = nullptr;
    QAction* exportUsers_ = nullptr;
    QPointer<CMsgFindDlg> findDlg_;
    QMetaObject::Connection focusWatch_;

    static QPointer<CMsgManagerFrame> open_;
};

}  // namespace zemra::client::ui
