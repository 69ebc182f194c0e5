// A sound card's ALSA mixer seen as lines and controls. The recording
// destination's sources are the items of the card's capture-source switch
// when it has one (so that item i is source i), else its capture elements;
// the speakers are "Master" with "PCM" (or "Master") as the wave source.
#include "mixer_alsa.h"

#include <alsa/asoundlib.h>
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/wave_backends.h"

namespace zemra {
namespace {

enum ControlKind : uint32_t {
    kPlaybackVolume = 1,
    kPlaybackMute,
    kCaptureVolume,
    kCaptureMute,
    kCaptureSelect,
};

constexpr uint32_t kRecordLine = 0;
constexpr uint32_t kSpeakerLine = 1;
constexpr uint32_t kSourceLineBase = 0x1000;

uint32_t controlId(uint32_t element, ControlKind kind) {
    return (element << 8) | kind;
}

MixerComponent componentOf(const std::string& name) {
    auto has = [&](const char* word) { return name.find(word) != std::string::npos; };
    if (has("Mic")) return MixerComponent::kSourceMicrophone;
    if (has("Mix") || has("Loopback") || has("PCM")) return MixerComponent::kSourceWaveOut;
    if (has("Line")) return MixerComponent::kSourceLine;
    if (has("CD") || has("Aux") || has("Video") || has("Analog")) {
        return MixerComponent::kSourceAnalog;
    }
    return MixerComponent::kSourceUndefined;
}

std::vector<snd_mixer_selem_channel_id_t> channelsOf(snd_mixer_elem_t* e, bool capture) {
    std::vector<snd_mixer_selem_channel_id_t> list;
    for (int c = 0; c <= SND_MIXER_SCHN_LAST; ++c) {
        const auto ch = static_cast<snd_mixer_selem_channel_id_t>(c);
        if (capture ? snd_mixer_selem_has_capture_channel(e, ch)
                    : snd_mixer_selem_has_playback_channel(e, ch)) {
            list.push_back(ch);
        }
    }
    if (list.empty()) list.push_back(SND_MIXER_SCHN_MONO);
    return list;
}

class AlsaMixer : public Mixer {
  public:
    AlsaMixer(snd_mixer_t* handle, std::string name, ChangeCallback onChange)
        : handle_(handle), name_(std::move(name)), onChange_(std::move(onChange)) {
        for (snd_mixer_elem_t* e = snd_mixer_first_elem(handle_); e; e = snd_mixer_elem_next(e)) {
            if (!snd_mixer_selem_is_active(e)) continue;
            snd_mixer_elem_set_callback(e, &AlsaMixer::elementChanged);
            snd_mixer_elem_set_callback_private(e, this);
            elements_.push_back(e);
        }
        if (onChange_) watcher_ = std::thread([this] { watch(); });
    }

    ~AlsaMixer() override {
        stop_ = true;
        if (watcher_.joinable()) watcher_.join();
        snd_mixer_close(handle_);
    }

    std::string name() const override { return name_; }

    std::optional<MixerLine> destination(MixerComponent component) const override {
        std::lock_guard lock(mutex_);
        if (component == MixerComponent::kDestinationWaveIn) {
            MixerLine line{kRecordLine, component, "Capture", 1, 0, {}};
            if (const int select = captureSelect(); select >= 0) {
                line.controls.push_back(selectControl(select));
                line.connections = static_cast<uint32_t>(line.controls[0].itemNames.size());
            } else {
                line.connections = static_cast<uint32_t>(captureElements().size());
            }
            return line.connections ? std::optional(line) : std::nullopt;
        }
        if (component == MixerComponent::kDestinationSpeakers) {
            const int master = find("Master");
            if (master < 0) return std::nullopt;
            MixerLine line{kSpeakerLine, component, "Master", 0, 1, {}};
            addPlaybackControls(line, master);
            return line;
        }
        return std::nullopt;
    }

