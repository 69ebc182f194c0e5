#include "client/app/single_instance.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "platform/testing/temp_dir.h"

namespace zemra::client {
namespace {

TEST(SingleInstanceTest, OnePerBaseFolderAndTheSecondWakesTheFirst) {
    testing::TempDir dirA;
    testing::TempDir dirB;

    SingleInstance first(dirA.path());
    ASSERT_TRUE(first.claim());
    int activations = 0;
    QObject::connect(&first, &SingleInstance::activationRequested, [&] { ++activations; });

    SingleInstance second(dirA.path());
    EXPECT_FALSE(second.claim());
    QElapsedTimer clock;
    clock.start();
    while (activations == 0 && clock.elapsed() < 3000) QCoreApplication::processEvents();
    EXPECT_EQ(activations, 1);

    // Another base folder is another client.
    SingleInstance other(dirB.path());
    EXPECT_TRUE(other.claim());
}

}  // namespace
}  // namespace zemra::client
