#include "records/media.h"

#include "core/error.h"
#include "core/raw_values.h"

#include <algorithm>
#include <set>

namespace lumbex {
namespace {

constexpr RawValues<MediaRole, 3> kRoles{{{
    {MediaRole::Current, u"Current"},
    {MediaRole::Reference, u"Reference"},
    {MediaRole::After, u"After"},
}}};

constexpr RawValues<BackgroundStyle, 2> kStyles{{{
    {BackgroundStyle::Solid, u"solid"},
    {BackgroundStyle::Gradient, u"gradient"},
}}};

[[noreturn]] void fail(const char* message) {
    throw LumbexError(QString::fromUtf8(message));
}

const Media* findImage(const std::vector<Media>& images, const Id& id) {
    const auto it =
        std::find_if(images.begin(), images.end(), [&](const Media& m) { return m.id == id; });
    return it == images.end() ? nullptr : &*it;
}

} // namespace

QString rawValue(MediaRole role) {
    return kRoles.raw(role);
}

std::optional<MediaRole> mediaRoleFromRaw(QStringView raw) {
    return kRoles.parse(raw);
}

QString rawValue(BackgroundStyle style) {
    return kStyles.raw(style);
}

std::optional<BackgroundStyle> backgroundStyleFromRaw(QStringView raw) {
    return kStyles.parse(raw);
}

QString ScrollCaptureInfo::summary() const {
    if (partial)
        return QStringLiteral("Partial scroll capture");
    if (imported.value_or(false))
        return QStringLiteral("Stitched scroll images");
    return QStringLiteral("Scroll capture · Finished by you");
}

void ScrollCaptureInfo::validate(const std::vector<Media>& images, const Media& owner) const {
    std::set<Id> ids;
    for (const Piece& piece : pieces)
        ids.insert(piece.mediaID);
    if (pieces.empty() || pieces.size() > 65 ||
        pieces.front().offsetY != std::optional<qint64>(0) || ids.size() != pieces.size() ||
        (issue && !partial))
        fail("This scroll capture has invalid source frames.");

    qint64 previousOffset = -1;
    qint64 bottom = 0;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const Piece& piece = pieces[i];
        const Media* image = piece.mediaID == owner.id ? nullptr : findImage(images, piece.mediaID);
        if (!image || image->scrollCapture || image->width != owner.width ||
            piece.footerHeight < 0 || piece.footerHeight >= image->height / 2)
            fail("A scroll capture has lost an original frame.");
        if (!piece.offsetY) {
            if (!(partial && i + 1 == pieces.size()))
                fail("Only the final frame of a partial scroll capture can be unmatched.");
            continue;
        }
        const qint64 offset = *piece.offsetY;
        if (offset <= previousOffset || offset < 0 || offset > owner.height ||
            owner.height - offset < image->height)
            fail("A scroll capture has invalid frame positions.");
        previousOffset = offset;
        bottom = offset + image->height;
    }
    if (bottom != owner.height)
        fail("The scroll image does not match its original frames.");
}

} // namespace lumbex
