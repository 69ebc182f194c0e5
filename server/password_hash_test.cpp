#include "server/password_hash.h"

#include <gtest/gtest.h>

namespace zemra::server {
namespace {

// SHA-256("0123456789abcdef" + "secret"), as the store kept passwords before.
StoredPassword oldForm() {
    const char digest[] =
        "\xc5\x31\x0e\x3d\x1e\x58\x23\xef\x77\xce\x3a\x58\x04\x98\x8a\x72"
        "\xfc\x60\xc3\x07\xa0\xc8\x95\x9f\x34\x61\xe2\x02\xe4\xa8\xd8\x14";
    return {"0123456789abcdef", std::string(digest, 32)};
}

TEST(PasswordHashTest, NewPasswordsAreSaltedArgon2idStringsOfTheChosenCost) {
    const std::string first = hashPassword("secret");
    EXPECT_TRUE(first.starts_with("$argon2id$v=19$m=19456,t=2,p=1$")) << first;
    EXPECT_NE(hashPassword("secret"), first);  // a fresh salt each time
    EXPECT_TRUE(verifyPassword({"", first}, "secret"));
    EXPECT_FALSE(verifyPassword({"", first}, "Secret"));
    EXPECT_FALSE(verifyPassword({"", first}, ""));
    EXPECT_FALSE(passwordNeedsRehash({"", first}));
    // GBK bytes and the longest password the login packet carries.
    const std::string gbk = "\xC3\xDC\xC2\xEB\x31\x32\x33\x34\x35\x36";
    EXPECT_TRUE(verifyPassword({"", hashPassword(gbk)}, gbk));
}

TEST(PasswordHashTest, OldSaltedSha256FormsStillVerifyAndAskToBeRehashed) {
    EXPECT_TRUE(verifyPassword(oldForm(), "secret"));
    EXPECT_FALSE(verifyPassword(oldForm(), "secreT"));
    EXPECT_FALSE(verifyPassword({"other salt", oldForm().hash}, "secret"));
    EXPECT_TRUE(passwordNeedsRehash(oldForm()));
    // Argon2id of another cost is replaced as well.
    const std::string cheaper =
        "$argon2id$v=19$m=8192,t=3,p=1$3i7Qt788G3zkub8SOYYCEg$"
        "/V7TsAeavFR1UPG41ImcvwS5Ga70S5S4SEonFdK6rQ0";
    EXPECT_TRUE(passwordNeedsRehash({"", cheaper}));
}

TEST(PasswordHashTest, AnAccountWithoutPasswordOrWithGarbageStoredLetsNobodyIn) {
    EXPECT_FALSE(verifyPassword({"", ""}, ""));
    EXPECT_FALSE(verifyPassword({"", "$argon2id$v=19$garbage"}, "secret"));
    EXPECT_FALSE(verifyPassword({"salt", "short"}, "secret"));
    EXPECT_FALSE(passwordNeedsRehash({"", ""}));
}

}  // namespace
}  // namespace zemra::server
