#include "client/media/mixer_volume.h"

#include <algorithm>
#include <mutex>

namespace zemra::client {

// Outlives the object: the mixer may report from its own thread while the
// object goes, so reports pass through here and stop once it is cut.
struct MixerVolume::Relay {
    std::mutex mutex;
    MixerVolume* owner = nullptr;

    void report(uint32_t controlId) {
        std::lock_guard lock(mutex);
        if (!owner) return;
        MixerVolume* target = owner;
        // Queued: the report may come from any thread. Qt drops the call
        // if the object is gone by then.
        QMetaObject::invokeMethod(
            target, [target, controlId] { target->onControlChanged(controlId); },
            Qt::QueuedConnection);
    }

    void cut() {
        std::lock_guard lock(mutex);
        owner = nullptr;
    }
};

MixerVolume::MixerVolume(QObject* parent) : QObject(parent) {}

MixerVolume::~MixerVolume() {
    destroy();
}

Mixer* MixerVolume::openMixer(unsigned device) {
    destroy();
    relay_ = std::make_shared<Relay>();
    relay_->owner = this;
    mixer_ = Mixer::open(device, [relay = relay_](uint32_t id) { relay->report(id); });
    if (!mixer_) destroy();
    return mixer_.get();
}

bool MixerVolume::takeVolumeOf(const MixerLine& line) {
    for (const MixerControl& c : line.controls) {
        if (c.type == MixerControlType::kVolume) {
            line_ = line;
            control_ = c;
            return true;
        }
    }
    return false;
}

std::vector<int32_t> MixerVolume::valuesFor(const MixerControl& control, int32_t value) const {
    const std::size_t count = control.isSelect() ? control.itemNames.size()
                              : control.uniform  ? 1
                                                 : std::max<uint32_t>(line_.channels, 1);
    return std::vector<int32_t>(count, value);
}

void MixerVolume::destroy() {
    if (relay_) relay_->cut();
    relay_.reset();
    mixer_.reset();
    control_.reset();
    line_ = {};
}

int32_t MixerVolume::volume() const {
    if (!control_ || !mixer_) return -1;
    std::vector<int32_t> values;
    if (!mixer_->getValues(control_->id, values) || values.empty()) return -1;
    return values.front();
}

bool MixerVolume::setVolume(int32_t value) {
    if (!control_ || !mixer_) return false;
    if (value < control_->minimum || value > control_->maximum) return false;
    return mixer_->setValues(control_->id, valuesFor(*control_, value));
}

int32_t MixerVolume::minimum() const {
    return control_ ? control_->minimum : -1;
}

int32_t MixerVolume::maximum() const {
    return control_ ? control_->maximum : -1;
}

int64_t MixerVolume::controlId() const {
    return control_ ? int64_t{control_->id} : -1;
}

void MixerVolume::setCallback(Callback callback, uintptr_t user) {
    callback_ = std::move(callback);
    user_ = user;
}

void MixerVolume::onControlChanged(uint32_t controlId) {
    if (!control_ || control_->id != controlId || !callback_) return;
    const int32_t value = volume();
    // A copy: the callback may replace itself.
    const Callback callback = callback_;
    callback(value, user_);
}

}  // namespace zemra::client