    std::optional<MixerLine> source(const MixerLine& destination, uint32_t index) const override {
        std::lock_guard lock(mutex_);
        if (destination.id == kRecordLine) {
            std::string name;
            int element = -1;
            if (const int select = captureSelect(); select >= 0) {
                const auto items = selectControl(select).itemNames;
                if (index >= items.size()) return std::nullopt;
                name = items[index];
                element = find(name.c_str());
            } else {
                const auto list = captureElements();
                if (index >= list.size()) return std::nullopt;
                element = list[index];
                name = snd_mixer_selem_get_name(elements_[element]);
            }
            MixerLine line{kSourceLineBase + index, componentOf(name), name, 1, 0, {}};
            if (element >= 0 && snd_mixer_selem_has_capture_volume(elements_[element])) {
                snd_mixer_elem_t* e = elements_[element];
                long lo = 0, hi = 0;
                snd_mixer_selem_get_capture_volume_range(e, &lo, &hi);
                line.channels = static_cast<uint32_t>(channelsOf(e, true).size());
                line.controls.push_back({controlId(element, kCaptureVolume),
                                         MixerControlType::kVolume,
                                         name + " Capture Volume",
                                         static_cast<int32_t>(lo),
                                         static_cast<int32_t>(hi),
                                         false,
                                         {}});
                if (snd_mixer_selem_has_capture_switch(e)) {
                    line.controls.push_back({controlId(element, kCaptureMute),
                                             MixerControlType::kMute,
                                             name + " Capture Mute",
                                             0,
                                             1,
                                             false,
                                             {}});
                }
            }
            return line;
        }
        if (destination.id == kSpeakerLine && index == 0) {
            int element = find("PCM");
            if (element < 0) element = find("Master");
            if (element < 0) return std::nullopt;
            MixerLine line{kSourceLineBase + 0x100,
                           MixerComponent::kSourceWaveOut,
                           snd_mixer_selem_get_name(elements_[element]),
                           0,
                           0,
                           {}};
            addPlaybackControls(line, element);
            return line;
        }
        return std::nullopt;
    }

    bool getValues(uint32_t id, std::vector<int32_t>& values) const override {
        std::lock_guard lock(mutex_);
        snd_mixer_elem_t* e = element(id);
        if (!e) return false;
        values.clear();
        const auto kind = static_cast<ControlKind>(id & 0xFF);
        if (kind == kCaptureSelect) {
            unsigned item = 0;
            if (snd_mixer_selem_get_enum_item(e, SND_MIXER_SCHN_FRONT_LEFT, &item) < 0) {
                return false;
            }
            const int count = snd_mixer_selem_get_enum_items(e);
            for (int i = 0; i < count; ++i) values.push_back(i == int(item) ? 1 : 0);
            return true;
        }
        const bool capture = kind == kCaptureVolume || kind == kCaptureMute;
        for (auto ch : channelsOf(e, capture)) {
            long v = 0;
            int on = 1, rc = -1;
            switch (kind) {
                case kPlaybackVolume:
                    rc = snd_mixer_selem_get_playback_volume(e, ch, &v);
                    break;
                case kCaptureVolume:
                    rc = snd_mixer_selem_get_capture_volume(e, ch, &v);
                    break;
                case kPlaybackMute:
                    rc = snd_mixer_selem_get_playback_switch(e, ch, &on);
                    v = !on;
                    break;
                case kCaptureMute:
                    rc = snd_mixer_selem_get_capture_switch(e, ch, &on);
                    v = !on;
                    break;
                default:
                    break;
            }
            if (rc < 0) return false;
            values.push_back(static_cast<int32_t>(v));
        }
        return true;
    }

