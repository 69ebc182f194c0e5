#include "client/ui/msg_manager_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <filesystem>

#include "client/app/client_core.h"
#include "client/store/record_store.h"
#include "client/ui/face_rich_edit.h"
#include "client/ui/image_lists.h"
#include "client/ui/msg_manager_export.h"
#include "client/ui/msg_manager_find_dlg.h"
#include "client/ui/msg_manager_views.h"
#include "client/ui/ui_text.h"

namespace zemra::client::ui {
namespace {

const char* const kCaption = "zemra";
const char* const kTextFilter = "ZEMRA消息文本文件 (*.txt)";
const char* const kBackupFilter = "ZEMRA消息备份文件 (*.bak)";

std::filesystem::path pathOf(const QString& file) {
    return std::filesystem::path(file.toStdString());
}

void setColours(QWidget& pane, const QColor& text, const QColor& back) {
    QPalette palette = pane.palette();
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Base, back);
    pane.setPalette(palette);
}

MsgManagerPrompts dialogPrompts(QWidget* owner) {
    MsgManagerPrompts p;
    p.ask = [owner](const QString& question) {
        return QMessageBox::question(owner, kCaption, question,
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };
    p.tell = [owner](const QString& text) { QMessageBox::information(owner, kCaption, text); };
    p.chooseFile = [owner](const MsgFileRequest& request) {
        QFileDialog dialog(owner);
        dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setNameFilter(request.filter);
        dialog.setDefaultSuffix(request.suffix);
        if (!request.defaultName.isEmpty()) dialog.selectFile(request.defaultName);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    };
    p.chooseColour = [owner](const QColor& initial) -> std::optional<QColor> {
        const QColor chosen = QColorDialog::getColor(initial, owner);
        return chosen.isValid() ? std::optional<QColor>(chosen) : std::nullopt;
    };
    p.chooseFont = [owner](const MsgFontChoice& initial) -> std::optional<MsgFontChoice> {
        bool chosen = false;
        const QFont font = QFontDialog::getFont(&chosen, initial.font, owner);
        if (!chosen) return std::nullopt;
        const QColor colour = QColorDialog::getColor(initial.colour, owner);
        return MsgFontChoice{font, colour.isValid() ? colour : initial.colour};
    };
    return p;
}

}  // namespace

QPointer<CMsgManagerFrame> CMsgManagerFrame::open_;

CMsgManagerFrame* CMsgManagerFrame::open(ClientCore& core, std::optional<uint32_t> partner,
                                         QWidget* parent) {
    if (open_ && !open_->closing_ && &open_->core_ == &core) {
        open_->setWindowState(open_->windowState() & ~Qt::WindowMinimized);
        open_->show();
        open_->raise();
        open_->activateWindow();
        if (partner) open_->selectPartner(partner);
        return open_;
    }
    if (open_ && !open_->closing_) open_->close();  // another user's window
    auto* frame = new CMsgManagerFrame(core, parent);
    open_ = frame;
    frame->selectPartner(partner);
    frame->show();
    frame->tree_->setFocus();
    return frame;
}

CMsgManagerFrame::CMsgManagerFrame(ClientCore& core, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowStaysOnTopHint), core_(core) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(u("消息管理器"));
    setWindowIcon(QIcon(art("art/icons/msgmgr.png")));
    prompts_ = dialogPrompts(this);

    view_ = new CMsgView;
    view_->setObjectName("view");
    list_ = new CMsgListView(
        core_.recordStore(), [this] { return names(); }, *view_);
    list_->setObjectName("messages");
    tree_ = new CMsgTreeView(*list_);
    tree_->setObjectName("partners");

    auto* right = new QSplitter(Qt::Vertical);
    right->addWidget(list_);
    right->addWidget(view_);
    right->setSizes({kListHeight, 200});
    auto* split = new QSplitter(Qt::Horizontal);
    split->addWidget(tree_);
    split->addWidget(right);
    split->setStretchFactor(1, 1);
    split->setSizes({kTreeWidth, 560});
    setCentralWidget(split);

