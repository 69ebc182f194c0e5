#include "client/store/call_log.h"

#include <gtest/gtest.h>

#include "platform/testing/temp_dir.h"
#include "platform/text.h"

namespace zemra::store {
namespace {

using testing::readFile;
using testing::writeFile;

std::tm day(int year, int month, int mday, int hour = 0, int minute = 0, int second = 0) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = mday;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

CallLogRecord record(uint32_t id, std::string name, uint32_t kind, int second = 7) {
    CallLogRecord r;
    r.id = id;
    r.name = std::move(name);
    r.kind = kind;
    r.stamp(day(2003, 10, 15, 9, 5, second));
    return r;
}

class CallLogTest : public ::testing::Test {
  protected:
    zemra::testing::TempDir tmp_;
    std::filesystem::path dir_ = tmp_.path();

    std::filesystem::path file() const { return dir_ / "20031015_12345.txt"; }

    void appendAll(CFilelog& log, std::initializer_list<CallLogRecord> records) {
        for (const CallLogRecord& r : records) {
            static_cast<CallLogRecord&>(log) = r;
            ASSERT_TRUE(log.Append());
        }
    }
};

TEST(CallLogRecordTest, FieldsSitAtTheirOffsets) {
    CallLogRecord r;
    r.id = 0x01020304;
    r.time = "09:05:07";
    r.date = "2003:10:15";
    r.kind = 5;
    r.name = "abc";
    const auto bytes = r.pack();
    std::string expected(72, '\0');
    expected.replace(4, 4, "\x04\x03\x02\x01");
    expected.replace(9, 8, "09:05:07");
    expected.replace(21, 10, "2003:10:15");
    expected.replace(44, 4, std::string("\x05\x00\x00\x00", 4));
    expected.replace(49, 3, "abc");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);
    EXPECT_EQ(CallLogRecord::unpack(bytes), r);
}

TEST(CallLogRecordTest, ThirtyByteNicknameIsCutTo22BytesAndItsNul) {
    CallLogRecord r;
    r.name = std::string(30, 'n');
    const auto bytes = r.pack();
    EXPECT_EQ(std::string(bytes.begin() + 49, bytes.begin() + 71), std::string(22, 'n'));
    EXPECT_EQ(bytes[71], 0);
    EXPECT_EQ(CallLogRecord::unpack(bytes).name, std::string(22, 'n'));
}

TEST(CallLogRecordTest, CutNeverSplitsADoubleByteCharacter) {
    CallLogRecord r;
    const std::string han = text::toGbk("汉");
    r.name = "a";
    for (int i = 0; i < 12; ++i) r.name += han;  // 25 bytes
    const auto unpacked = CallLogRecord::unpack(r.pack());
    EXPECT_EQ(unpacked.name.size(),
              21u);  // 'a' and ten characters; the eleventh would need byte 22
    EXPECT_TRUE(text::gbkToUtf8(unpacked.name).has_value());
}

TEST(CallLogRecordTest, OverlongTimeAndDateKeepTheirNul) {
    CallLogRecord r;
    r.time = std::string(40, 't');
    r.date = std::string(40, 'd');
    const auto bytes = r.pack();
    EXPECT_EQ(bytes[20], 0);
    EXPECT_EQ(bytes[43], 0);
    const auto back = CallLogRecord::unpack(bytes);
    EXPECT_EQ(back.time, std::string(11, 't'));
    EXPECT_EQ(back.date, std::string(22, 'd'));
    EXPECT_EQ(back.kind, 0u);
}

TEST(CallLogRecordTest, UnterminatedFieldsStopAtTheirEnd) {
    std::array<uint8_t, 72> bytes;
    bytes.fill('z');
    const auto r = CallLogRecord::unpack(bytes);
    EXPECT_EQ(r.time, std::string(12, 'z'));
    EXPECT_EQ(r.date, std::string(23, 'z'));
    EXPECT_EQ(r.name, std::string(23, 'z'));
}

TEST(CallLogNames, FileNameAndTexts) {
    EXPECT_EQ(callLogFileName(day(2003, 10, 15), 12345), "20031015_12345.txt");
    EXPECT_EQ(callLogFileName(day(2024, 1, 2), 4000000000u), "20240102_4000000000.txt");
    EXPECT_EQ(callLogDateText(day(2003, 1, 5, 9, 5, 7)), "2003:01:05");
    EXPECT_EQ(callLogTimeText(day(2003, 1, 5, 9, 5, 7)), "09:05:07");
}

TEST(CallLogNames, KindLabels) {
    EXPECT_EQ(callKindLabel(0), "空闲中未接");
    EXPECT_EQ(callKindLabel(1), "呼入接收");
    EXPECT_EQ(callKindLabel(2), "呼出接收");
    EXPECT_EQ(callKindLabel(3), "呼出没反应");
    EXPECT_EQ(callKindLabel(4), "通话中未接");
    EXPECT_EQ(callKindLabel(5), "呼出拒绝");
    EXPECT_EQ(callKindLabel(6), "");
    EXPECT_EQ(callKindLabel(0xFFFFFFFF), "");
    EXPECT_EQ(callKindFilterCaption(0), "空闲中呼入未接");
    EXPECT_EQ(callKindFilterCaption(5), "呼出对方拒绝");
    EXPECT_EQ(callKindFilterCaption(6), "");
}

TEST_F(CallLogTest, OpeningAMissingFileCreatesItEmpty) {
    CFilelog log;
    ASSERT_TRUE(log.Open(file()));
    EXPECT_TRUE(std::filesystem::exists(file()));
    EXPECT_EQ(std::filesystem::file_size(file()), 0u);
    EXPECT_EQ(log.count(), 0u);
    EXPECT_FALSE(log.First());
    EXPECT_FALSE(log.Last());
    EXPECT_FALSE(log.Previous());
    EXPECT_TRUE(log.AtFirst());
}

TEST_F(CallLogTest, OpeningFailsWhereNoFileCanBe) {
    CFilelog log;
    EXPECT_FALSE(log.Open(dir_ / "missing" / "x.txt"));
    EXPECT_FALSE(log.Open(dir_));
    EXPECT_FALSE(log.IsOpen());
    log.id = 5;
    EXPECT_FALSE(log.Append());
}

TEST_F(CallLogTest, AppendWritesWholeRecordsAndMakesTheNewOneCurrent) {
    CFilelog log;
    ASSERT_TRUE(log.Open(file()));
    appendAll(log, {record(1, "one", kCallInAccepted), record(2, "two", kCallOutRefused)});
    EXPECT_EQ(log.count(), 2u);
    EXPECT_EQ(log.index(), 1u);
    EXPECT_EQ(std::filesystem::file_size(file()), 144u);
    const std::string bytes = readFile(file());
    const auto second = record(2, "two", kCallOutRefused).pack();
    EXPECT_EQ(bytes.substr(72), std::string(second.begin(), second.end()));
}

TEST_F(CallLogTest, ReaderSeesAppendsOfAnInstanceThatStaysOpen) {
    CFilelog writer;
    ASSERT_TRUE(writer.Open(file()));
    appendAll(writer, {record(1, "one", 0), record(2, "two", 1), record(3, "three", 2)});

    CFilelog reader;
    ASSERT_TRUE(reader.Open(file()));
    EXPECT_EQ(reader.count(), 3u);
    EXPECT_EQ(static_cast<CallLogRecord&>(reader), record(1, "one", 0));  // record 0 on opening

    // Newest first, back to the oldest, as the call list shows them.
    std::vector<uint32_t> ids;
    ASSERT_TRUE(reader.Last());
    EXPECT_EQ(reader.index(), 2u);
    do {
        ids.push_back(reader.id);
    } while (!reader.AtFirst() && reader.Previous());
    EXPECT_EQ(ids, (std::vector<uint32_t>{3, 2, 1}));
    EXPECT_FALSE(reader.Previous());

    // Another append while both stay open: a fresh opening sees it at once.
    appendAll(writer, {record(4, "four", 3)});
    CFilelog again;
    ASSERT_TRUE(again.Open(file()));
    EXPECT_EQ(again.count(), 4u);
    ASSERT_TRUE(again.Last());
    EXPECT_EQ(static_cast<CallLogRecord&>(again), record(4, "four", 3));
}

TEST_F(CallLogTest, OneRecordFileListsExactlyThatRecord) {
    {
        CFilelog log;
        ASSERT_TRUE(log.Open(file()));
        appendAll(log, {record(77, "solo", kCallMissedIdle)});
    }
    CFilelog log;
    ASSERT_TRUE(log.Open(file()));
    EXPECT_EQ(log.count(), 1u);
    ASSERT_TRUE(log.Last());
    EXPECT_EQ(log.index(), 0u);
    EXPECT_EQ(static_cast<CallLogRecord&>(log), record(77, "solo", kCallMissedIdle));
    EXPECT_TRUE(log.AtFirst());
}

TEST_F(CallLogTest, TrailingBytesOfATornRecordAreIgnoredAndOverwritten) {
    const auto a = record(1, "a", 1).pack();
    const auto b = record(2, "b", 2).pack();
    std::string bytes(a.begin(), a.end());
    bytes.append(b.begin(), b.end());
    bytes += "torn rec";  // 8 bytes of a third record
    writeFile(file(), bytes);

    CFilelog log;
    ASSERT_TRUE(log.Open(file()));
    EXPECT_EQ(log.count(), 2u);
    ASSERT_TRUE(log.Last());
    EXPECT_EQ(log.id, 2u);
    ASSERT_TRUE(log.Previous());
    EXPECT_EQ(log.id, 1u);

    static_cast<CallLogRecord&>(log) = record(3, "c", 3);
    ASSERT_TRUE(log.Append());
    EXPECT_EQ(log.index(), 2u);
    EXPECT_EQ(log.count(), 3u);
    EXPECT_EQ(std::filesystem::file_size(file()), 216u);
    CFilelog reader;
    ASSERT_TRUE(reader.Open(file()));
    ASSERT_TRUE(reader.Last());
    EXPECT_EQ(static_cast<CallLogRecord&>(reader), record(3, "c", 3));
}

TEST_F(CallLogTest, FileShorterThanOneRecordHasNone) {
    writeFile(file(), std::string(71, 'x'));
    CFilelog log;
    ASSERT_TRUE(log.Open(file()));
    EXPECT_EQ(log.count(), 0u);
    EXPECT_FALSE(log.Last());
}

TEST_F(CallLogTest, FileCutShortWhileOpenFailsTheReadWithoutHarm) {
    CFilelog writer;
    ASSERT_TRUE(writer.Open(file()));
    appendAll(writer, {record(1, "one", 0), record(2, "two", 1)});
    CFilelog reader;
    ASSERT_TRUE(reader.Open(file()));
    std::filesystem::resize_file(file(), 100);
    EXPECT_FALSE(reader.Last());
    EXPECT_EQ(reader.id, 1u);  // still the record read at opening
    EXPECT_TRUE(reader.First());
}

TEST_F(CallLogTest, CloseClearsTheCurrentRecord) {
    CFilelog log;
    ASSERT_TRUE(log.Open(file()));
    appendAll(log, {record(9, "nine", 4)});
    log.Close();
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(log.count(), 0u);
    EXPECT_EQ(log.index(), 0u);
    EXPECT_EQ(static_cast<CallLogRecord&>(log), CallLogRecord{});
    EXPECT_FALSE(log.Append());
    EXPECT_EQ(std::filesystem::file_size(file()), 72u);
}

TEST_F(CallLogTest, ReopeningSwitchesFiles) {
    CFilelog log;
    ASSERT_TRUE(log.Open(file()));
    appendAll(log, {record(1, "one", 0)});
    ASSERT_TRUE(log.Open(dir_ / "20031016_12345.txt"));
    EXPECT_EQ(log.count(), 0u);
    appendAll(log, {record(2, "two", 0)});
    EXPECT_EQ(std::filesystem::file_size(file()), 72u);
    EXPECT_EQ(std::filesystem::file_size(dir_ / "20031016_12345.txt"), 72u);
}

}  // namespace
}  // namespace zemra::store
