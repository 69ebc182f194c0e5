#include "view_settings.h"

#include <array>
#include <cstdio>

#include "platform/file_replacement.h"

namespace zemra::store {

void ViewSettings::serialize(RecordWriter& out) const {
    out.u32(treeText);
    out.u32(treeBack);
    out.u32(listText);
    out.u32(listBack);
    out.text(viewFace);
    out.u32(viewHeight);
    out.u32(viewColor);
}

void ViewSettings::deserialize(RecordReader& in) {
    treeText = in.u32();
    treeBack = in.u32();
    listText = in.u32();
    listBack = in.u32();
    viewFace = in.text();
    viewHeight = in.u32();
    viewColor = in.u32();
}

bool LoadViewSettings(const std::filesystem::path& path, ViewSettings& settings) {
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) return false;
    std::array<uint8_t, RecordWriter::kCapacity> buffer{};
    const std::size_t length = std::fread(buffer.data(), 1, buffer.size(), in);
    const bool failed = std::ferror(in) != 0;  // e.g. a folder of that name
    std::fclose(in);
    if (failed) return false;
    RecordReader reader({buffer.data(), length});
    settings.deserialize(reader);
    return true;
}

bool SaveViewSettings(const std::filesystem::path& path, const ViewSettings& settings) {
    RecordWriter writer;
    settings.serialize(writer);
    // Never truncated in place: a crash then would leave no settings at all.
    return replaceFile(path, writer.bytes());
}

}  // namespace zemra::store
