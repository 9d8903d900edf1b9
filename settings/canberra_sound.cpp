#include "settings/canberra_sound.h"

#include <QMetaObject>
#include <canberra.h>

namespace vornel {

CanberraSound::CanberraSound() {
    if (ca_context_create(&context_) != CA_SUCCESS) {
        context_ = nullptr;
        return;
    }
    ca_context_change_props(context_, CA_PROP_APPLICATION_NAME, "Vornel", nullptr);
}

CanberraSound::~CanberraSound() {
    if (context_) ca_context_destroy(context_);
}

void CanberraSound::play(const std::string& name) {
    if (!context_) return;
    if (name.empty()) {
        playBell();
        return;
    }
    ca_proplist* props = nullptr;
    if (ca_proplist_create(&props) != CA_SUCCESS) return;
    ca_proplist_sets(props, CA_PROP_MEDIA_FILENAME, name.c_str());
    int result = ca_context_play_full(context_, 0, props, &CanberraSound::finished, this);
    ca_proplist_destroy(props);
    report("file", name, result);
    if (result != CA_SUCCESS) playBell();
}

void CanberraSound::playBell() {
    int result = ca_context_play(context_, 0, CA_PROP_EVENT_ID, "bell", nullptr);
    report("event", "bell", result);
}

void CanberraSound::report(const std::string& kind, const std::string& what, int result) {
    if (onRequest) onRequest(kind, what, result);
}

void CanberraSound::finished(ca_context*, uint32_t, int error, void* self) {
    if (error == CA_SUCCESS || error == CA_ERROR_CANCELED || error == CA_ERROR_DESTROYED) return;
    auto* sound = static_cast<CanberraSound*>(self);
    QMetaObject::invokeMethod(
        &sound->receiver_,
        [sound, error] {
            sound->report("file", "", error);
            sound->playBell();
        },
        Qt::QueuedConnection);
}

std::unique_ptr<AlertSound> makeSystemSound() {
    return std::make_unique<CanberraSound>();
}

} // namespace vornel
