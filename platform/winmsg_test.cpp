#include "platform/winmsg.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace zemra {
namespace {

struct Posted {
    uintptr_t window;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

struct Recorder {
    std::mutex mutex;
    std::vector<Posted> posted;
    std::vector<std::pair<std::string, std::string>> boxes;
    BitmapInfoHeader lastHeader;
    int lastRect[4] = {};
    uint8_t firstPixel = 0;
};

void recordMessage(uintptr_t w, uint32_t m, uintptr_t wp, intptr_t lp, void* ctx) {
    auto* r = static_cast<Recorder*>(ctx);
    std::lock_guard lock(r->mutex);
    r->posted.push_back({w, m, wp, lp});
}

void recordPicture(uintptr_t, int x, int y, int w, int h, const uint8_t* header, const void* bits,
                   void* ctx) {
    auto* r = static_cast<Recorder*>(ctx);
    r->lastHeader = *BitmapInfoHeader::readFrom(std::span(header, BitmapInfoHeader::kSize));
    r->lastRect[0] = x;
    r->lastRect[1] = y;
    r->lastRect[2] = w;
    r->lastRect[3] = h;
    r->firstPixel = *static_cast<const uint8_t*>(bits);
}

void recordBox(const char* text, const char* caption, void* ctx) {
    static_cast<Recorder*>(ctx)->boxes.emplace_back(text, caption);
}

class WinMsgTest : public ::testing::Test {
  protected:
    void TearDown() override {
        zemra_set_window_message_sink(nullptr, nullptr);
        zemra_set_picture_sink(nullptr, nullptr);
        zemra_set_message_box_sink(nullptr, nullptr);
    }
    Recorder recorder;
};

TEST_F(WinMsgTest, EverythingReachesTheInstalledSinksUnchanged) {
    postWindowMessage(1, 2, 3, 4);  // no sink yet: dropped
    zemra_set_window_message_sink(recordMessage, &recorder);
    zemra_set_picture_sink(recordPicture, &recorder);
    zemra_set_message_box_sink(recordBox, &recorder);

    postWindowMessage(0xABCD, kWmUser + 1101, 5000, -1);
    ASSERT_EQ(recorder.posted.size(), 1u);
    EXPECT_EQ(recorder.posted[0].window, 0xABCDu);
    EXPECT_EQ(recorder.posted[0].message, 0x400u + 1101);
    EXPECT_EQ(recorder.posted[0].wParam, 5000u);
    EXPECT_EQ(recorder.posted[0].lParam, -1);

    BitmapInfoHeader h;
    h.width = 2;
    h.height = 2;
    h.bitCount = 24;
    const uint8_t pixels[16] = {0x7F};
    drawPicture(0xABCD, 10, 20, 352, 288, h, pixels);
    EXPECT_EQ(recorder.lastHeader, h);
    EXPECT_EQ(recorder.lastRect[2], 352);
    EXPECT_EQ(recorder.firstPixel, 0x7F);

    showMessageBox("语音库加载失败,请检查安装程序", "zemra");
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].first, "语音库加载失败,请检查安装程序");
    EXPECT_EQ(recorder.boxes[0].second, "zemra");

    zemra_set_window_message_sink(nullptr, nullptr);
    postWindowMessage(1, 2, 3, 4);
    EXPECT_EQ(recorder.posted.size(), 1u);
}

TEST_F(WinMsgTest, PostingFromManyThreadsLosesNothing) {
    zemra_set_window_message_sink(recordMessage, &recorder);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 1000; ++i) postWindowMessage(t, 1524, i, 0);
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(recorder.posted.size(), 4000u);
}

}  // namespace
}  // namespace zemra
