#include "protocol/profile_packets.h"

namespace zemra::protocol {
namespace {

// Field sizes include the NUL; where the width is not fixed by the layout
// the text may run up to the prefix byte of the next field.
constexpr std::size_t kNicknameSize = 11;
constexpr std::size_t kEmailSize = 31;
constexpr std::size_t kProvinceSize = 20;
constexpr std::size_t kCitySize = 15;
constexpr std::size_t kPhoneSize = 16;
constexpr std::size_t kCountrySize = 20;
constexpr std::size_t kHomePageSize = 21;
constexpr std::size_t kDescriptionSize = 41;

// Fields common to the profile and the details.
constexpr std::size_t kUserId = 24;
constexpr TextField kNickname{29, kNicknameSize};
constexpr std::size_t kFace = 40;
constexpr TextField kEmail{43, kEmailSize};
constexpr std::size_t kGender = 74;
constexpr TextField kProvince{77, kProvinceSize};
constexpr TextField kCity{98, kCitySize};
constexpr TextField kPhone{119, kPhoneSize};
constexpr std::size_t kAge = 136;

// PT_REGISTER and PT_SET_DETAILS only.
constexpr std::size_t kProfileVisibility = 140;
constexpr TextField kProfilePassword{143, 11};
constexpr TextField kProfileCountry{154, kCountrySize};
constexpr TextField kProfileHomePage{175, kHomePageSize};
constexpr TextField kProfileDescription{196, kDescriptionSize};
constexpr TextField kProfileLocalIp{253, 16};

// PT_DETAILS only.
constexpr TextField kDetailsCountry{139, kCountrySize};
constexpr TextField kDetailsHomePage{160, kHomePageSize};
constexpr TextField kDetailsDescription{181, kDescriptionSize};

PacketBuilder buildProfile(uint16_t type, uint32_t userId, const UserProfile& profile) {
    PacketBuilder packet(type, kProfileSize);
    packet.u32(kUserId, userId);
    packet.text(kNickname, profile.nickname);
    packet.u16(kFace, profile.face);
    packet.text(kEmail, profile.email);
    packet.u16(kGender, profile.gender);
    packet.text(kProvince, profile.province);
    packet.text(kCity, profile.city);
    packet.text(kPhone, profile.phone);
    packet.u16(kAge, profile.age);
    packet.u16(kProfileVisibility, profile.visibility);
    packet.text(kProfilePassword, profile.password);
    packet.text(kProfileCountry, profile.country);
    packet.text(kProfileHomePage, profile.homePage);
    packet.text(kProfileDescription, profile.description);
    return packet;
}

}  // namespace

std::vector<uint8_t> buildRegister(const UserProfile& profile) {
    PacketBuilder packet = buildProfile(PT_REGISTER, 0, profile);
    packet.text(kProfileLocalIp, profile.localIp);
    return std::move(packet).take();
}

std::vector<uint8_t> buildSetDetails(const UserProfile& profile) {
    return buildProfile(PT_SET_DETAILS, profile.userId, profile).take();
}

UserProfile parseProfile(PacketView packet) {
    UserProfile profile;
    profile.userId = packet.u32(kUserId);
    profile.nickname = packet.text(kNickname);
    profile.face = packet.u16(kFace);
    profile.email = packet.text(kEmail);
    profile.gender = packet.u16(kGender);
    profile.province = packet.text(kProvince);
    profile.city = packet.text(kCity);
    profile.phone = packet.text(kPhone);
    profile.age = packet.u16(kAge);
    profile.visibility = packet.u16(kProfileVisibility);
    profile.password = packet.text(kProfilePassword);
    profile.country = packet.text(kProfileCountry);
    profile.homePage = packet.text(kProfileHomePage);
    profile.description = packet.text(kProfileDescription);
    profile.localIp = packet.text(kProfileLocalIp);
    return profile;
}

std::vector<uint8_t> buildDetails(const UserDetails& details) {
    PacketBuilder packet(PT_DETAILS, kDetailsSize);
    packet.u32(kUserId, details.userId);
    packet.text(kNickname, details.nickname);
    packet.u16(kFace, details.face);
    packet.text(kEmail, details.email);
    packet.u16(kGender, details.gender);
    packet.text(kProvince, details.province);
    packet.text(kCity, details.city);
    packet.text(kPhone, details.phone);
    packet.u16(kAge, details.age);
    packet.text(kDetailsCountry, details.country);
    packet.text(kDetailsHomePage, details.homePage);
    packet.text(kDetailsDescription, details.description);
    return std::move(packet).take();
}

UserDetails parseDetails(PacketView packet) {
    UserDetails details;
    details.userId = packet.u32(kUserId);
    details.nickname = packet.text(kNickname);
    details.face = packet.u16(kFace);
    details.email = packet.text(kEmail);
    details.gender = packet.u16(kGender);
    details.province = packet.text(kProvince);
    details.city = packet.text(kCity);
    details.phone = packet.text(kPhone);
    details.age = packet.u16(kAge);
    details.country = packet.text(kDetailsCountry);
    details.homePage = packet.text(kDetailsHomePage);
    details.description = packet.text(kDetailsDescription);
    return details;
}

}  // namespace zemra::protocol
