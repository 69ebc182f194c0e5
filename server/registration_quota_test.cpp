#include "server/registration_quota.h"

#include <gtest/gtest.h>

namespace zemra::server {
namespace {

using namespace std::chrono_literals;

TEST(RegistrationQuotaTest, TwentyAtOnceThenOneEveryThreeMinutesPerAddress) {
    RegistrationQuota quota(20);
    auto now = RegistrationQuota::Clock::now();
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(quota.take(1, now)) << i;
    EXPECT_FALSE(quota.take(1, now));
    EXPECT_TRUE(quota.take(2, now));  // another address has its own
    EXPECT_FALSE(quota.take(1, now + 179s));
    EXPECT_TRUE(quota.take(1, now + 181s));
    EXPECT_FALSE(quota.take(1, now + 182s));
    // An hour later the whole quota is back.
    now += 181s + 1h;
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(quota.take(1, now)) << i;
    EXPECT_FALSE(quota.take(1, now));
}

TEST(RegistrationQuotaTest, AddressesQuietForAnHourAreForgotten) {
    RegistrationQuota quota(20);
    auto now = RegistrationQuota::Clock::now();
    for (uint32_t address = 1; address <= 5000; ++address) quota.take(address, now);
    now += 1h;
    for (uint32_t address = 10001; address <= 15000; ++address) quota.take(address, now);
    EXPECT_LT(quota.trackedAddresses(), 10000u);
}

}  // namespace
}  // namespace zemra::server
