#pragma once

#include "records/capture_note.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <map>

namespace lumbex {

class RequestPlan;

// A finished request folder: REQUEST.md and the annotated PNGs, with the digest of every file as
// it was written.
struct HandoffResult {
    QString directory;
    QString request;
    QStringList images;
    std::map<QString, QString> hashes; // bare file name → SHA-256
    qint64 revision = 0;

    // Throws unless every listed file still has its digest (and every PNG still decodes).
    void verify() const;
    // The instruction the user pastes into the agent session.
    QString clipboard() const;
};

namespace Handoff {

// Writes a new request folder for the plan inside `<projectFolder>/.lumbex/handoffs/<note id>/`:
// staged under ".preparing-<id>", images rendered in parallel on Qt's thread pool, every file read
// back, then renamed into place and verified. Everything below the project folder is reached
// through open folders, never through a symbolic link: a link (or a file) at ".lumbex",
// "handoffs" or the note's folder is refused before anything is written. Staging folders of
// earlier preparations that were killed are removed first. Leaves no finished folder behind on
// failure. Blocks the calling thread: call it off the GUI thread.
HandoffResult prepare(const RequestPlan& plan, const std::map<Id, QByteArray>& originals,
                      const QString& projectFolder);

} // namespace Handoff
} // namespace lumbex
