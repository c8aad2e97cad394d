#pragma once

#include "core/dates.h"
#include "core/ids.h"

#include <QString>
#include <optional>

namespace lumbex {

// One dictated voice note: its transcript and, once finished, its stored audio.
struct VoiceRecording {
    Id id;
    std::optional<Id> noteID;
    Date createdAt = 0;
    QString locale;
    double duration = 0;
    QString transcript;
    std::optional<QString> audioSHA256;
    std::optional<QString> issue;

    friend bool operator==(const VoiceRecording&, const VoiceRecording&) = default;
    QString filename() const { return idString(id) + QStringLiteral(".caf"); }
};

} // namespace lumbex