    bool setValues(uint32_t id, const std::vector<int32_t>& values) override {
        std::lock_guard lock(mutex_);
        snd_mixer_elem_t* e = element(id);
        if (!e) return false;
        const auto kind = static_cast<ControlKind>(id & 0xFF);
        if (kind == kCaptureSelect) {
            const int count = snd_mixer_selem_get_enum_items(e);
            if (int(values.size()) != count || std::count(values.begin(), values.end(), 1) != 1) {
                return false;
            }
            const auto item = std::find(values.begin(), values.end(), 1) - values.begin();
            return snd_mixer_selem_set_enum_item(e, SND_MIXER_SCHN_FRONT_LEFT,
                                                 static_cast<unsigned>(item)) >= 0;
        }
        const bool capture = kind == kCaptureVolume || kind == kCaptureMute;
        const auto channels = channelsOf(e, capture);
        if (values.size() != channels.size()) return false;
        long lo = 0, hi = 1;
        if (kind == kPlaybackVolume) snd_mixer_selem_get_playback_volume_range(e, &lo, &hi);
        if (kind == kCaptureVolume) snd_mixer_selem_get_capture_volume_range(e, &lo, &hi);
        for (int32_t v : values) {
            if (v < lo || v > hi) return false;
        }
        for (size_t i = 0; i < channels.size(); ++i) {
            int rc = -1;
            switch (kind) {
                case kPlaybackVolume:
                    rc = snd_mixer_selem_set_playback_volume(e, channels[i], values[i]);
                    break;
                case kCaptureVolume:
                    rc = snd_mixer_selem_set_capture_volume(e, channels[i], values[i]);
                    break;
                case kPlaybackMute:
                    rc = snd_mixer_selem_set_playback_switch(e, channels[i], !values[i]);
                    break;
                case kCaptureMute:
                    rc = snd_mixer_selem_set_capture_switch(e, channels[i], !values[i]);
                    break;
                default:
                    break;
            }
            if (rc < 0) return false;
        }
        return true;
    }

  private:
    static int elementChanged(snd_mixer_elem_t* e, unsigned int mask) {
        auto* self = static_cast<AlsaMixer*>(snd_mixer_elem_get_callback_private(e));
        if (self && (mask & SND_CTL_EVENT_MASK_VALUE)) self->changed_.push_back(e);
        return 0;
    }

