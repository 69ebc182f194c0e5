// What ffprobe makes of a media file, for tests of the files we write.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace zemra::testing {

// One map per stream (codec_type, codec_name, sample_rate, channels, duration,
// bits_per_sample, width, height, nb_read_packets); empty when ffprobe reads nothing.
std::vector<std::map<std::string, std::string>> probeStreams(const std::filesystem::path& file);

}  // namespace zemra::testing
