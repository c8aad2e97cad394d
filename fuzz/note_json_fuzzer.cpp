#include "core/error.h"
#include "model/note_coding.h"
#include "model/note_validation.h"
#include "model/schema_level.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>

// Untrusted note.json bytes must either give a valid note or be refused with a LumbexError. Any
// other exception, a crash or a sanitizer report is a finding. A note that passes validation
// must also survive being written and read back unchanged, since saving it must not alter it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lumbex;
    // Not copied, so that AddressSanitizer sees any read past the input's end.
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const CaptureNote note = decodeNoteJson(bytes);
        validate(note);
        const qint64 level = minimumSchemaVersion(note);
        if (level < kOldestSchemaVersion || level > kNewestSchemaVersion)
            throw std::logic_error("minimum format level out of range");
        if (decodeNoteJson(encodeNoteJson(note)) != note)
            throw std::logic_error("a valid note changed when written and read back");
    } catch (const LumbexError&) {
        // Refused with a message: the expected outcome for malformed input.
    }
    return 0;
}