    // Reports changes made anywhere (another program, the desktop's panel).
    void watch() {
        while (!stop_) {
            std::vector<uint32_t> ids;
            {
                std::lock_guard lock(mutex_);
                const int n = snd_mixer_poll_descriptors_count(handle_);
                std::vector<pollfd> fds(std::max(n, 0));
                if (n > 0) snd_mixer_poll_descriptors(handle_, fds.data(), n);
                if (n > 0 && poll(fds.data(), fds.size(), 0) > 0) {
                    snd_mixer_handle_events(handle_);
                }
                for (snd_mixer_elem_t* e : changed_) {
                    const auto at = std::find(elements_.begin(), elements_.end(), e);
                    if (at == elements_.end()) continue;
                    const auto index = static_cast<uint32_t>(at - elements_.begin());
                    for (auto kind : {kPlaybackVolume, kPlaybackMute, kCaptureVolume, kCaptureMute,
                                      kCaptureSelect}) {
                        ids.push_back(controlId(index, kind));
                    }
                }
                changed_.clear();
            }
            for (uint32_t id : ids) onChange_(id);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }

    int find(const char* name) const {
        for (size_t i = 0; i < elements_.size(); ++i) {
            if (std::strcmp(snd_mixer_selem_get_name(elements_[i]), name) == 0) return int(i);
        }
        return -1;
    }

    int captureSelect() const {
        for (size_t i = 0; i < elements_.size(); ++i) {
            if (snd_mixer_selem_is_enum_capture(elements_[i])) return int(i);
        }
        return -1;
    }

    std::vector<int> captureElements() const {
        std::vector<int> list;
        for (size_t i = 0; i < elements_.size(); ++i) {
            if (snd_mixer_selem_has_capture_volume(elements_[i])) list.push_back(int(i));
        }
        return list;
    }

    MixerControl selectControl(int index) const {
        snd_mixer_elem_t* e = elements_[index];
        MixerControl c{controlId(index, kCaptureSelect),
                       MixerControlType::kMux,
                       snd_mixer_selem_get_name(e),
                       0,
                       1,
                       true,
                       {}};
        const int count = snd_mixer_selem_get_enum_items(e);
        for (int i = 0; i < count; ++i) {
            char name[64] = {};
            snd_mixer_selem_get_enum_item_name(e, i, sizeof name - 1, name);
            c.itemNames.emplace_back(name);
        }
        return c;
    }

    void addPlaybackControls(MixerLine& line, int index) const {
        snd_mixer_elem_t* e = elements_[index];
        line.channels = static_cast<uint32_t>(channelsOf(e, false).size());
        const std::string name = snd_mixer_selem_get_name(e);
        if (snd_mixer_selem_has_playback_volume(e)) {
            long lo = 0, hi = 0;
            snd_mixer_selem_get_playback_volume_range(e, &lo, &hi);
            line.controls.push_back({controlId(index, kPlaybackVolume),
                                     MixerControlType::kVolume,
                                     name + " Volume",
                                     static_cast<int32_t>(lo),
                                     static_cast<int32_t>(hi),
                                     false,
                                     {}});
        }
        if (snd_mixer_selem_has_playback_switch(e)) {
            line.controls.push_back({controlId(index, kPlaybackMute),
                                     MixerControlType::kMute,
                                     name + " Mute",
                                     0,
                                     1,
                                     false,
                                     {}});
        }
    }

    snd_mixer_elem_t* element(uint32_t id) const {
        const uint32_t index = id >> 8;
        return index < elements_.size() ? elements_[index] : nullptr;
    }

    snd_mixer_t* handle_;
    const std::string name_;
    ChangeCallback onChange_;
    mutable std::mutex mutex_;
    std::vector<snd_mixer_elem_t*> elements_;
    std::vector<snd_mixer_elem_t*> changed_;
    std::atomic<bool> stop_{false};
    std::thread watcher_;
};

}  // namespace

std::vector<int> alsaMixerCards() {
    silenceAlsaErrors();
    std::vector<int> cards;
    int card = -1;
    while (snd_card_next(&card) == 0 && card >= 0) cards.push_back(card);
    return cards;
}

std::optional<int> alsaCardOfPcm(const std::string& pcmName) {
    constexpr std::string_view kPrefix = "sysdefault:CARD=";
    if (pcmName.rfind(kPrefix, 0) == 0) {
        const int card = snd_card_get_index(pcmName.substr(kPrefix.size()).c_str());
        if (card >= 0) return card;
        return std::nullopt;
    }
    const auto cards = alsaMixerCards();
    if (cards.empty()) return std::nullopt;
    return cards.front();
}

std::unique_ptr<Mixer> openAlsaMixer(int card, Mixer::ChangeCallback onChange, std::string* error) {
    silenceAlsaErrors();
    const std::string device = "hw:" + std::to_string(card);
    snd_mixer_t* handle = nullptr;
    int rc = snd_mixer_open(&handle, 0);
    if (rc >= 0) rc = snd_mixer_attach(handle, device.c_str());
    if (rc >= 0) rc = snd_mixer_selem_register(handle, nullptr, nullptr);
    if (rc >= 0) rc = snd_mixer_load(handle);
    if (rc < 0) {
        if (handle) snd_mixer_close(handle);
        if (error) *error = device + ": " + snd_strerror(rc);
        return nullptr;
    }
    char* cardName = nullptr;
    std::string name = device;
    if (snd_card_get_name(card, &cardName) == 0 && cardName) {
        name = cardName;
        free(cardName);
    }
    return std::make_unique<AlsaMixer>(handle, name, std::move(onChange));
}

}  // namespace zemra
