#include "core/error.h"
#include "fuzz/corpus.h"
#include "fuzz/seed_notes.h"
#include "fuzz/text_mutations.h"
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
    Random random(seed);
    oddDocuments(visit);
    int index = 0;
    for (const QByteArray& json : seedInputs()) {
        const QString name = QStringLiteral("seed %1").arg(index++);
        visit(name, json);
        truncations(name, json, visit);
        byteFlips(name, json, random, visit);
        rangeEdits(name, json, random, visit);
        numberTokens(name, json, random, visit);
        stringBytes(name, json, random, visit);
        valueSwaps(name, json, visit);
        rawValues(name, json, visit);
    }
}

} // namespace lumbex::fuzz
