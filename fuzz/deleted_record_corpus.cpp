#include "fuzz/corpus.h"
#include "fuzz/value_mutations.h"
#include "library/deleted_note.h"

#include <QJsonDocument>

namespace lumbex::fuzz {

TargetFiles targetFiles() {
    return {QStringLiteral("deleted_record"), QStringLiteral(".json")};
}

// A fresh deletion, and one with every optional field, a kept sync binding and odd file names.
std::vector<QByteArray> seedInputs() {
    DeletedNote plain;
    plain.id = *parseId(u"6F1D3A52-0B4C-4D8E-9A7B-1C2D3E4F5A6B");
    plain.noteID = *parseId(u"0A1B2C3D-4E5F-4A6B-8C7D-8E9FA0B1C2D3");
    plain.title = QStringLiteral("Checkout “total” bug");
    plain.deletedAt = 818'000'000.125;
    plain.originalURL = QStringLiteral("/home/me/Notes/Checkout.capturenote");
    plain.metadataSHA256 = QString(64, u'c');

    DeletedNote full = plain;
    full.originalURL = QStringLiteral("/home/me/My Notes/100% done #2?.capturenote");
    full.cloudBinding =
        QJsonDocument::fromJson(R"({"enabled": true, "folder": "/sync/Lumbex", "receipt":
                                    {"revision": 7, "files": ["a", "b"], "size": 1.5}})")
            .object();
    full.removeCloudCopies = true;
    full.localArchived = true;
    full.cloudPaths =
        std::vector<QString>{QStringLiteral("Notes/X.capturenote"), QStringLiteral("Reviews/X")};
    full.cloudArchived = true;
    full.restoring = true;
    full.restoredURL = QStringLiteral("/home/me/Notes/X-restored-Y.capturenote");
    full.restoredMetadata = true;
    full.restoredSHA256 = QString(64, u'd');
    full.expiredToTrash = true;
    full.error = QStringLiteral("The file is busy. Try again.");
    return {encodeDeletedNote(plain), encodeDeletedNote(full)};
}

void generateCorpus(quint64 seed, const Visit& visit) {
    jsonCorpus(seedInputs(), seed, visit);
}

} // namespace lumbex::fuzz
