#pragma once
// The posted message that carries a reading of the live folder from the reader thread to the
// console: the bytes travel moved, and are parsed and merged on the window thread.

#include "core/live/folderreading.h"
#include "core/platform/messageids.h"

#include <QEvent>

#include <utility>

class TFolderReadingEvent : public QEvent {
  public:
    static constexpr QEvent::Type Kind = static_cast<QEvent::Type>(WmLiveFolderRead);

    explicit TFolderReadingEvent(TFolderReading reading)
        : QEvent(Kind), Reading(std::move(reading)) {}

    TFolderReading Reading;
};
