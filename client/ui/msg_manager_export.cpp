#include "client/ui/msg_manager_export.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "platform/text.h"

namespace zemra::client::ui {
namespace fs = std::filesystem;
namespace {

const std::string kRule(50, '-');

std::string gbk(const char* utf8) {
    return text::toGbk(utf8);
}

// "消息对象:<who>" between two rules.
std::string blockHeader(const std::string& who) {
    return kRule + "\n" + gbk("消息对象") + ":" + who + "\n" + kRule + "\n";
}

std::string field(const char* label, const std::string& value) {
    return gbk(label) + " " + value + "\n\n";
}

bool samePath(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    if (fs::equivalent(a, b, ec)) return true;
    const fs::path left = fs::weakly_canonical(a, ec);
    if (ec) return false;
    const fs::path right = fs::weakly_canonical(b, ec);
    return !ec && left == right;
}

}  // namespace

std::string messageTextEntry(const std::string& sender, const store::ChatMessage& message) {
    return messageDate(message.time) + " " + messageTime(message.time) + "  " + sender + "\n" +
           message.displayedText() + "\n\n";
}

std::string partnerTextBlock(const MsgNames& names, uint32_t key,
                             const std::vector<store::ChatMessage>& messages) {
    const std::string who = key == store::kSystemMessagesKey
                                ? gbk("系统消息")
                                : std::to_string(key) + "(" + names.partnerName(key) + ")";
    std::string block = blockHeader(who);
    for (const store::ChatMessage& m : messages) {
        block += messageTextEntry(names.senderName(key, m), m);
    }
    return block + "\n";
}

std::string itemText(store::RecordStore& store, const MsgNames& names, const MsgTreeNode& item) {
    std::string text;
    for (uint32_t key : keysOf(item)) {
        std::vector<store::ChatMessage> messages;
        store.LoadMessages(key, messages);
        text += partnerTextBlock(names, key, messages);
    }
    return text;
}

std::string rowsText(const MsgNames& names, uint32_t key,
                     const std::vector<store::ChatMessage>& rows) {
    std::string text;
    for (const store::ChatMessage& m : rows) text += messageTextEntry(names.senderName(key, m), m);
    return text;
}

std::string userInfoBlock(const store::CUserInfo& info) {
    std::string block = blockHeader(std::to_string(info.id) + "(" + info.nickname + ")");
    block += field("网络呼机号", std::to_string(info.id));
    block += field("昵称", info.nickname);
    block += field("年龄", std::to_string(info.age));
    block += field("国家/地区", info.country);
    block += field("省份", info.province);
    block += field("城市", info.city);
    block += field("电子邮件", info.email);
    block += field("地址", info.address);
    block += field("邮编", info.postcode);
    block += field("电话号码", info.phone);
    block += field("真实姓名", info.realName);
    block += field("毕业院校", info.school);
    block += field("职业", info.occupation);
    block += field("个人主页", info.homepage);
    block += field("个人说明", info.note);
    return block + "\n";
}

std::string itemUserInfo(const MsgNames& names, const MsgTreeNode& item) {
    std::string text;
    for (uint32_t key : keysOf(item)) {
        if (!store::RecordStore::isContactKey(key)) continue;
        if (const store::CUserInfo* contact = names.contact(key)) text += userInfoBlock(*contact);
    }
    return text;
}

std::string withCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

std::string defaultExportName(std::optional<uint32_t> selectedValue) {
    if (!selectedValue || !store::RecordStore::isContactKey(*selectedValue)) return {};
    return std::to_string(*selectedValue);
}

bool isUserDatabase(const fs::path& file, const fs::path& userDir) {
    return samePath(file, userDir / store::kMessageDb) || samePath(file, userDir / store::kUserDb);
}

std::optional<std::string> writeExportFile(const fs::path& file, std::string_view text) {
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (!out) return std::string(std::strerror(errno));
    const std::string bytes = withCrLf(text);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    const int error = errno;
    if (std::fclose(out) != 0 || !written)
        return std::string(std::strerror(written ? errno : error));
    return std::nullopt;
}

int backupItem(store::RecordStore& store, const MsgTreeNode& item, const fs::path& file) {
    int copied = 0;
    for (uint32_t key : keysOf(item)) {
        if (store.BackupMessages(file, key)) ++copied;
    }
    return copied;
}

bool backupAll(store::RecordStore& store, const MsgTreeNode& root, const fs::path& file) {
    std::error_code ec;
    fs::remove(file, ec);
    if (ec) return false;
    backupItem(store, root, file);
    return true;
}

}  // namespace zemra::client::ui
