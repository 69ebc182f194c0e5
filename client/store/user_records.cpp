#include "user_records.h"

#include "platform/text.h"

namespace zemra::store {

void CUserInfo::serialize(RecordWriter& out) const {
    out.u32(id);
    out.u8(face);
    out.text(nickname);
    out.u8(age);
    out.u8(gender);
    out.text(country);
    out.text(province);
    out.text(city);
    out.text(email);
    out.text(address);
    out.text(postcode);
    out.text(phone);
    out.text(realName);
    out.u8(bloodType);
    out.text(school);
    out.text(occupation);
    out.text(homepage);
    out.text(note);
}

void CUserInfo::deserialize(RecordReader& in) {
    id = in.u32();
    face = in.u8();
    nickname = in.text();
    age = in.u8();
    gender = in.u8();
    country = in.text();
    province = in.text();
    city = in.text();
    email = in.text();
    address = in.text();
    postcode = in.text();
    phone = in.text();
    realName = in.text();
    bloodType = in.u8();
    school = in.text();
    occupation = in.text();
    homepage = in.text();
    note = in.text();
}

void CMyInfo::serialize(RecordWriter& out) const {
    CUserInfo::serialize(out);
    out.text(password);
    out.u8(visibility);
}

void CMyInfo::deserialize(RecordReader& in) {
    CUserInfo::deserialize(in);
    password = in.text();
    visibility = in.u8();
}

void Contact::serialize(RecordWriter& out) const {
    CUserInfo::serialize(out);
    out.u32(options);
    out.text(greeting);
    out.text(onlineSound);
    out.text(messageSound);
}

void Contact::deserialize(RecordReader& in) {
    CUserInfo::deserialize(in);
    options = in.u32() & kStoredOptionMask;
    greeting = in.text();
    onlineSound = in.text();
    messageSound = in.text();
}

void CUserOptions::applyNewUserDefaults(const std::filesystem::path& dataDir) {
    flags = (flags & ~kNewUserClearMask) | kNewUserSetMask;
    const std::filesystem::path soundDir = dataDir / "sound";
    sounds[kSoundFriendOnline] = (soundDir / "global.wav").string();
    sounds[kSoundMessage] = (soundDir / "msg.wav").string();
    sounds[kSoundSystemMessage] = (soundDir / "system.wav").string();
    sounds[kSoundGroupSwitch] = (soundDir / "folder.wav").string();
    reserved11 = 2;
    reserved12 = 10;
    callMode = 2;
}

void CUserOptions::serialize(RecordWriter& out) const {
    out.u32(flags);
    out.u32(reserved2);
    for (const std::string& sound : sounds) out.text(sound);
    out.text(reserved7);
    out.u16(reserved8);
    out.text(autoReplyText);
    out.text(quickReplyText);
    out.u32(reserved11);
    out.u32(reserved12);
    out.text(skin);
    out.u8(reserved14);
    out.u8(callMode);
}

void CUserOptions::deserialize(RecordReader& in) {
    flags = in.u32() & kStoredFlagMask;
    reserved2 = in.u32();
    for (std::string& sound : sounds) sound = in.text();
    reserved7 = in.text();
    reserved8 = in.u16();
    autoReplyText = in.text();
    quickReplyText = in.text();
    reserved11 = in.u32();
    reserved12 = in.u32();
    skin = in.text();
    reserved14 = in.u8();
    callMode = in.u8();
}

COutbarLayout COutbarLayout::forNewUser() {
    COutbarLayout layout;
    for (const char* name : {"我的好友", "陌生人", "黑名单"}) {
        layout.groups.push_back(Group{text::toGbk(name), {}});
    }
    return layout;
}

void COutbarLayout::serialize(RecordWriter& out) const {
    out.u32(backColor);
    out.u32(textColor);
    out.u8(iconMode);
    out.u16(static_cast<uint16_t>(groups.size()));
    for (std::size_t i = 0; i < groups.size(); ++i) {
        const Group& group = groups[i];
        out.text(group.name);
        if (isStrangersGroup(i)) {
            out.u16(0);
            continue;
        }
        out.u16(static_cast<uint16_t>(group.members.size()));
        for (uint32_t member : group.members) out.u32(member);
    }
}

void COutbarLayout::deserialize(RecordReader& in) {
    backColor = in.u32();
    textColor = in.u32();
    iconMode = in.u8();
    const uint16_t groupCount = in.u16();
    groups.clear();
    // Counts come from the file: stop where the value ends instead of
    // trusting them, so a damaged record cannot make us spin or allocate.
    for (uint16_t g = 0; g < groupCount && in.remaining() >= 2; ++g) {
        Group group;
        group.name = in.text();
        const uint16_t memberCount = in.u16();
        for (uint16_t m = 0; m < memberCount && in.remaining() >= 4; ++m)
            group.members.push_back(in.u32());
        groups.push_back(std::move(group));
    }
}

}  // namespace zemra::store
