// The interface through which the packet dispatcher and the secondary
// windows reach the client core, in the order its operations have always had.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "client/store/chat_message.h"
#include "client/store/user_records.h"
#include "protocol/contact_packets.h"

namespace zemra::client {

// Outcomes of an add-friend request, as reported to the add-friend window.
enum class AddResult : int { Added = 0, NeedsAuthentication = 1, Refused = 2 };

class ClientEvents {
  public:
    // The contact with that ID, or the own record for 0; null when unknown.
    virtual const store::CUserInfo* contactOrSelf(uint32_t id) const = 0;
    // Index into the shared face image lists: face + variant * 85.
    virtual int faceImage(int face, int variant) const { return face + variant * 85; }
    virtual void createFacePopup(int picture, const std::string& text, int style) = 0;
    virtual ~ClientEvents() = default;
    virtual void onMessage(const store::ChatMessage& message) = 0;
    virtual void onRegistered(uint32_t newId) = 0;
    virtual void onWizardContacts(const std::vector<protocol::ContactRecord>& contacts) = 0;
    // 0 accepted, otherwise the refusal code (1 wrong ID or password, 10 upgrade, 4, 5).
    virtual void onLoginResult(int code, int value) = 0;
    virtual void onContactChanged(const store::Contact& contact) = 0;
    virtual void storeOwnRecord() = 0;
    virtual void onContactOnline(uint32_t id, uint8_t presence, uint32_t extra1, uint16_t extra2,
                                 uint32_t extra3, bool quiet) = 0;
    virtual void onContactOffline(uint32_t id) = 0;
    virtual void onContactStatus(uint32_t id, uint8_t presence) = 0;
    // `id` 0 reports a refusal or an authentication demand without a contact.
    virtual void onContactAdded(uint32_t id, AddResult result) = 0;
    virtual void notifyWindowFor(uint32_t id) = 0;
};

}  // namespace zemra::client