    createCommands();
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        for (QWidget* w = now; w; w = w->parentWidget()) {
            if (w == tree_) return setActivePane(MsgPane::Tree);
            if (w == list_) return setActivePane(MsgPane::List);
            if (w == view_) return setActivePane(MsgPane::View);
        }
    });
    connect(tree_, &QTreeWidget::itemSelectionChanged, this, &CMsgManagerFrame::updateCommands);
    connect(list_, &QTreeWidget::itemSelectionChanged, this, &CMsgManagerFrame::updateCommands);
    for (auto [pane, widget] : {std::pair{MsgPane::Tree, static_cast<QWidget*>(tree_)},
                                std::pair{MsgPane::List, static_cast<QWidget*>(list_)}}) {
        widget->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(widget, &QWidget::customContextMenuRequested, this,
                [this, pane = pane, widget = widget](const QPoint& at) {
                    showPaneMenu(pane, widget->mapToGlobal(at));
                });
    }

    look_ = loadMsgManagerLook(core_.recordStore().userDir());
    applyLook();
    buildTree();
    resize(kTreeWidth + 600, kListHeight + 260);
}

CMsgManagerFrame::~CMsgManagerFrame() {
    saveLook();
    // The panes go after this body: nothing they signal while going may
    // reach this half-destroyed window.
    disconnect(focusWatch_);
    tree_->blockSignals(true);
    list_->blockSignals(true);
}

void CMsgManagerFrame::closeEvent(QCloseEvent* event) {
    closing_ = true;
    saveLook();
    event->accept();
}

void CMsgManagerFrame::saveLook() {
    if (lookSaved_) return;
    lookSaved_ = true;
    saveMsgManagerLook(core_.recordStore().userDir(), look_);
}

MsgNames CMsgManagerFrame::names() const {
    const store::CMyInfo& me = core_.me();
    const ClientCore* core = &core_;
    return MsgNames({core_.ownId(), me.nickname, me.face},
                    [core](uint32_t id) -> const store::CUserInfo* {
                        return core->contacts().findContact(id);
                    });
}

MsgTreeNode CMsgManagerFrame::partnerTree() const {
    std::vector<MsgTreeGroup> groups;
    for (const ContactGroup& group : core_.contacts().groups()) {
        MsgTreeGroup& item = groups.emplace_back();
        item.name = group.name;
        for (const store::Contact* member : group.members) item.members.push_back(member->id);
    }
    std::vector<uint32_t> partners;
    core_.recordStore().ListPartners(partners);
    return buildPartnerTree(names(), groups, std::move(partners));
}

void CMsgManagerFrame::buildTree() {
    tree_->setPartners(partnerTree());
    updateCommands();
}

QAction* CMsgManagerFrame::command(const char* name, const QString& caption,
                                   void (CMsgManagerFrame::*run)()) {
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, run);
    return action;
}

void CMsgManagerFrame::createCommands() {
    delete_ = command("delete", u("删除信息(&D)"), &CMsgManagerFrame::deleteSelected);
    QAction* exportText =
        command("exportText", u("导出聊天记录为文本文件(&C)..."), &CMsgManagerFrame::exportText);
    exportBackup_ = command("exportBackup", u("导出聊天记录为备份文件(&K)..."),
                            &CMsgManagerFrame::exportBackup);
    exportUsers_ = command("exportUsers", u("导出用户信息(&I)..."), &CMsgManagerFrame::exportUsers);
    QAction* import = command("import", u("导入(&I)..."), &CMsgManagerFrame::importBackup);
    QAction* backupAll = command("backupAll", u("备份(&B)..."), &CMsgManagerFrame::backupAll);
    auto* find = new QAction(u("查找信息(&F)"), this);
    find->setObjectName("find");
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    connect(find, &QAction::triggered, this, [this] { this->find(); });
    QAction* textColour =
        command("textColour", u("选择字体颜色(&F)..."), &CMsgManagerFrame::chooseTextColour);
    QAction* backColour =
        command("backColour", u("选择背景颜色(&B)..."), &CMsgManagerFrame::chooseBackColour);
    auto* exit = new QAction(u("退出(&E)"), this);
    exit->setObjectName("exit");
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* file = menuBar()->addMenu(u("文件(&F)"));
    file->addActions({exportText, exportBackup_, exportUsers_});
    file->addSeparator();
    file->addActions({import, backupAll});
    file->addSeparator();
    file->addAction(exit);
    QMenu* edit = menuBar()->addMenu(u("编辑(&E)"));
    edit->addActions({delete_, find});
    edit->addSeparator();
    edit->addActions({textColour, backColour});

    paneMenu_ = new QMenu(this);
    paneMenu_->setObjectName("msgmgr");
    paneMenu_->addActions({delete_, exportText, exportBackup_, exportUsers_});
    paneMenu_->addSeparator();
    paneMenu_->addActions({import, backupAll, find});

    auto* bar = addToolBar(u("消息管理器"));
    bar->setObjectName("commands");
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (QAction* a : {delete_, exportText, exportBackup_, backupAll, import, exportUsers_, find}) {
        // The bar shows the captions without their menu mnemonic and dots.
        a->setIconText(a->text().remove(QRegularExpression(R"(\(&.\)|\.\.\.)")));
        bar->addAction(a);
        // The buttons carry their command's name too, for tests that click.
        bar->widgetForAction(a)->setObjectName(a->objectName());
    }
}

