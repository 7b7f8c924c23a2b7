#include "core/messages/raceevent.h"

#include <algorithm>

TRaceEvent& TRaceEventList::Items(int index) {
    return *Events[static_cast<std::size_t>(index)];
}

const TRaceEvent& TRaceEventList::Items(int index) const {
    return *Events[static_cast<std::size_t>(index)];
}

void TRaceEventList::Delete(int index) {
    Events.erase(Events.begin() + index);
}

void TRaceEventList::Clear() {
    Events.clear();
}

void TRaceEventList::AddEvent(const std::string& title, const std::string& text, int duration) {
    auto event = std::make_unique<TRaceEvent>();
    event->Title = title;
    event->Text = text;
    event->Duration = static_cast<uint8_t>(std::clamp(duration, 0, 255));
    event->Remaining = event->Duration;
    Events.push_back(std::move(event));
    if (OnAdded) {
        OnAdded(*Events.back());
    }
}

bool TRaceEventList::ExpireShown() {
    bool deleted = false;
    for (std::size_t i = 0; i < Events.size();) {
        TRaceEvent& event = *Events[i];
        if (event.Shown && --event.Remaining <= 0) {
            Events.erase(Events.begin() + static_cast<std::ptrdiff_t>(i));
            deleted = true;
            continue;
        }
        ++i;
    }
    return deleted;
}
