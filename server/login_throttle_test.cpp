#include "server/login_throttle.h"

#include <gtest/gtest.h>

namespace zemra::server {
namespace {

using namespace std::chrono_literals;
using Clock = LoginThrottle::Clock;

constexpr uint32_t kGuesser = 0x0A000001;
constexpr uint32_t kOwnerHome = 0x0A000002;
constexpr uint32_t kOtherGuesser = 0x0A000003;
constexpr uint32_t kAccount = 1000;
constexpr uint32_t kOtherAccount = 1001;

class LoginThrottleTest : public ::testing::Test {
  protected:
    void fail(uint32_t address, uint32_t account, int times = 1) {
        for (int i = 0; i < times; ++i) throttle.failed(address, account, now);
    }

    LoginThrottle throttle;
    Clock::time_point now = Clock::now();
};

TEST_F(LoginThrottleTest, HoldsAnAddressBackLongerWithEveryFailureUpToTheCap) {
    fail(kGuesser, kAccount, LoginThrottle::kFreeFailures - 1);
    EXPECT_TRUE(throttle.mayTry(kGuesser, kAccount, now));
    fail(kGuesser, kAccount);
    EXPECT_FALSE(throttle.mayTry(kGuesser, kAccount, now));
    // Every account is closed to a held-back address, not only the guessed one.
    EXPECT_FALSE(throttle.mayTry(kGuesser, kOtherAccount, now));
    EXPECT_FALSE(throttle.mayTry(kGuesser, 0, now + 1999ms));
    EXPECT_TRUE(throttle.mayTry(kGuesser, kOtherAccount, now + 2s));

    now += 2s;
    fail(kGuesser, kAccount);
    EXPECT_FALSE(throttle.mayTry(kGuesser, kOtherAccount, now + 3999ms));
    EXPECT_TRUE(throttle.mayTry(kGuesser, kOtherAccount, now + 4s));

    for (int failures = LoginThrottle::kFreeFailures + 2; failures < 40; ++failures) {
        now += 1s;
        fail(kGuesser, kAccount);
    }
    EXPECT_FALSE(throttle.mayTry(kGuesser, kOtherAccount, now + LoginThrottle::kMaxHold - 1s));
    EXPECT_TRUE(throttle.mayTry(kGuesser, kOtherAccount, now + LoginThrottle::kMaxHold));

    EXPECT_EQ(LoginThrottle::holdAfter(LoginThrottle::kFreeFailures - 1), 0s);
    EXPECT_EQ(LoginThrottle::holdAfter(LoginThrottle::kFreeFailures), 2s);
    EXPECT_EQ(LoginThrottle::holdAfter(LoginThrottle::kFreeFailures + 3), 16s);
    EXPECT_EQ(LoginThrottle::holdAfter(1000), LoginThrottle::kMaxHold);
}

TEST_F(LoginThrottleTest, AHeldAccountStaysOpenToAddressesThatHaveNotFailedOnIt) {
    // Guesses spread over several addresses still add up on the account.
    fail(kGuesser, kAccount, 3);
    fail(kOtherGuesser, kAccount, 2);
    EXPECT_TRUE(throttle.mayTry(kGuesser, kOtherAccount, now));
    EXPECT_FALSE(throttle.mayTry(kGuesser, kAccount, now));
    EXPECT_FALSE(throttle.mayTry(kOtherGuesser, kAccount, now));
    // The owner, from an address of his own, is never locked out.
    EXPECT_TRUE(throttle.mayTry(kOwnerHome, kAccount, now));
    // One miss from there and that address waits too.
    fail(kOwnerHome, kAccount);
    EXPECT_FALSE(throttle.mayTry(kOwnerHome, kAccount, now));
    EXPECT_TRUE(throttle.mayTry(kOwnerHome, kOtherAccount, now));

    // Getting in clears the account, not the guessers' addresses.
    throttle.succeeded(kAccount);
    EXPECT_TRUE(throttle.mayTry(kOwnerHome, kAccount, now));
    fail(kGuesser, kOtherAccount, 2);
    EXPECT_FALSE(throttle.mayTry(kGuesser, kAccount, now));
}

TEST_F(LoginThrottleTest, FailuresAreForgottenAfterAQuietHour) {
    fail(kGuesser, kAccount, LoginThrottle::kFreeFailures - 1);
    now += LoginThrottle::kForgetAfter;
    fail(kGuesser, kAccount);
    EXPECT_TRUE(throttle.mayTry(kGuesser, kAccount, now));
    fail(kGuesser, kAccount, LoginThrottle::kFreeFailures - 1);
    EXPECT_FALSE(throttle.mayTry(kGuesser, kAccount, now));
}

TEST_F(LoginThrottleTest, PasswordChecksRunningAtOnceAreLimitedPerAddress) {
    for (int i = 0; i < LoginThrottle::kMaxChecksPerAddress; ++i) {
        ASSERT_TRUE(throttle.mayStartCheck(kGuesser));
        throttle.checkStarted(kGuesser);
    }
    EXPECT_FALSE(throttle.mayStartCheck(kGuesser));
    EXPECT_TRUE(throttle.mayStartCheck(kOwnerHome));
    throttle.checkEnded(kGuesser);
    EXPECT_TRUE(throttle.mayStartCheck(kGuesser));
}

TEST_F(LoginThrottleTest, AddressesFromAWideGuessingRunAreForgottenInTime) {
    for (uint32_t address = 1; address <= 5000; ++address) fail(address, 0);
    const std::size_t tracked = throttle.trackedAddresses();
    EXPECT_EQ(tracked, 5000u);
    now += LoginThrottle::kForgetAfter;
    for (uint32_t address = 10001; address <= 15000; ++address) fail(address, 0);
    EXPECT_LT(throttle.trackedAddresses(), tracked + 5000);
}

}  // namespace
}  // namespace zemra::server
