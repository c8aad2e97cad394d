#include "library_corpus.h"

#include "model/image_content.h"
#include "model/image_files.h"
#include "model/note_coding.h"
#include "model/note_package.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <stdexcept>

namespace lumbex::bench {
namespace {

const char* const kWords[] = {
    "login",      "button",   "header",     "footer",     "sidebar",   "modal",   "dialog",
    "checkout",   "cart",     "price",      "total",      "invoice",   "report",  "chart",
    "legend",     "axis",     "table",      "column",     "row",       "padding", "margin",
    "border",     "shadow",   "font",       "color",      "contrast",  "icon",    "avatar",
    "profile",    "settings", "toggle",     "switch",     "dropdown",  "menu",    "search",
    "filter",     "sort",     "scroll",     "overflow",   "truncated", "aligned", "misaligned",
    "spacing",    "blurry",   "crisp",      "loading",    "spinner",   "error",   "warning",
    "toast",      "banner",   "navigation", "breadcrumb", "tab",       "panel",   "card",
    "tooltip",    "hover",    "focus",      "keyboard",   "mobile",    "desktop", "café",
    "résumé",     "naïve",    "page",       "form",       "field",     "label",   "placeholder",
    "validation", "submit",   "cancel",     "retry",      "timeout",   "latency", "request",
    "response",   "empty",    "state",
};
constexpr int kWordCount = int(sizeof(kWords) / sizeof(kWords[0]));

QString sentence(QRandomGenerator& random, int words) {
    QString text;
    for (int i = 0; i < words; ++i) {
        if (i)
            text += u' ';
        text += QString::fromUtf8(kWords[random.bounded(kWordCount)]);
    }
    text[0] = text[0].toUpper();
    return text + u'.';
}

QString paragraph(QRandomGenerator& random, int sentences) {
    QStringList parts;
    for (int i = 0; i < sentences; ++i)
        parts.append(sentence(random, 6 + random.bounded(10)));
    return parts.join(u' ');
}

QByteArray screenshotPng(int width, int height, QColor color) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(0xF4, 0xF5, 0xF7));
    QPainter painter(&image);
    painter.fillRect(0, 0, width, height / 8, color);
    for (int y = height / 5; y < height; y += 24)
        painter.fillRect(24, y, width / 2 + (y * 7) % (width / 3), 10, QColor(0x9A, 0xA0, 0xA8));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(image);
    return bytes;
}

struct Shot {
    int width;
    int height;
    QByteArray png;
    QString sha256;
};

const std::vector<Shot>& shots() {
    static const std::vector<Shot> all = [] {
        std::vector<Shot> out;
        const std::pair<int, int> sizes[] = {{1280, 800}, {900, 600}, {1440, 900}, {640, 480}};
        const QColor colors[] = {QColor(0x2F, 0x6F, 0xED), QColor(0x1B, 0x9E, 0x77),
                                 QColor(0xD9, 0x5F, 0x02), QColor(0x75, 0x70, 0xB3)};
        for (int i = 0; i < 4; ++i) {
            const QByteArray png = screenshotPng(sizes[i].first, sizes[i].second, colors[i]);
            out.push_back({sizes[i].first, sizes[i].second, png, ImageFiles::hash(png)});
        }
        return out;
    }();
    return all;
}

} // namespace

LibraryCorpus::LibraryCorpus() {
    for (const Shot& shot : shots())
        originals.emplace(shot.sha256, shot.png);
}

CaptureNote LibraryCorpus::note(int index) const {
    QRandomGenerator random(quint32(index) * 2654435761u + 17);
    CaptureNote note = CaptureNote::make();
    note.schemaVersion = 5;
    note.title = sentence(random, 2 + random.bounded(4));
    note.title.chop(1);
    note.createdAt = 800'000'000 + index * 60.0;
    note.modifiedAt = note.createdAt + random.bounded(86400);
    const int images = 1 + random.bounded(3);
    for (int i = 0; i < images; ++i) {
        const Shot& shot = shots()[size_t(random.bounded(int(shots().size())))];
        Media media;
        media.id = newId();
        media.name = QStringLiteral("Screenshot %1").arg(i + 1);
        media.width = shot.width;
        media.height = shot.height;
        media.sha256 = shot.sha256;
        media.role = i == 0 ? MediaRole::Current : MediaRole::After;
        media.includeInRequest = true;
        note.media.push_back(media);
    }
    const Media& first = note.media.front();
    const int marks = 2 + random.bounded(10);
    for (int i = 0; i < marks; ++i) {
        Mark mark;
        mark.id = newId();
        mark.mediaID = first.id;
        mark.kind = i % 3 == 0 ? MarkKind::Arrow : MarkKind::Rectangle;
        const double x = random.bounded(int(first.width) - 200);
        const double y = random.bounded(int(first.height) - 200);
        mark.start = {x, y};
        mark.end = {x + 40 + random.bounded(150), y + 30 + random.bounded(150)};
        note.marks.push_back(mark);
        if (i % 2 == 0) {
            LinkedNote linked = LinkedNote::make();
            linked.markID = mark.id;
            linked.body = paragraph(random, 1 + random.bounded(3));
            note.notes.push_back(linked);
        }
    }
    note.general = paragraph(random, 2 + random.bounded(6));
    if (index % 7 == 0) {
        VoiceRecording voice;
        voice.id = newId();
        voice.transcript = paragraph(random, 3 + random.bounded(5));
        note.recordings = std::vector<VoiceRecording>{voice};
        note.schemaVersion = std::max<qint64>(note.schemaVersion, 2);
    }
    if (index % 10 == 0) {
        Media& media = note.media.front();
        media.recognition =
            RecognitionCache{imageKey(note, media), paragraph(random, 25 + random.bounded(30))};
    }
    return note;
}

void LibraryCorpus::writePackage(const QString& folder, int index) const {
    const CaptureNote made = note(index);
    const QDir package(
        QDir(folder).filePath(QString::number(index) + QStringLiteral(".capturenote")));
    if (!package.mkpath(PackageLayout::assets))
        throw std::runtime_error("cannot create " + package.path().toStdString());
    QFile json(package.filePath(PackageLayout::noteFile));
    if (!json.open(QIODevice::WriteOnly) || json.write(encodeNoteJson(made)) < 0)
        throw std::runtime_error("cannot write " + json.fileName().toStdString());
    for (const Media& media : made.media) {
        QFile png(package.filePath(PackageLayout::assets + u'/' + media.filename()));
        if (!png.open(QIODevice::WriteOnly) || png.write(originals.at(media.sha256)) < 0)
            throw std::runtime_error("cannot write " + png.fileName().toStdString());
    }
}

} // namespace lumbex::bench
