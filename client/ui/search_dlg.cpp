#include "client/ui/search_dlg.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "client/app/client_core.h"
#include "client/ui/image_lists.h"
#include "client/ui/ui_text.h"
#include "client/ui/window_message_bridge.h"
#include "protocol/contact_packets.h"

namespace zemra::client::ui {
namespace {

enum Column { kIdColumn, kNameColumn, kStatusColumn, kVideoColumn, kAudioColumn, kCityColumn };

QString utf8(const std::string& text) {
    return QString::fromStdString(text);
}

QPushButton* button(const char* text, const char* name) {
    auto* b = new QPushButton(u(text));
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

CSearchDlg::CSearchDlg(ClientCore& core, SearchActions actions, QWidget* parent)
    : SkinnedDialog(u("我要查询"), u("在线查找"), parent),
      core_(core),
      actions_(std::move(actions)),
      handle_(WindowMessageBridge::registerWidget(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setContentsMargins(FrameGeometry::kLeftEdge + 2, FrameGeometry::kTitleHeight + 2,
                       FrameGeometry::kRightEdge + 2, FrameGeometry::kBottomEdge + 2);
    // One search at a time: the timer restarts only when a page has arrived.
    refresh_.setSingleShot(true);
    refresh_.setInterval(kRefreshMs);
    connect(&refresh_, &QTimer::timeout, this, [this] {
        if (formAccepted()) search(paging_.again());
    });
    buildControls();
    core_.setSearchWindowOpen(true);
    setMode(SearchMode::Online);
    resize(600, 470);
}

CSearchDlg::~CSearchDlg() {
    refresh_.stop();
    core_.setSearchWindowOpen(false);
    WindowMessageBridge::unregisterWidget(handle_);
}

void CSearchDlg::buildControls() {
    modeId_ = new QRadioButton(u("用户ID号"));
    modeNick_ = new QRadioButton(u("用户昵称"));
    modeOnline_ = new QRadioButton(u("在线用户"));
    modeId_->setObjectName("modeId");
    modeNick_->setObjectName("modeNick");
    modeOnline_->setObjectName("modeOnline");
    const std::pair<QRadioButton*, SearchMode> radios[] = {{modeId_, SearchMode::ById},
                                                           {modeNick_, SearchMode::ByNick},
                                                           {modeOnline_, SearchMode::Online}};
    for (const auto& [radio, mode] : radios) {
        connect(radio, &QRadioButton::toggled, this, [this, m = mode](bool on) {
            if (on && m != mode_) setMode(m);
        });
    }
    idEdit_ = new QLineEdit;
    idEdit_->setObjectName("idEdit");
    idEdit_->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9]{0,8}"), idEdit_));
    nickEdit_ = new QLineEdit;
    nickEdit_->setObjectName("nickEdit");
    nickEdit_->setMaxLength(kSearchNickChars);
    search_ = button("开始查询", "search");
    search_->setDefault(true);
    connect(search_, &QPushButton::clicked, this, [this] {
        if (formAccepted()) search(paging_.again());
    });

    auto* how = new QGroupBox(u("查询方式"));
    auto* form = new QGridLayout(how);
    form->addWidget(modeId_, 0, 0);
    form->addWidget(idEdit_, 0, 1);
    form->addWidget(modeNick_, 0, 2);
    form->addWidget(nickEdit_, 0, 3);
    form->addWidget(modeOnline_, 0, 4);
    form->addWidget(search_, 0, 5);

    autoRefresh_ = new QCheckBox(u("自动刷新"));
    autoRefresh_->setObjectName("autoRefresh");
    auto* checks = new QHBoxLayout;
    checks->addWidget(autoRefresh_);
    const std::pair<const char*, const char*> filters[] = {{"有声卡", "soundCard"},
                                                           {"有摄像头", "camera"},
                                                           {"男", "male"},
                                                           {"女", "female"},
                                                           {"同一城市", "sameCity"}};
    for (const auto& [text, name] : filters) {
        auto* check = new QCheckBox(u(text));
        check->setObjectName(name);
        filters_.push_back(check);
        checks->addWidget(check);
    }
    checks->addStretch();
    form->addLayout(checks, 1, 0, 1, 6);

    results_ = new QTreeWidget;
    results_->setObjectName("results");
    results_->setRootIsDecorated(false);
    results_->setSelectionMode(QAbstractItemView::SingleSelection);
    results_->setSelectionBehavior(QAbstractItemView::SelectRows);
    results_->setAllColumnsShowFocus(true);
    results_->setIconSize(QSize(16, 16));
    results_->setHeaderLabels({u("  用户ID  "), u("  名 称  "), u(" 状态 "), u("视频"), u("音频"),
                               u(" 所在城市 "), u(" 联系电话 ")});
    results_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    connect(results_, &QTreeWidget::itemSelectionChanged, this, [this] { updateActionButtons(); });
    connect(results_, &QTreeWidget::itemDoubleClicked, this,
            [this] { command(SearchCommand::Details); });

    status_ = new QLabel;
    status_->setObjectName("status");

    firstPage_ = button("第一页", "firstPage");
    previousPage_ = button("上一页", "previousPage");
    nextPage_ = button("下一页", "nextPage");
    lastPage_ = button("最后一页", "lastPage");
    connect(firstPage_, &QPushButton::clicked, this, [this] {
        if (formAccepted()) search(paging_.first());
    });
    connect(previousPage_, &QPushButton::clicked, this, [this] {
        if (!formAccepted()) return;
        if (const auto page = paging_.previous()) search(*page);
        updatePagingButtons();
    });
    connect(nextPage_, &QPushButton::clicked, this, [this] {
        if (formAccepted()) search(paging_.next());
    });
    connect(lastPage_, &QPushButton::clicked, this, [this] {
        if (formAccepted()) search(paging_.last());
    });
    auto* paging = new QHBoxLayout;
    paging->addStretch();
    for (auto* b : {firstPage_, previousPage_, nextPage_, lastPage_}) paging->addWidget(b);

    call_ = button("视频电话", "call");
    sendFile_ = button("文件传输", "sendFile");
    details_ = button("查看资料", "details");
    chat_ = button("文字聊天", "chat");
    addFriend_ = button("加为好友", "addFriend");
    blacklist_ = button("不受欢迎", "blacklist");
    const std::pair<QPushButton*, SearchCommand> commands[] = {
        {call_, SearchCommand::Call},           {sendFile_, SearchCommand::SendFile},
        {details_, SearchCommand::Details},     {chat_, SearchCommand::Chat},
        {addFriend_, SearchCommand::AddFriend}, {blacklist_, SearchCommand::Blacklist}};
    auto* actionRow = new QHBoxLayout;
    for (const auto& [b, c] : commands) {
        connect(b, &QPushButton::clicked, this, [this, c = c] { command(c); });
        actionRow->addWidget(b);
    }

    auto* root = new QVBoxLayout(this);
    root->addWidget(how);
    root->addWidget(results_, 1);
    root->addWidget(status_);
    root->addLayout(paging);
    root->addLayout(actionRow);
}

void CSearchDlg::setMode(SearchMode mode) {
    mode_ = mode;
    paging_.reset();
    refresh_.stop();
    QRadioButton* radio = mode == SearchMode::ById     ? modeId_
                          : mode == SearchMode::ByNick ? modeNick_
                                                       : modeOnline_;
    if (!radio->isChecked()) radio->setChecked(true);
    idEdit_->setEnabled(mode == SearchMode::ById);
    nickEdit_->setEnabled(mode == SearchMode::ByNick);
    autoRefresh_->setEnabled(mode == SearchMode::Online);
    for (auto* check : filters_) check->setEnabled(mode == SearchMode::Online);
    updatePagingButtons();
}

bool CSearchDlg::formAccepted() {
    if (mode_ == SearchMode::ById && !parseSearchId(idEdit_->text().toStdString())) {
        tell("用户ID号只能是0到99999999之间的数字");
        return false;
    }
    return true;
}

void CSearchDlg::search(uint16_t page) {
    SearchForm form;
    form.mode = mode_;
    form.idText = idEdit_->text().toStdString();
    form.nickname = nickEdit_->text();
    form.hasSoundCard = filters_[0]->isChecked();
    form.hasCamera = filters_[1]->isChecked();
    form.male = filters_[2]->isChecked();
    form.female = filters_[3]->isChecked();
    form.sameCity = filters_[4]->isChecked();
    const auto packet = searchPacket(form, page);
    if (!packet) return;  // the ID was changed to garbage during a walk
    shown_.clear();
    results_->clear();
    status_->setText(u("正在查询，请稍侯..."));
    core_.setReplyWindow(handle_);
    // Everything before the send: it runs the event loop, in which the
    // answer (or a close of this window) may already come.
    enableActions(false);
    refresh_.stop();
    core_.send(*packet);
}

bool CSearchDlg::event(QEvent* event) {
    if (event->type() != WindowMessageEvent::kType) return SkinnedDialog::event(event);
    const auto* message = static_cast<WindowMessageEvent*>(event);
    if (message->message == kWmSearchResult) {
        if (message->wParam == 1) showResults();
        if (message->wParam == 5) showNothingFound();
    } else if (message->message == kWmSearchStatus && paging_.waiting()) {
        // While this window is open the core follows each status with an
        // empty result: that one moves the pages, so one answer counts once
        // even when it starts the next search.
        status_->setText(u("查询结果：没有满足条件的用户存在"));
    }
    return true;
}

void CSearchDlg::closeEvent(QCloseEvent* event) {
    refresh_.stop();
    SkinnedDialog::closeEvent(event);
}

void CSearchDlg::showResults() {
    const std::vector<protocol::SearchResultEntry> entries = core_.searchResults();
    const ResultPage page = resultPage(entries);
    const SearchPaging::Step step = paging_.onPage(page.full);
    if (!step.take) return;
    shown_.assign(page.rows.begin(), page.rows.end());
    results_->clear();
    for (const auto& entry : shown_) {
        auto* item = new QTreeWidgetItem(results_);
        item->setText(kIdColumn, QString::number(entry.userId));
        item->setText(kNameColumn, fromGbk(entry.nickname));
        item->setText(kStatusColumn, utf8(searchStatusText(entry.status)));
        item->setText(kVideoColumn, utf8(capabilityText(entry.hasVideo, entry.status)));
        item->setText(kAudioColumn, utf8(capabilityText(entry.hasAudio, entry.status)));
        item->setText(kCityColumn, fromGbk(entry.city));
        item->setIcon(kIdColumn, QIcon(imageLists().face16(entry.face)));
    }
    firstPage_->setEnabled(true);
    lastPage_->setEnabled(true);
    updatePagingButtons();
    enableActions(true);
    if (auto* top = results_->topLevelItem(0)) {
        results_->setCurrentItem(top);
        results_->setFocus();
    }
    updateActionButtons();
    if (autoRefresh_->isChecked() && autoRefresh_->isEnabled()) refresh_.start();
    status_->setText(u("查询结果：当前页共有%1个满足条件的用户").arg(shown_.size()));
    follow(step);
}

void CSearchDlg::showNothingFound() {
    const SearchPaging::Step step = paging_.onEmpty();
    if (!step.take) return;
    status_->setText(u("查询结果：没有满足条件的用户存在"));
    updatePagingButtons();
    follow(step);
}

void CSearchDlg::follow(const SearchPaging::Step& step) {
    if (step.fetch) search(*step.fetch);
}

void CSearchDlg::updatePagingButtons() {
    previousPage_->setEnabled(paging_.previousEnabled());
    nextPage_->setEnabled(paging_.nextEnabled());
}

void CSearchDlg::enableActions(bool on) {
    for (auto* b : {call_, sendFile_, details_, chat_, addFriend_, blacklist_}) b->setEnabled(on);
}

void CSearchDlg::updateActionButtons() {
    const auto user = selectedUser();
    if (!user) return;
    const SearchActionsEnabled on =
        searchActionsEnabled(*user, core_.ownId(), inCall(), transferRunning());
    call_->setEnabled(on.call);
    sendFile_->setEnabled(on.sendFile);
    addFriend_->setEnabled(on.addFriend);
    blacklist_->setEnabled(on.blacklist);
    chat_->setEnabled(on.chat);
    details_->setEnabled(true);
}

const protocol::SearchResultEntry* CSearchDlg::selectedEntry() const {
    const auto selected = results_->selectedItems();
    if (selected.isEmpty()) return nullptr;
    const int row = results_->indexOfTopLevelItem(selected.front());
    if (row < 0 || static_cast<std::size_t>(row) >= shown_.size()) return nullptr;
    return &shown_[static_cast<std::size_t>(row)];
}

std::optional<SearchUser> CSearchDlg::selectedUser() const {
    const auto* entry = selectedEntry();
    if (!entry) return std::nullopt;
    return SearchUser{entry->userId, entry->status};
}

void CSearchDlg::command(SearchCommand command) {
    const SearchDecision decision =
        decideSearchCommand(command, selectedUser(), core_.ownId(), core_.contacts(), inCall());
    if (decision.kind == SearchDecision::Kind::Tell) tell(decision.message);
    if (decision.kind != SearchDecision::Kind::Run) return;
    // Copies: the actions may pump events that replace the rows or close
    // this window.
    const protocol::SearchResultEntry user = *selectedEntry();
    const QPointer<CSearchDlg> alive(this);
    ClientCore& core = core_;
    switch (command) {
        case SearchCommand::AddFriend:
            if (const auto addFriend = actions_.addFriend) {
                addFriend(user.userId, user.nickname, user.face);
            }
            if (alive) close();
            break;
        case SearchCommand::Blacklist:
            core.send(protocol::buildSetRelation({user.userId, protocol::kRelationBlacklist}));
            if (alive) close();
            break;
        case SearchCommand::Details:
            core_.requestDetails(user.userId, false);
            break;
        case SearchCommand::Chat:
            if (actions_.chat) actions_.chat(user.userId);
            break;
        case SearchCommand::Call:
            if (actions_.call) actions_.call(user.userId, user.nickname);
            break;
        case SearchCommand::SendFile:
            if (actions_.sendFile) actions_.sendFile(user.userId, user.nickname);
            break;
    }
}

void CSearchDlg::tell(const std::string& text) {
    QMessageBox::information(this, "zemra", utf8(text));
}

bool CSearchDlg::inCall() const {
    return actions_.inCall && actions_.inCall();
}

bool CSearchDlg::transferRunning() const {
    return actions_.transferRunning && actions_.transferRunning();
}

}  // namespace zemra::client::ui
