// A user's profile: registration, changing one's own details, and the
// public details the server hands out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/packet.h"

namespace zemra::protocol {

// Visibility of the contact details.
inline constexpr uint16_t kVisibilityPublic = 0;
inline constexpr uint16_t kVisibilityFriends = 1;
inline constexpr uint16_t kVisibilityPrivate = 2;

// PT_REGISTER and PT_SET_DETAILS share one layout. Texts are GBK; the
// comments give the longest text each field carries.
struct UserProfile {
    uint32_t userId = 0;   // not sent when registering (the server assigns one)
    std::string nickname;  // 10
    uint16_t face = 0;
    std::string email;     // 30
    uint16_t gender = 0;   // index: 0 male, 1 female
    std::string province;  // 19
    std::string city;      // 14
    std::string phone;     // 15
    uint16_t age = 0;
    uint16_t visibility = kVisibilityPublic;
    std::string password;     // 10
    std::string country;      // 19
    std::string homePage;     // 20
    std::string description;  // 40
    std::string localIp;      // dotted text; registration only

    bool operator==(const UserProfile&) const = default;
};

inline constexpr std::size_t kProfileSize = 272;
// Writes user ID 0 whatever `profile` holds.
std::vector<uint8_t> buildRegister(const UserProfile& profile);
// Leaves the tail from offset 237 (local IP included) zero.
std::vector<uint8_t> buildSetDetails(const UserProfile& profile);
UserProfile parseProfile(PacketView packet);

// PT_DETAILS: a user's public details. Texts as in UserProfile.
struct UserDetails {
    uint32_t userId = 0;
    std::string nickname;
    uint16_t face = 0;
    std::string email;
    uint16_t gender = 0;
    std::string province;
    std::string city;
    std::string phone;
    uint16_t age = 0;
    std::string country;
    std::string homePage;
    std::string description;

    bool operator==(const UserDetails&) const = default;
};

inline constexpr std::size_t kDetailsSize = 272;
std::vector<uint8_t> buildDetails(const UserDetails& details);
UserDetails parseDetails(PacketView packet);

}  // namespace zemra::protocol
