#pragma once

// The user-facing sentences of sync-folder revisions and publishing, written once.
namespace lumbex::CloudMessages {
inline constexpr char unsafePath[] = "The cloud copy contains an unsafe file path.";
inline constexpr char symbolicLink[] =
    "A cloud file points through a symbolic link. Both copies have been kept.";
inline constexpr char notRegular[] = "A cloud snapshot file is not a regular file.";
inline constexpr char cachedChanged[] = "The cloud file changed.";
inline constexpr char unsupported[] =
    "This cloud revision is incomplete or uses an unsupported format.";
inline constexpr char integrity[] = "A cloud file has invalid integrity information.";
inline constexpr char receiptIncomplete[] =
    "The saved cloud receipt is incomplete. Reconnect this note to continue.";
inline constexpr char queuedChanged[] =
    "The queued cloud revision changed. The previous cloud copy has been kept.";
inline constexpr char originalMissing[] =
    "An original image is missing. Your local note and previous cloud copy are unchanged.";
inline constexpr char voiceMissing[] =
    "Voice audio is missing. The previous cloud copy has been kept.";
inline constexpr char folderUnavailable[] = "The selected folder is unavailable.";
inline constexpr char changedElsewhere[] =
    "The cloud note was changed outside this computer. Automatic sync stopped; both copies have "
    "been kept. Import it as a new local note to review it.";
inline constexpr char pointerRemoved[] =
    "The cloud note was removed or is unavailable. It will not be recreated automatically. Your "
    "local note is unchanged.";
inline constexpr char copyUnverified[] =
    "A copy in the sync folder could not be verified. The previous revision is unchanged.";
inline constexpr char conflicts[] =
    "The sync folder has conflicting versions. Your local note and cloud versions have been kept.";
inline constexpr char downloadFirst[] =
    "Download the current cloud copy before syncing again. The local note is unchanged.";
inline constexpr char revisionMismatch[] =
    "The cloud revision does not match its metadata. Both copies have been kept.";
inline constexpr char otherNote[] = "The cloud metadata belongs to a different note.";
inline constexpr char cloudMetadataTooLarge[] =
    "The cloud note metadata is too large to open safely.";
inline constexpr char notSyncFolder[] =
    "Choose a folder kept in sync by a sync client or a network drive. A local folder does not "
    "sync.";
inline constexpr char saveFirst[] = "Save this note before enabling sync.";
inline constexpr char localReplaced[] =
    "The saved local note was replaced. Reconnect it before syncing.";
} // namespace lumbex::CloudMessages
