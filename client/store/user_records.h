// The records of user.db: the own profile, the options, the contact-list
// layout and one record per contact. Texts are GBK, as stored.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "client/store/stored_record.h"

namespace zemra::store {

// The public profile, the common first part of the own record and of a contact.
class CUserInfo : public StoredRecord {
  public:
    uint32_t id = 0;
    uint8_t face = 0;  // 0 ... 84
    std::string nickname;
    uint8_t age = 0;
    uint8_t gender = 0;  // index into 男, 女, 其它
    std::string country;
    std::string province;
    std::string city;
    std::string email;
    std::string address;
    std::string postcode;
    std::string phone;
    std::string realName;
    uint8_t bloodType = 0;
    std::string school;
    std::string occupation;
    std::string homepage;
    std::string note;

    void serialize(RecordWriter& out) const override;
    void deserialize(RecordReader& in) override;
    bool operator==(const CUserInfo&) const = default;
};

// The own profile (key 0), with the two account fields that the
// registration wizard hands over with it.
class CMyInfo : public CUserInfo {
  public:
    std::string password;
    uint8_t visibility = 0;

    void serialize(RecordWriter& out) const override;
    void deserialize(RecordReader& in) override;
    bool operator==(const CMyInfo&) const = default;
};

// Per-friend option bits.
enum ContactOption : uint32_t {
    kContactGoInvisibleWhenOnline = 1u << 0,
    kContactNotifyOnline = 1u << 1,
    kContactGreetWhenOnline = 1u << 2,
    kContactNotifyOffline = 1u << 3,
    kContactBlockMessages = 1u << 4,
    kContactOwnSounds = 1u << 5,
    kContactDialogueMode = 1u << 6,
    kContactEnterSends = 1u << 7,
};

enum class Presence : uint8_t { Online = 0, Offline = 1, Away = 2 };
enum class ContactCategory : uint8_t { Ordinary = 0, Stranger = 1, Blacklisted = 2 };

class Contact : public CUserInfo {
  public:
    static constexpr uint32_t kStoredOptionMask = 0xFF;

    uint32_t options = 0;
    std::string greeting;
    std::string onlineSound;   // played when this friend comes online
    std::string messageSound;  // played when a message from this friend arrives

    // Run-time state, never stored.
    Presence presence = Presence::Offline;
    uint32_t presenceExtra1 = 0;
    uint16_t presenceExtra2 = 0;
    uint32_t presenceExtra3 = 0;
    ContactCategory category = ContactCategory::Ordinary;
    uint32_t peerAddress = 0;  // IPv4, network byte order
    uint16_t peerPort = 0;

    bool hasOption(ContactOption option) const { return (options & option) != 0; }

    void serialize(RecordWriter& out) const override;
    void deserialize(RecordReader& in) override;
};

// Bits of CUserOptions::flags.
enum UserOptionFlag : uint32_t {
    kOptConfirmedOnce = 1u << 1,
    kOptEncryptedCalls = 1u << 2,
    kOptCallWaitingPrompt = 1u << 3,
    kOptFriendOnlineNotice = 1u << 4,
    kOptLoginInvisible = 1u << 5,
    kOptShowOnlineOnly = 1u << 6,
    kOptAutoPopupMessages = 1u << 7,
    kOptAutoReconnect = 1u << 8,
    kOptSoundPrompts = 1u << 9,
    kOptRefuseStrangerMessages = 1u << 10,
    kOptAutoReplyActive = 1u << 11,
    kOptNewUser = 1u << 13,
    kOptSavePassword = 1u << 14,
};

// The per-user options (key 0xFFFFFFFF). Fields whose purpose belongs to
// nobody yet are kept as "reserved" and round-trip unchanged.
class CUserOptions : public StoredRecord {
  public:
    static constexpr uint32_t kStoredFlagMask = 0x7FFF;
    static constexpr uint32_t kNewUserClearMask = 0x04ED;
    static constexpr uint32_t kNewUserSetMask = 0x2312;

    enum Sound { kSoundFriendOnline, kSoundMessage, kSoundSystemMessage, kSoundGroupSwitch };

    uint32_t flags = 0;
    uint32_t reserved2 = 0;
    std::array<std::string, 4> sounds;
    std::string reserved7;
    uint16_t reserved8 = 0;
    std::string autoReplyText;
    std::string quickReplyText;
    uint32_t reserved11 = 0;
    uint32_t reserved12 = 0;
    std::string skin;  // folder under skins/; empty = built-in look
    uint8_t reserved14 = 0;
    uint8_t callMode = 0;

    // The values a newly registered user starts with; sound files are taken from `dataDir`.
    void applyNewUserDefaults(const std::filesystem::path& dataDir);
    bool hasFlag(UserOptionFlag flag) const { return (flags & flag) != 0; }
    void setFlag(UserOptionFlag flag, bool on) { flags = on ? (flags | flag) : (flags & ~flag); }

    void serialize(RecordWriter& out) const override;
    void deserialize(RecordReader& in) override;
    bool operator==(const CUserOptions&) const = default;
};

// Colours, icon size and the contact groups in display order (key 0xFFFFFFFE).
// The last two groups are always the strangers and the black list.
class COutbarLayout : public StoredRecord {
  public:
    struct Group {
        std::string name;
        std::vector<uint32_t> members;
        bool operator==(const Group&) const = default;
    };

    uint32_t backColor = 0;  // COLORREF 0x00BBGGRR
    uint32_t textColor = 0;
    uint8_t iconMode = 0;  // 0 small icons, 1 large icons
    std::vector<Group> groups;

    // Three groups: friends, strangers, black list (names in GBK).
    static COutbarLayout forNewUser();

    bool isStrangersGroup(std::size_t index) const { return index + 2 == groups.size(); }
    bool isBlacklist(std::size_t index) const { return index + 1 == groups.size(); }

    // Strangers are never stored: that group is written with no members.
    void serialize(RecordWriter& out) const override;
    void deserialize(RecordReader& in) override;
    bool operator==(const COutbarLayout&) const = default;
};

}  // namespace zemra::store