void CMsgManagerFrame::showPaneMenu(MsgPane pane, const QPoint& at) {
    setActivePane(pane);
    paneMenu_->popup(at);
}

void CMsgManagerFrame::setActivePane(MsgPane pane) {
    activePane_ = pane;
    updateCommands();
}

void CMsgManagerFrame::updateCommands() {
    const MsgCommands open =
        enabledCommands(activePane_, list_->selectedRows().size(), tree_->selectedValue());
    delete_->setEnabled(open.remove);
    exportBackup_->setEnabled(open.exportBackup);
    exportUsers_->setEnabled(open.exportUsers);
}

void CMsgManagerFrame::selectPartner(std::optional<uint32_t> partner) {
    if (partner && tree_->selectValue(*partner)) return;
    if (QTreeWidgetItem* root = tree_->topLevelItem(0)) root->setExpanded(true);
}

void CMsgManagerFrame::applyLook() {
    setColours(*tree_, look_.treeText, look_.treeBack);
    setColours(*list_, look_.listText, look_.listBack);
    view_->setDefaultLook(look_.viewFont, look_.viewColour);
    list_->showCurrent();
}

// --- deleting ---

void CMsgManagerFrame::deleteSelected() {
    const MsgPane pane = activePane_;
    if (!enabledCommands(pane, list_->selectedRows().size(), tree_->selectedValue()).remove) return;
    // What the user picked, held by what it is: the question below lets
    // messages arrive, and the window can change while it waits.
    const uint32_t key = list_->key();
    const std::vector<store::ChatMessage> shown = list_->shown();
    const std::vector<std::size_t> rows = list_->selectedRows();
    const MsgTreeNode* selectedItem = tree_->selectedNode();
    const std::optional<MsgTreeNode> item =
        selectedItem ? std::optional<MsgTreeNode>(*selectedItem) : std::nullopt;

    QPointer<CMsgManagerFrame> alive(this);
    if (!prompts_.ask(u("你确定要删除这些消息吗?")) || !alive) return;

    if (pane == MsgPane::List) {
        const RowDeletion done = deleteSelectedRows(core_.recordStore(), key, shown, rows);
        if (done.storeChanged || list_->key() != key || list_->shown() != shown) {
            list_->refill();
        } else {
            list_->removeRows(done.deletedRows);
        }
        if (done.storeChanged) {
            prompts_.tell(u("这些消息在列表显示之后已经改变，没有删除。列表已刷新，请重新选择。"));
        }
    } else if (pane == MsgPane::Tree && item) {
        deleteItemMessages(core_.recordStore(), *item);
        list_->empty();
    }
    updateCommands();
}

// --- writing out ---

QString CMsgManagerFrame::exportFile(const QString& defaultName, const QString& suffix,
                                     const QString& filter) {
    const QString file = prompts_.chooseFile({true, defaultName, suffix, filter});
    if (file.isEmpty()) return {};
    if (isUserDatabase(pathOf(file), core_.recordStore().userDir())) {
        prompts_.tell(u("不能覆盖正在使用的消息数据库或用户数据库。"));
        return {};
    }
    return file;
}

void CMsgManagerFrame::writeText(const QString& file, const std::string& text) {
    if (const std::optional<std::string> error = writeExportFile(pathOf(file), text)) {
        prompts_.tell(file + "\n" + QString::fromLocal8Bit(error->c_str()));
    }
}

void CMsgManagerFrame::exportText() {
    const MsgPane pane = activePane_;
    const uint32_t key = list_->key();
    const std::vector<store::ChatMessage> rows = list_->selectedMessages();
    const MsgTreeNode* selectedItem = tree_->selectedNode();
    const std::optional<MsgTreeNode> item =
        selectedItem ? std::optional<MsgTreeNode>(*selectedItem) : std::nullopt;
    const QString defaultName = fromGbk(defaultExportName(tree_->selectedValue()));

    QPointer<CMsgManagerFrame> alive(this);
    const QString file = exportFile(defaultName, "txt", u(kTextFilter));
    if (file.isEmpty() || !alive) return;
    std::string text;
    if (pane == MsgPane::List) {
        text = rowsText(names(), key, rows);
    } else if (item) {
        text = itemText(core_.recordStore(), names(), *item);
    }
    writeText(file, text);
}

