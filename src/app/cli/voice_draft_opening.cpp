#include "app/cli/voice_draft_opening.h"

#include "app/cli/package_edit.h"
#include "app/voice_note_services.h"
#include "model/note_package.h"
#include "voice/voice_draft_recovery.h"
#include "voice/voice_recovery_draft.h"

namespace lumbex::cli {

void recoverDraftsOf(NoteDocument& document) {
    recoverVoiceDraftsAndWait(document, voiceDraftsRoot(), voiceDraftAudioOpener());
}

void recoverDraftsOf(const QString& packagePath) {
    const CaptureNote note = readNotePackage(packagePath).note;
    const QString root = voiceDraftsRoot();
    const auto& recordings = note.recordings;
    const bool anyDraft =
        recordings && std::any_of(recordings->begin(), recordings->end(), [&](const auto& r) {
            return !r.audioSHA256 && VoiceRecoveryDraft(note.id, r.id, root).exists();
        });
    if (!anyDraft)
        return;
    PackageEdit edit = openPackageForEdit(packagePath);
    recoverDraftsOf(*edit.document);
}

} // namespace lumbex::cli
