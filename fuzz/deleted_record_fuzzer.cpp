#include "core/error.h"
#include "library/deleted_note.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>

// Untrusted record.json bytes must either give a record or be refused with a LumbexError; any
// other exception, a crash or a sanitizer report is a finding. A record that reads must come
// back unchanged when written and read again, since every step of a deletion rewrites it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lumbex;
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const DeletedNote entry = decodeDeletedNote(bytes);
        if (decodeDeletedNote(encodeDeletedNote(entry)) != entry)
            throw std::logic_error("a record changed when written and read back");
    } catch (const LumbexError&) {
        // Refused with a message: the expected outcome for malformed input.
    }
    return 0;
}
