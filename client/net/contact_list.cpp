#include "contact_list.h"

#include <algorithm>

namespace zemra::client {
namespace {

// Online before away before offline; other values have no rank.
std::optional<int> presenceRank(Presence presence) {
    switch (presence) {
        case Presence::Online:
            return 0;
        case Presence::Away:
            return 1;
        case Presence::Offline:
            return 2;
    }
    return std::nullopt;
}

}  // namespace

ContactList::ContactList(NicknameCompare compare) : compare_(std::move(compare)) {}

void ContactList::clearTableEntry(uint32_t id) {
    for (std::size_t i = 1; i < table_.size(); ++i) {
        if (table_[i].userId == id) table_[i].userId = 0;
    }
}

const ContactTableEntry* ContactList::findTableEntry(uint32_t id) const {
    if (id == 0) return nullptr;
    for (std::size_t i = 1; i < table_.size(); ++i) {
        if (table_[i].userId == id) return &table_[i];
    }
    return nullptr;
}

void ContactList::clear() {
    groups_.clear();
    contacts_.clear();
    table_.clear();
}

void ContactList::load(std::vector<Contact> contacts, const store::COutbarLayout& layout) {
    groups_.clear();
    contacts_.clear();
    for (Contact& c : contacts) {
        if (findContact(c.id)) continue;  // one object per ID
        c.presence = Presence::Offline;
        c.category = ContactCategory::Ordinary;
        contacts_.push_back(std::make_unique<Contact>(std::move(c)));
    }
    for (const auto& stored : layout.groups) groups_.push_back(ContactGroup{stored.name, {}});
    for (std::size_t g = 0; g < layout.groups.size(); ++g) {
        for (uint32_t id : layout.groups[g].members) {
            Contact* contact = findContact(id);
            if (!contact || groupOf(*contact)) continue;
            contact->category = g + 1 == groups_.size() && groups_.size() >= kStandardGroupCount
                                    ? ContactCategory::Blacklisted
                                    : ContactCategory::Ordinary;
            groups_[g].members.push_back(contact);
        }
    }
    // Strangers are not kept in the layout (and a damaged layout may have
    // lost members): whoever is in no group is a stranger, never a friend.
    if (const auto strangers = strangersGroup()) {
        for (const auto& contact : contacts_) {
            if (groupOf(*contact)) continue;
            contact->category = ContactCategory::Stranger;
            groups_[*strangers].members.push_back(contact.get());
        }
    }
    for (std::size_t g = 0; g < groups_.size(); ++g) sortGroup(g);
}

store::COutbarLayout ContactList::layout(const store::COutbarLayout& look) const {
    store::COutbarLayout out;
    out.backColor = look.backColor;
    out.textColor = look.textColor;
    out.iconMode = look.iconMode;
    for (const ContactGroup& group : groups_) {
        store::COutbarLayout::Group stored{group.name, {}};
        for (const Contact* member : group.members) stored.members.push_back(member->id);
        out.groups.push_back(std::move(stored));
    }
    return out;
}

Contact* ContactList::findContact(uint32_t id) const {
    for (const auto& contact : contacts_) {
        if (contact->id == id) return contact.get();
    }
    return nullptr;
}

std::optional<std::size_t> ContactList::groupOf(const Contact& contact) const {
    for (std::size_t g = 0; g < groups_.size(); ++g) {
        const auto& members = groups_[g].members;
        if (std::find(members.begin(), members.end(), &contact) != members.end()) return g;
    }
    return std::nullopt;
}

Contact& ContactList::mergeContact(uint32_t id, const std::string& nickname, uint16_t face,
                                   bool online, std::size_t groupIndex, bool* created) {
    Contact* contact = findContact(id);
    if (created) *created = contact == nullptr;
    if (contact) {
        detach(*contact);
        contact->nickname = nickname;
    } else {
        auto fresh = std::make_unique<Contact>();
        fresh->id = id;
        fresh->nickname = nickname;
        fresh->face = static_cast<uint8_t>(std::min<uint16_t>(face, 84));
        contact = fresh.get();
        contacts_.push_back(std::move(fresh));
    }
    contact->presence = online ? Presence::Online : Presence::Offline;
    // A relation code that names no group of ours puts the contact with the friends.
    if (groups_.empty()) groups_.push_back(ContactGroup{});
    if (groupIndex >= groups_.size()) groupIndex = 0;
    moveContact(*contact, groupIndex);
    if (groupIndex < groups_.size() - std::min<std::size_t>(2, groups_.size())) {
        contact->category = ContactCategory::Ordinary;
    }
    return *contact;
}

std::optional<OnlineReaction> ContactList::onContactOnline(uint32_t id, uint8_t presence,
                                                           uint32_t extra1, uint16_t extra2,
                                                           uint32_t extra3) {
    if (presence != static_cast<uint8_t>(Presence::Online) &&
        presence != static_cast<uint8_t>(Presence::Away)) {
        return std::nullopt;
    }
    Contact* contact = findContact(id);
    if (!contact) return std::nullopt;
    contact->presenceExtra1 = extra1;
    contact->presenceExtra2 = extra2;
    contact->presenceExtra3 = extra3;
    contact->presence = static_cast<Presence>(presence);
    if (const auto group = groupOf(*contact)) sortGroup(*group);

    OnlineReaction reaction;
    reaction.contact = contact;
    reaction.goInvisible = contact->hasOption(store::kContactGoInvisibleWhenOnline);
    if (contact->hasOption(store::kContactGreetWhenOnline)) reaction.greeting = contact->greeting;
    return reaction;
}

bool ContactList::onContactOffline(uint32_t id) {
    Contact* contact = findContact(id);
    if (!contact) return false;
    contact->presence = Presence::Offline;
    contact->presenceExtra1 = 0;
    contact->presenceExtra2 = 0;
    if (const auto group = groupOf(*contact)) sortGroup(*group);
    return true;
}

void ContactList::setAllOffline() {
    for (const auto& contact : contacts_) {
        contact->presence = Presence::Offline;
        contact->presenceExtra1 = 0;
        contact->presenceExtra2 = 0;
        contact->presenceExtra3 = 0;
    }
    for (std::size_t g = 0; g < groups_.size(); ++g) sortGroup(g);
}

void ContactList::moveContact(Contact& contact, std::size_t targetGroup) {
    if (targetGroup >= groups_.size()) return;
    detach(contact);
    if (targetGroup + 1 == groups_.size() && groups_.size() >= 2) {
        contact.category = ContactCategory::Blacklisted;
    } else if (targetGroup + 2 == groups_.size()) {
        contact.category = ContactCategory::Stranger;
    }
    insertSorted(targetGroup, &contact);
}

void ContactList::removeContact(uint32_t id) {
    Contact* contact = findContact(id);
    if (!contact) return;
    detach(*contact);
    std::erase_if(contacts_, [contact](const auto& owned) { return owned.get() == contact; });
}

bool ContactList::renameGroup(std::size_t index, std::string name) {
    if (index >= groups_.size()) return false;
    groups_[index].name = std::move(name);
    return true;
}

std::optional<std::size_t> ContactList::strangersGroup() const {
    if (groups_.size() < kStandardGroupCount) return std::nullopt;
    return groups_.size() - 2;
}

std::optional<ContactList::KeepGroup> ContactList::whyKeepGroup(std::size_t index) const {
    if (index >= groups_.size() || isSpecialGroup(index) || groups_.size() <= kStandardGroupCount) {
        return KeepGroup::MustStay;
    }
    if (!groups_[index].members.empty()) return KeepGroup::HasMembers;
    return std::nullopt;
}

bool ContactList::removeGroup(std::size_t index) {
    if (whyKeepGroup(index)) return false;
    groups_.erase(groups_.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

bool ContactList::before(const Contact& a, const Contact& b) const {
    const auto rankA = presenceRank(a.presence);
    const auto rankB = presenceRank(b.presence);
    if (a.presence != b.presence && rankA && rankB) return *rankA < *rankB;
    const int byName = compare_(a.nickname, b.nickname);
    if (byName != 0) return byName < 0;
    return a.id < b.id;
}

void ContactList::sortGroup(std::size_t index) {
    if (index >= groups_.size()) return;
    auto& members = groups_[index].members;
    std::stable_sort(members.begin(), members.end(),
                     [this](const Contact* a, const Contact* b) { return before(*a, *b); });
}

std::vector<Contact*> ContactList::visibleMembers(std::size_t group, bool onlineOnly) const {
    if (group >= groups_.size()) return {};
    std::vector<Contact*> shown;
    for (Contact* member : groups_[group].members) {
        if (!onlineOnly || member->presence != Presence::Offline) shown.push_back(member);
    }
    return shown;
}

void ContactList::insertSorted(std::size_t groupIndex, Contact* contact) {
    auto& members = groups_[groupIndex].members;
    const auto at =
        std::upper_bound(members.begin(), members.end(), contact,
                         [this](const Contact* a, const Contact* b) { return before(*a, *b); });
    members.insert(at, contact);
}

void ContactList::detach(const Contact& contact) {
    for (ContactGroup& group : groups_) std::erase(group.members, &contact);
}

}  // namespace zemra::client
