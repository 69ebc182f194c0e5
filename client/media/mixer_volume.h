// What the recording and the playback volume objects share: an open mixer,
// the volume control of one of its lines, and change reports from the mixer
// handed to the thread that owns the object.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/mixer.h"

namespace zemra::client {

class MixerVolume : public QObject {
  public:
    // Gets the new volume and the value given with it.
    using Callback = std::function<void(int32_t volume, uintptr_t user)>;

    explicit MixerVolume(QObject* parent = nullptr);
    ~MixerVolume() override;
    MixerVolume(const MixerVolume&) = delete;
    MixerVolume& operator=(const MixerVolume&) = delete;

    bool hasControl() const { return control_.has_value(); }

    // The first channel's value; -1 without a control.
    int32_t volume() const;
    // Every channel to `value`. Nothing happens (false) without a control or
    // for a value outside minimum...maximum.
    bool setVolume(int32_t value);
    // The control's bounds and ID; -1 without a control.
    int32_t minimum() const;
    int32_t maximum() const;
    int64_t controlId() const;

    // Called on this object's thread whenever the mixer reports a change of
    // the volume control, whoever made it.
    void setCallback(Callback callback, uintptr_t user);

    // Closes the mixer; change reports stop.
    void destroy();

  protected:
    // Opens mixer `device` with reports routed to this object.
    Mixer* openMixer(unsigned device);
    Mixer* mixer() const { return mixer_.get(); }
    // Takes the first volume control of `line`; false when it has none.
    bool takeVolumeOf(const MixerLine& line);
    // Values for every channel of `control` on the located line.
    std::vector<int32_t> valuesFor(const MixerControl& control, int32_t value) const;
    const MixerLine& line() const { return line_; }

  private:
    struct Relay;
    void onControlChanged(uint32_t controlId);

    std::shared_ptr<Relay> relay_;
    std::unique_ptr<Mixer> mixer_;
    MixerLine line_;
    std::optional<MixerControl> control_;
    Callback callback_;
    uintptr_t user_ = 0;
};

}  // namespace zemra::client
