// The contact list: the contact table of the last login answer, the contact
// objects, and the groups that show them.
//
// Groups are ordered; the last one is the black list and the one before it
// the strangers. A contact's relation code on the wire is 10 + the index of
// its group. Everything here is plain state and rules: the caller stores the
// layout, plays sounds and redraws as the results say.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "client/store/user_records.h"
#include "protocol/contact_packets.h"

namespace zemra::client {

using store::Contact;
using store::ContactCategory;
using store::Presence;

// One entry of the login answer's contact table; entry 0 is the own user.
// A removed contact's entry keeps its place with ID 0.
using ContactTableEntry = protocol::ContactRecord;

struct ContactGroup {
    std::string name;  // GBK
    std::vector<Contact*> members;
};

// Orders two nicknames (GBK) as the user's locale does, ignoring case:
// negative, zero or positive.
using NicknameCompare = std::function<int(const std::string&, const std::string&)>;

// What an online notice asks of the caller.
struct OnlineReaction {
    Contact* contact = nullptr;
    bool goInvisible = false;  // option bit 0
    std::string greeting;      // option bit 2 with a text: for the send-text hook
};

class ContactList {
  public:
    static constexpr std::size_t kStandardGroupCount = 3;

    explicit ContactList(NicknameCompare compare);

    // --- contact table ---
    void setTable(std::vector<ContactTableEntry> entries) { table_ = std::move(entries); }
    void appendTableEntry(const ContactTableEntry& entry) { table_.push_back(entry); }
    // Clears the ID of the entry (the entry itself stays).
    void clearTableEntry(uint32_t id);
    // Looks up entries 1 ... n; entries cleared to ID 0 never match.
    const ContactTableEntry* findTableEntry(uint32_t id) const;
    const std::vector<ContactTableEntry>& table() const { return table_; }

    // --- contacts and groups ---
    // Takes the stored contacts and layout of a user. Members without a
    // stored contact are skipped; members of the last group are black-listed;
    // contacts in no group are strangers (the layout never keeps strangers).
    void load(std::vector<Contact> contacts, const store::COutbarLayout& layout);
    // The layout to store: colours and icon mode are the caller's.
    store::COutbarLayout layout(const store::COutbarLayout& look) const;
    void clear();

    Contact* findContact(uint32_t id) const;
    const std::vector<ContactGroup>& groups() const { return groups_; }
    std::size_t groupCount() const { return groups_.size(); }
    // Index of the group that shows `contact`, or nullopt.
    std::optional<std::size_t> groupOf(const Contact& contact) const;
    bool isSpecialGroup(std::size_t index) const { return index + 2 >= groups_.size(); }
    // The strangers' group: the one before the black list.
    std::optional<std::size_t> strangersGroup() const;

    // Adds or updates a contact from the server. An existing contact gets the
    // new nickname and presence but keeps its face; a new one is created.
    // `created` tells the caller to store it.
    Contact& mergeContact(uint32_t id, const std::string& nickname, uint16_t face, bool online,
                          std::size_t groupIndex, bool* created = nullptr);

    // Presence notices. Null / empty reaction when the contact is unknown or
    // the presence is neither online nor away.
    std::optional<OnlineReaction> onContactOnline(uint32_t id, uint8_t presence, uint32_t extra1,
                                                  uint16_t extra2, uint32_t extra3);
    bool onContactOffline(uint32_t id);
    // Every contact offline with its extras cleared, as when the own status goes offline.
    void setAllOffline();

    // Moves a contact into a group (sorting it there). Into the black list
    // its category becomes 2, into the strangers 1; otherwise it is unchanged.
    void moveContact(Contact& contact, std::size_t targetGroup);
    // Takes a contact out of every group and destroys it.
    void removeContact(uint32_t id);
    // False when there is no such group.
    bool renameGroup(std::size_t index, std::string name);
    // Why a group cannot be deleted. The strangers, the black list and the
    // last ordinary group must stay: a list without them reads as damaged.
    enum class KeepGroup { HasMembers, MustStay };
    std::optional<KeepGroup> whyKeepGroup(std::size_t index) const;
    // Deletes a group unless it must be kept; false then.
    bool removeGroup(std::size_t index);

    // Sorts one group: online, then away, then offline; by nickname, then ID.
    void sortGroup(std::size_t index);
    bool before(const Contact& a, const Contact& b) const;

    // Contacts that are shown: all, or only those not offline.
    std::vector<Contact*> visibleMembers(std::size_t group, bool onlineOnly) const;

  private:
    void insertSorted(std::size_t groupIndex, Contact* contact);
    void detach(const Contact& contact);

    NicknameCompare compare_;
    std::vector<ContactTableEntry> table_;
    std::vector<std::unique_ptr<Contact>> contacts_;
    std::vector<ContactGroup> groups_;
};

}  // namespace zemra::client