void CMsgManagerFrame::exportUsers() {
    const MsgPane pane = activePane_;
    const MsgTreeNode* selectedItem = tree_->selectedNode();
    const std::optional<MsgTreeNode> item =
        selectedItem ? std::optional<MsgTreeNode>(*selectedItem) : std::nullopt;
    const QString defaultName = fromGbk(defaultExportName(tree_->selectedValue()));

    QPointer<CMsgManagerFrame> alive(this);
    const QString file = exportFile(defaultName, "txt", u(kTextFilter));
    if (file.isEmpty() || !alive) return;
    writeText(file, pane == MsgPane::Tree && item ? itemUserInfo(names(), *item) : std::string());
}

void CMsgManagerFrame::exportBackup() {
    const MsgTreeNode* selectedItem = tree_->selectedNode();
    if (!selectedItem) return;
    const MsgTreeNode item = *selectedItem;
    const QString defaultName = fromGbk(defaultExportName(item.value));

    QPointer<CMsgManagerFrame> alive(this);
    const QString file = exportFile(defaultName, "bak", u(kBackupFilter));
    if (file.isEmpty() || !alive) return;
    backupItem(core_.recordStore(), item, pathOf(file));
}

void CMsgManagerFrame::backupAll() {
    QPointer<CMsgManagerFrame> alive(this);
    const QString file = exportFile({}, "bak", u(kBackupFilter));
    if (file.isEmpty() || !alive) return;
    // Everyone as the store has them now, also partners who wrote since
    // the window opened.
    const MsgTreeNode root = partnerTree();
    if (!ui::backupAll(core_.recordStore(), root, pathOf(file))) {
        prompts_.tell(file + "\n" + u("这个文件无法替换。"));
    }
}

// --- reading in ---

void CMsgManagerFrame::importBackup() {
    QPointer<CMsgManagerFrame> alive(this);
    const QString file = prompts_.chooseFile({false, {}, "bak", u(kBackupFilter)});
    if (file.isEmpty() || !alive) return;
    // The user's own databases are no backups: reading one into msg.db
    // would double or garble it.
    if (isUserDatabase(pathOf(file), core_.recordStore().userDir())) {
        prompts_.tell(u("不能导入正在使用的消息数据库或用户数据库。"));
        return;
    }
    core_.recordStore().ImportMessages(pathOf(file));
    // New partners may have come with the backup.
    const std::optional<uint32_t> selected = tree_->selectedValue();
    buildTree();
    selectPartner(selected);
}

// --- finding ---

CMsgFindDlg* CMsgManagerFrame::find() {
    if (!findDlg_) findDlg_ = new CMsgFindDlg(core_.recordStore(), names(), this);
    findDlg_->show();
    findDlg_->raise();
    findDlg_->activateWindow();
    return findDlg_;
}

// --- colours and font ---

void CMsgManagerFrame::chooseBackColour() {
    const MsgPane pane = activePane_;
    QPointer<CMsgManagerFrame> alive(this);
    if (pane == MsgPane::View) {
        const auto chosen = prompts_.chooseColour(view_->text()->palette().color(QPalette::Base));
        if (chosen && alive) view_->setBackground(*chosen);
        return;
    }
    QColor& back = pane == MsgPane::Tree ? look_.treeBack : look_.listBack;
    const auto chosen = prompts_.chooseColour(back);
    if (!chosen || !alive) return;
    back = *chosen;
    applyLook();
}

void CMsgManagerFrame::chooseTextColour() {
    const MsgPane pane = activePane_;
    QPointer<CMsgManagerFrame> alive(this);
    if (pane == MsgPane::View) {
        const auto chosen = prompts_.chooseFont({look_.viewFont, look_.viewColour});
        if (!chosen || !alive) return;
        look_.viewFont = chosen->font;
        look_.viewColour = chosen->colour;
    } else {
        QColor& text = pane == MsgPane::Tree ? look_.treeText : look_.listText;
        const auto chosen = prompts_.chooseColour(text);
        if (!chosen || !alive) return;
        text = *chosen;
    }
    applyLook();
}

}  // namespace zemra::client::ui
