#include "platform/testing/ffprobe.h"

#include <cstdio>

namespace zemra::testing {

std::vector<std::map<std::string, std::string>> probeStreams(const std::filesystem::path& file) {
    const std::string command =
        "ffprobe -v error -count_packets -show_entries "
        "stream=codec_type,codec_name,sample_rate,channels,duration,nb_read_packets,width,height,"
        "bits_per_sample -of default=nw=1 '" +
        file.string() + "' 2>&1";
    std::vector<std::map<std::string, std::string>> streams;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return streams;
    char line[512];
    while (fgets(line, sizeof line, pipe)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        const auto eq = text.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = text.substr(0, eq);
        if (key == "codec_name") streams.emplace_back();
        if (!streams.empty()) streams.back()[key] = text.substr(eq + 1);
    }
    pclose(pipe);
    return streams;
}

}  // namespace zemra::testing
