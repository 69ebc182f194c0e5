#include "platform/avi_file_handles.h"

#include <gtest/gtest.h>

#include "platform/testing/temp_dir.h"

namespace zemra {
namespace {

using zemra::testing::TempDir;

TEST(AviFileHandlesTest, AHandleFindsItsFileOnlyWhilePublishedAndHeld) {
    TempDir dir;
    std::shared_ptr<AviFile> file = AviFile::open(dir / "a.avi", AviFile::Mode::kCreate);
    void* handle = AviFileHandles::publish(file);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(AviFileHandles::find(handle), file);
    EXPECT_NE(handle, static_cast<void*>(file.get())) << "a number, not the address";
    EXPECT_EQ(AviFileHandles::find(static_cast<void*>(file.get())), nullptr);
    EXPECT_EQ(AviFileHandles::publish(nullptr), nullptr);
    EXPECT_EQ(AviFileHandles::find(nullptr), nullptr);

    // Withdrawn: the handle finds nothing, while the holders keep the file.
    std::shared_ptr<AviFile> holder = AviFileHandles::find(handle);
    AviFileHandles::withdraw(handle);
    EXPECT_EQ(AviFileHandles::find(handle), nullptr);
    AviStreamInfo info;
    info.fccType = kAviStreamVideo;
    ASSERT_NE(holder->createStream(info), nullptr);

    // Nobody holds the file: a handle that was never withdrawn finds nothing either.
    void* other = AviFileHandles::publish(holder);
    holder.reset();
    file.reset();
    EXPECT_EQ(AviFileHandles::find(other), nullptr);
    EXPECT_NE(other, handle);
}

TEST(AviFileHandlesTest, AFileBeingWrittenIsFoundByAnySpellingOfItsPath) {
    TempDir dir;
    std::shared_ptr<AviFile> file = AviFile::open(dir / "a.avi", AviFile::Mode::kCreate);
    void* handle = AviFileHandles::publish(file);
    std::filesystem::create_symlink(dir / "a.avi", dir / "link.avi");
    EXPECT_EQ(AviFileHandles::findWriting(dir / "." / "a.avi"), file);
    EXPECT_EQ(AviFileHandles::findWriting(dir / "link.avi"), file);
    AviFileHandles::withdraw(handle);
    EXPECT_EQ(AviFileHandles::findWriting(dir / "a.avi"), file) << "still being written";
    EXPECT_EQ(AviFileHandles::findWriting(dir / "b.avi"), nullptr);

    // A completed file, or one only read, takes no more writing.
    std::shared_ptr<AviFile> reader = AviFile::open(dir / "a.avi", AviFile::Mode::kRead);
    AviFileHandles::publish(reader);
    ASSERT_TRUE(file->close());
    EXPECT_EQ(AviFileHandles::findWriting(dir / "a.avi"), nullptr);
}

}  // namespace
}  // namespace zemra
