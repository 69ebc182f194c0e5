#include "client/store/trace_log.h"

#include <gtest/gtest.h>

#include <regex>

#include "platform/testing/temp_dir.h"
#include "platform/text.h"

namespace zemra::store {
namespace {

using testing::readFile;
using testing::writeFile;

std::string localStamp(std::time_t when) {
    std::tm t{};
    localtime_r(&when, &t);
    char buffer[64];
    return std::string(buffer, std::strftime(buffer, sizeof buffer, "%Y_%m_%d_%H_%M_%S", &t));
}

class TraceLogTest : public ::testing::Test {
  protected:
    zemra::testing::TempDir tmp_;
    std::filesystem::path dir_ = tmp_.path();

    std::filesystem::path file() const { return dir_ / "trace.txt"; }
};

TEST_F(TraceLogTest, OpeningWritesTheStartLine) {
    const std::time_t when = 1066200307;
    TraceLog trace;
    ASSERT_TRUE(trace.open(file(), when));
    EXPECT_TRUE(trace.isOn());
    EXPECT_EQ(readFile(file()), localStamp(when) + "\r\n");
    EXPECT_TRUE(
        std::regex_match(readFile(file()), std::regex(R"(\d{4}_\d\d_\d\d_\d\d_\d\d_\d\d\r\n)")));
}

TEST_F(TraceLogTest, DeviceLinesInGbk) {
    TraceLog trace;
    ASSERT_TRUE(trace.open(file(), 0));
    const std::size_t start = readFile(file()).size();
    trace.storedVideoDevice(3);
    trace.usedVideoDevice(0);
    trace.audioDevices(1, "USB 麦克风", 0, "default");
    EXPECT_EQ(readFile(file()).substr(start), text::toGbk("系统保存当前使用视频设备号3\r\n"
                                                          "实际当前使用视频设备号0\r\n"
                                                          "您当前使用输入设备号1 名称USB 麦克风\r\n"
                                                          " 播放设备号0 名称default\r\n"));
}

TEST_F(TraceLogTest, RestartAppendsANewStartLine) {
    writeFile(file(), "earlier\r\n");
    {
        TraceLog trace;
        ASSERT_TRUE(trace.open(file(), 1000));
        trace.usedVideoDevice(-1);
    }
    TraceLog trace;
    ASSERT_TRUE(trace.open(file(), 2000));
    trace.close();
    EXPECT_EQ(readFile(file()), "earlier\r\n" + localStamp(1000) + "\r\n" +
                                    text::toGbk("实际当前使用视频设备号-1\r\n") + localStamp(2000) +
                                    "\r\n");
}

TEST_F(TraceLogTest, TwoOpenInstancesBothAppendAtTheEnd) {
    TraceLog first;
    TraceLog second;
    ASSERT_TRUE(first.open(file(), 0));
    ASSERT_TRUE(second.open(file(), 0));
    first.write("one\r\n");
    second.write("two\r\n");
    first.write("three\r\n");
    const std::string stamp = localStamp(0) + "\r\n";
    EXPECT_EQ(readFile(file()), stamp + stamp + "one\r\ntwo\r\nthree\r\n");
}

TEST_F(TraceLogTest, WithoutAFileTracingIsOff) {
    TraceLog trace;
    EXPECT_FALSE(trace.open(dir_ / "missing" / "trace.txt", 0));
    EXPECT_FALSE(trace.isOn());
    trace.storedVideoDevice(1);
    trace.usedVideoDevice(1);
    trace.audioDevices(0, "a", 0, "b");
    trace.write("x");
    trace.close();
    EXPECT_FALSE(std::filesystem::exists(dir_ / "missing"));

    TraceLog never;
    never.storedVideoDevice(1);
    EXPECT_FALSE(never.isOn());
}

TEST_F(TraceLogTest, NothingIsWrittenAfterClose) {
    TraceLog trace;
    ASSERT_TRUE(trace.open(file(), 0));
    trace.close();
    const std::string before = readFile(file());
    trace.storedVideoDevice(2);
    EXPECT_EQ(readFile(file()), before);
}

}  // namespace
}  // namespace zemra::store
