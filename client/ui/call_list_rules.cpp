#include "client/ui/call_list_rules.h"

#include "client/store/call_log.h"

namespace zemra::client::ui {
namespace {

constexpr const char* kSelectUser = "您好,请选择用户!";
constexpr const char* kNotOnYourself = "对不起,不能对自己进行操作!";

CallListRow rowOf(const store::CallLogRecord& record) {
    return {record.id, record.name, record.time, std::string(store::callKindLabel(record.kind))};
}

}  // namespace

std::filesystem::path callListFile(const std::filesystem::path& callListDir, const std::tm& day,
                                   uint32_t ownId) {
    return callListDir / store::callLogFileName(day, ownId);
}

std::vector<CallListRow> queryCallList(const std::filesystem::path& file,
                                       const std::set<uint32_t>& tickedKinds) {
    std::vector<CallListRow> rows;
    store::CFilelog log;
    if (!log.Open(file) || log.count() == 0 || !log.Last()) return rows;
    // From the last record back to the first: the newest call comes first.
    for (;;) {
        if (tickedKinds.empty() || tickedKinds.contains(log.kind)) rows.push_back(rowOf(log));
        if (log.AtFirst() || !log.Previous()) break;
    }
    return rows;
}

std::optional<std::string> callListRefusal(CallListAction action, const CallListContext& context) {
    if (action == CallListAction::Call && context.inCall) return "请稍侯,您正在通话中!";
    if (!context.selected) return kSelectUser;
    const uint32_t id = *context.selected;
    switch (action) {
        case CallListAction::Call:
            if (id == context.ownId) return "对不起,不能呼叫自己!";
            return std::nullopt;
        case CallListAction::Chat:
        case CallListAction::Details:
            return std::nullopt;
        case CallListAction::AddFriend:
        case CallListAction::BlackList:
            if (id == context.ownId) return kNotOnYourself;
            if (context.isFriend && context.isFriend(id)) return "对不起,用户已在您的好友名单中!";
            return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace zemra::client::ui
