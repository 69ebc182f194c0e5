// The exported functions, as the client calls them.
#include "include/vidcore.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>

#include "platform/byte_order.h"
#include "platform/testing/ffprobe.h"
#include "platform/testing/temp_dir.h"
#include "sndcore/testing/engine_instance.h"
#include "sndcore/testing/sound_test_support.h"
#include "vidcore/testing/picture_sink.h"
#include "vidcore/testing/udp_socket.h"

namespace zemra::vid {
namespace {

using testing::PictureSink;
using testing::UdpSocket;

// Polls on its own: PictureSink::waitFor still holds its lock when it gives
// up and calls the predicate once more, so a timeout there hangs instead of
// failing.
bool picturesArrive(const PictureSink& sink, uintptr_t window, size_t count,
                    std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (sink.pictureCount(window) < count) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// What ffprobe reads of each stream of a file, by codec type.
std::map<std::string, std::map<std::string, std::string>> streamsByType(
    const std::filesystem::path& file) {
    std::map<std::string, std::map<std::string, std::string>> out;
    for (auto& stream : zemra::testing::probeStreams(file)) out[stream["codec_type"]] = stream;
    return out;
}

class ExportsTest : public ::testing::Test {
  protected:
    void SetUp() override { setenv("ZEMRA_TEST_CAMERA", "1", 1); }
    void TearDown() override {
        CloseAviSelf();
        Set20();
        Set04(0);
        Set02();
        Set12();
    }
    int addPeer(unsigned long id) {
        return Set18(id, static_cast<unsigned>(engine.fd()), static_cast<long>(peer.address()),
                     peer.port(), 0x77, 0, 0, 176, 144, 1);
    }

    PictureSink sink;
    UdpSocket engine{"127.0.0.9"};
    UdpSocket peer{"127.0.0.10"};
};

TEST_F(ExportsTest, PartiesAreRefusedTwiceOrBeyondSixteen) {
    for (unsigned long id = 1; id <= 16; ++id) EXPECT_EQ(addPeer(id), 1) << id;
    EXPECT_EQ(addPeer(17), 0);
    EXPECT_EQ(addPeer(5), 0);
    EXPECT_EQ(Set19(5), 1);
    EXPECT_EQ(Set19(5), 0);
    EXPECT_EQ(addPeer(9), 0);
    EXPECT_EQ(addPeer(17), 1);
    Set20();
    EXPECT_EQ(Set19(1), 0);
    EXPECT_EQ(OpenAvi("/tmp/never.avi", 1), 0);
}

TEST_F(ExportsTest, SendingNeedsARunningCapture) {
    ASSERT_EQ(addPeer(21), 1);
    Set03(20);
    EXPECT_FALSE(peer.receiveData(std::chrono::milliseconds(400)));

    // Camera 5 does not exist: the first camera that opens is taken.
    ASSERT_EQ(Set00(0x70, 216, 58, 176, 144, 1, 5), 1);
    Set03(20);
    const auto d = peer.receiveData(std::chrono::milliseconds(3000));
    ASSERT_TRUE(d);
    EXPECT_EQ((*d)[16], 1);  // a key frame first
    EXPECT_EQ((*d)[8], 20);  // own ID
    Set09(21);               // muted: nothing more arrives
    while (peer.receiveData(std::chrono::milliseconds(100))) {
    }
    EXPECT_FALSE(peer.receiveData(std::chrono::milliseconds(300)));
    Set07(21);
    const auto resumed = peer.receiveData(std::chrono::milliseconds(3000));
    ASSERT_TRUE(resumed);
    EXPECT_EQ((*resumed)[16], 1);
    Set04(0);
    Set02();
    while (peer.receiveData(std::chrono::milliseconds(100))) {
    }
    EXPECT_FALSE(peer.receiveData(std::chrono::milliseconds(300)));
}

TEST_F(ExportsTest, WindowCaptureFallsBackToDriverZero) {
    ASSERT_EQ(Set10(0x71, 0, 0, 176, 144, 1, 5), 1);
    ASSERT_TRUE(sink.waitFor([&] { return sink.pictureCount(0x71) >= 2; }));
    EXPECT_EQ(sink.pictures(0x71)[0].header.width, 176);
    Set15(1);
    Set16(0x72, 0, 0, 88, 72);
    Set15(0);
    ASSERT_TRUE(sink.waitFor([&] { return sink.pictureCount(0x72) >= 2; }));
    EXPECT_EQ(sink.pictures(0x72)[0].width, 88);
    Set12();
    EXPECT_EQ(OpenAviSelf("/nonexistent-folder/own.avi"), nullptr);
}

// Set21 and Set22 stay exported for the client but have no work to do:
// whatever they are handed, preview and sending carry on untouched.
TEST_F(ExportsTest, Set21AndSet22LeaveCaptureAndSendingAloneWhateverTheyAreGiven) {
    using namespace std::chrono_literals;
    constexpr uintptr_t kPreview = 0x70;
    constexpr uintptr_t kNoWindow = UINTPTR_MAX;
    ASSERT_EQ(Set00(kPreview, 216, 58, 176, 144, 1, 5), 1);
    ASSERT_EQ(addPeer(21), 1);
    Set03(20);
    ASSERT_TRUE(picturesArrive(sink, kPreview, 1, 5s));
    ASSERT_TRUE(peer.receiveData(3000ms));

    for (uintptr_t window : {uintptr_t{0}, kPreview, kNoWindow}) {
        Set21(21, window, INT_MIN, INT_MAX, -1, 0, 1);
        Set21(ULONG_MAX, window, INT_MAX, INT_MIN, INT_MAX, INT_MIN, -1);
        Set22(window, INT_MIN, INT_MIN, INT_MAX, INT_MAX);
        Set22(window, -1, -1, -1, -1);
    }
    const auto calledAt = std::chrono::steady_clock::now();
    sink.clear();

    // The preview goes on in its own window and place, nowhere else.
    ASSERT_TRUE(picturesArrive(sink, kPreview, 2, 5s));
    for (const auto& picture : sink.pictures(kPreview)) {
        EXPECT_EQ(picture.x, 216);
        EXPECT_EQ(picture.y, 58);
        EXPECT_EQ(picture.width, 176);
        EXPECT_EQ(picture.height, 144);
    }
    EXPECT_EQ(sink.pictureCount(kNoWindow), 0u);
    EXPECT_EQ(sink.pictureCount(0), 0u);
    EXPECT_TRUE(sink.messageBoxes().empty());

    // The party still gets datagrams sent after the calls, not only what
    // was queued before them, and is still registered.
    bool sentAfterwards = false;
    for (int i = 0; i < 5000 && !sentAfterwards; ++i) {
        if (!peer.receiveData(1000ms)) break;
        sentAfterwards = std::chrono::steady_clock::now() - calledAt > 500ms;
    }
    EXPECT_TRUE(sentAfterwards);
    EXPECT_EQ(addPeer(21), 0);
    EXPECT_EQ(Set19(21), 1);
}

// At start-up the client gives the own ID and stops sending at once,
// camera or not, before any party is added.
TEST_F(ExportsTest, TheOwnIdGivenWithoutACaptureReachesPartiesAddedLater) {
    Set02();
    Set12();
    Set03(77);
    Set04(0);
    ASSERT_EQ(addPeer(21), 1);
    const auto probe = peer.receive(std::chrono::milliseconds(2000));
    ASSERT_TRUE(probe);
    ASSERT_EQ(probe->size(), 28u);
    EXPECT_EQ((*probe)[0], 0x0A);
    EXPECT_EQ(getLe32(probe->data() + 8), 77u);
}

TEST_F(ExportsTest, RecordingsLeaveAnExistingFileTheyCannotContinueAlone) {
    zemra::testing::TempDir dir;
    const auto path = dir / "notes.avi";
    const std::string bytes = "these are somebody's notes, not a recording";
    zemra::testing::writeFile(path, bytes);
    ASSERT_EQ(addPeer(21), 1);
    EXPECT_EQ(OpenAvi(path.c_str(), 21), 0);
    EXPECT_EQ(OpenAviSelf(path.c_str()), nullptr);
    EXPECT_EQ(zemra::testing::readFile(path), bytes);
    const std::pair<std::string, std::string> box = {
        "无法续写录像文件" + path.string() + "，原文件已保留", "录像"};
    EXPECT_EQ(sink.messageBoxes(), (std::vector{box, box}));
}

// The video engine closing its side of the own recording before the audio
// engine has stopped the sound track, or starting another recording, must
// not pull the file from under the audio engine: the sound goes on into
// the file and both recordings end up whole.
TEST_F(ExportsTest, TheSoundTrackOutlivesTheVideoClosingFirst) {
    using namespace std::chrono_literals;
    snd::testing::ScopedEnv microphone("ZEMRA_AUDIO_IN", "tone:1000");
    snd::testing::ScopedEnv speaker("ZEMRA_AUDIO_OUT", "null");
    zemra::testing::TempDir dir;
    snd::testing::EngineInstance sound;
    ASSERT_EQ(sound->INPUT14(0), 1);
    ASSERT_EQ(sound->INPUT0(0, 20, 0), 1);
    ASSERT_EQ(Set00(0x70, 0, 0, 176, 144, 1, 0), 1);
    Set03(20);

    void* first = OpenAviSelf((dir / "first.avi").c_str());
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(sound->INPUT10(first), 1);
    std::this_thread::sleep_for(1500ms);
    CloseAviSelf();
    std::this_thread::sleep_for(1500ms);
    void* second = OpenAviSelf((dir / "second.avi").c_str());
    ASSERT_NE(second, nullptr);
    std::this_thread::sleep_for(1000ms);
    sound->INPUT11();
    ASSERT_EQ(sound->INPUT10(second), 1);
    std::this_thread::sleep_for(1500ms);
    CloseAviSelf();
    std::this_thread::sleep_for(500ms);
    sound->INPUT11();
    EXPECT_EQ(sound->INPUT10(first), 0) << "a handle closed long ago finds nothing";

    // The sound of the first file ran about 4 s, its video about 1.5 s.
    const auto firstFile = streamsByType(dir / "first.avi");
    ASSERT_EQ(firstFile.size(), 2u);
    EXPECT_GT(std::stoi(firstFile.at("video").at("nb_read_packets")), 5);
    EXPECT_LT(std::stod(firstFile.at("video").at("duration")), 1.7);
    EXPECT_GT(std::stod(firstFile.at("audio").at("duration")), 3.4);

    const auto secondFile = streamsByType(dir / "second.avi");
    ASSERT_EQ(secondFile.size(), 2u);
    EXPECT_GT(std::stoi(secondFile.at("video").at("nb_read_packets")), 5);
    EXPECT_GT(std::stod(secondFile.at("audio").at("duration")), 1.6);
}

}  // namespace
}  // namespace zemra::vid
