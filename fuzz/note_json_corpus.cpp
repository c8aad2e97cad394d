#include "core/error.h"
#include "fuzz/corpus.h"
#include "fuzz/seed_notes.h"
#include "fuzz/value_mutations.h"
#include "model/note_coding.h"
#include "model/note_validation.h"

#include <stdexcept>

namespace lumbex::fuzz {

TargetFiles targetFiles() {
    return {QStringLiteral("note_json"), QStringLiteral(".json")};
}

// The seed notes encoded as note.json.
std::vector<QByteArray> seedInputs() {
    std::vector<QByteArray> documents;
    for (const CaptureNote& note : seedNotes()) {
        try {
            validate(note);
        } catch (const LumbexError& error) {
            throw std::logic_error(QStringLiteral("seed note %1 is not valid: %2")
                                       .arg(documents.size())
                                       .arg(error.message())
                                       .toStdString());
        }
        documents.push_back(encodeNoteJson(note));
    }
    return documents;
}

void generateCorpus(quint64 seed, const Visit& visit) {
    jsonCorpus(seedInputs(), seed, visit);
}

} // namespace lumbex::fuzz
