#include "cloud/review_fonts.h"

#include <QFontDatabase>
#include <QString>
#include <QStringList>

namespace lumbex {
namespace {

// The family name a font file registers, or nothing when the file is missing or unreadable.
QString loadFamily(const QString& path) {
    const int id = QFontDatabase::addApplicationFont(path);
    return id < 0 ? QString() : QFontDatabase::applicationFontFamilies(id).value(0);
}

struct Faces {
    QString regular;
    QString bold;
};

const Faces& faces() {
    static const Faces loaded{
        loadFamily(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf")),
        loadFamily(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"))};
    return loaded;
}

} // namespace

QFont reviewFont(double pointSize, bool bold) {
    const QString& family = bold ? faces().bold : faces().regular;
    QFont font =
        family.isEmpty() ? QFontDatabase::systemFont(QFontDatabase::GeneralFont) : QFont(family);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    // Hinting depends on the screen; a PDF is read at any size.
    font.setHintingPreference(QFont::PreferNoHinting);
    // Without ligatures a reader copies and searches "fi" as two letters, not one glyph.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

} // namespace lumbex
