// "message.cfg": the colours and font of the message manager's three views,
// one record in the shared record encoding.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "client/store/stored_record.h"

namespace zemra::store {

inline constexpr const char* kViewSettingsFileName = "message.cfg";

// Colours are COLORREF values (0x00BBGGRR); the face name is GBK.
class ViewSettings : public StoredRecord {
  public:
    uint32_t treeText = 0;
    uint32_t treeBack = 0;
    uint32_t listText = 0;
    uint32_t listBack = 0;
    std::string viewFace;
    uint32_t viewHeight = 0;  // twips
    uint32_t viewColor = 0;

    void serialize(RecordWriter& out) const override;
    void deserialize(RecordReader& in) override;
    bool operator==(const ViewSettings&) const = default;
};

// Reads at most 4096 bytes of `path`; fields a short file lacks read as 0 or
// empty. False (and `settings` untouched) when the file cannot be opened.
bool LoadViewSettings(const std::filesystem::path& path, ViewSettings& settings);

// Replaces `path` with the record. False when it cannot be written.
bool SaveViewSettings(const std::filesystem::path& path, const ViewSettings& settings);

}  // namespace zemra::store
