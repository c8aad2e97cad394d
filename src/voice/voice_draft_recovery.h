#pragma once

#include "voice/voice_ports.h"

#include <QString>
#include <functional>

namespace lumbex {

class NoteDocument;

inline const QString kUnrecoverableVoiceIssue =
    QStringLiteral("Couldn’t recover this voice recording. The draft is still on this computer. "
                   "Use Voice options → "
                   "Show Recovery Files to inspect it.");

// "Recovered m:ss of audio after an interruption. …" for a recovered recording of `seconds`.
QString recoveredVoiceIssue(double seconds);

// Brings back the audio of the note's voice recordings that were interrupted before their audio
// was saved (no digest, no live session, a draft under `draftsRoot`). The drafts are read on
// worker threads; each success goes into the note, is saved, and only then is its draft removed.
// A draft that fails its checks stays and the recording says so. `done` runs on the GUI thread
// when every recovery has ended (at once when there is nothing to recover).
void recoverVoiceDrafts(NoteDocument& document, const QString& draftsRoot,
                        AudioFileOpener openAudioFile, std::function<void()> done = {});

// recoverVoiceDrafts, waiting in a local event loop.
void recoverVoiceDraftsAndWait(NoteDocument& document, const QString& draftsRoot,
                               AudioFileOpener openAudioFile);

} // namespace lumbex
