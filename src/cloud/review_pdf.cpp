#include "cloud/review_pdf.h"

#include "cloud/pdf_stamp.h"
#include "cloud/review_content.h"
#include "cloud/review_pages.h"
#include "core/error.h"
#include "core/files.h"
#include "model/image_content.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QHashSeed>
#include <QMutex>
#include <QPageSize>
#include <QPdfWriter>
#include <QTimeZone>
#include <QtConcurrent/QtConcurrentMap>
#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

namespace lumbex {
namespace {

// Decoding and composing the originals is most of the work: one image per core at a time.
std::vector<QImage> renderPictures(const CaptureNote& note, const std::vector<Media>& visible,
                                   const std::map<Id, QByteArray>& originals) {
    for (const Media& media : visible)
        if (!originals.contains(media.id))
            throw LumbexError(QStringLiteral(
                "An original image is missing. The previous mobile review has been kept."));
    std::vector<QImage> pictures(visible.size());
    std::vector<std::optional<LumbexError>> failures(visible.size());
    std::vector<size_t> indices(visible.size());
    std::iota(indices.begin(), indices.end(), size_t(0));
    QtConcurrent::blockingMap(indices, [&](size_t i) {
        try {
            pictures[i] = reviewPicture(note, visible[i], originals.at(visible[i].id));
        } catch (const LumbexError& e) {
            failures[i] = e;
        }
    });
    for (const auto& failure : failures)
        if (failure)
            throw *failure;
    return pictures;
}

QDateTime instant(Date date) {
    return QDateTime::fromMSecsSinceEpoch(
        qint64(std::floor(date + kReferenceDateUnixSeconds)) * 1000, QTimeZone::utc());
}

// Everything the document information says is fixed by the note and the revision text.
PdfStamp stampFor(const CaptureNote& note, const QString& revisionText) {
    const QByteArray name = (idString(note.id) + QLatin1Char('\n') + revisionText).toUtf8();
    return {note.title, QStringLiteral("Lumbex"), instant(note.createdAt), instant(note.modifiedAt),
            QCryptographicHash::hash(name, QCryptographicHash::Sha256).left(16)};
}

// Qt's PDF writer keeps the fonts it embeds in a hash table and writes them in the table's order,
// which follows the process's random hash seed: two processes writing the same review would
// place (and number) the font objects differently. Tables created while this lives use the fixed
// seed; writers are serialised so that one cannot restore the random seed in the middle of
// another. Tables created meanwhile elsewhere in the process merely get the fixed seed too.
class FixedHashSeed {
public:
    FixedHashSeed() : lock_(&mutex()), changed_(size_t(QHashSeed::globalSeed()) != 0) {
        if (changed_)
            QHashSeed::setDeterministicGlobalSeed();
    }
    ~FixedHashSeed() {
        if (changed_)
            QHashSeed::resetRandomGlobalSeed();
    }
    FixedHashSeed(const FixedHashSeed&) = delete;
    FixedHashSeed& operator=(const FixedHashSeed&) = delete;

private:
    static QMutex& mutex() {
        static QMutex writers;
        return writers;
    }
    QMutexLocker<QMutex> lock_;
    bool changed_;
};

// Renders the pages into memory; the document information is stamped afterwards.
QByteArray renderDocument(const CaptureNote& note, const std::vector<Media>& visible,
                          const std::vector<QImage>& pictures, const QString& revisionText,
                          int& pageCount) {
    const FixedHashSeed fixedSeed;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(72);
    // An exact size: Qt otherwise rounds 420 × 594 to its nearest standard page (A5, 595 high).
    writer.setPageSize(QPageSize(QSizeF(ReviewPage::width, ReviewPage::height), QPageSize::Point,
                                 QString(), QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
    writer.setTitle(note.title);
    writer.setCreator(QStringLiteral("Lumbex"));
    ReviewPages pages(writer, note.title, revisionText);
    layOutReview(pages, note, visible, pictures);
    if (!pages.finish())
        throw LumbexError(QStringLiteral("The mobile PDF could not be created."));
    pageCount = pages.pageCount();
    return bytes;
}

} // namespace

std::vector<Media> reviewVisibleMedia(const CaptureNote& note) {
    std::vector<Media> visible;
    for (const Media& media : note.media)
        if (isFrameCurrent(note, media))
            visible.push_back(media);
    const bool hasFrame = std::any_of(visible.begin(), visible.end(),
                                      [](const Media& m) { return m.recordingFrame.has_value(); });
    if (note.screenRecording && !hasFrame)
        throw LumbexError(
            QStringLiteral("Add a current recording frame before preparing the mobile review."));
    return visible;
}

void writeReviewPdf(const CaptureNote& note, const std::map<Id, QByteArray>& originals,
                    const QString& revisionText, const QString& path) {
    const std::vector<Media> visible = reviewVisibleMedia(note);
    const std::vector<QImage> pictures = renderPictures(note, visible, originals);
    int pageCount = 0;
    const QByteArray rendered = renderDocument(note, visible, pictures, revisionText, pageCount);
    writeFileAtomically(path, stampPdf(rendered, stampFor(note, revisionText)));
    verifyReviewPdf(path, pageCount);
}

} // namespace lumbex
