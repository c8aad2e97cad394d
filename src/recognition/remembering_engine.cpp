#include "recognition/remembering_engine.h"

#include <QCryptographicHash>

namespace lumbex {

std::vector<EngineLine> RememberingEngine::read(const QImage& image, PageLayout layout) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const int size[3] = {grey.width(), grey.height(), int(layout)};
    hash.addData(QByteArrayView(reinterpret_cast<const char*>(size), sizeof size));
    for (int y = 0; y < grey.height(); ++y)
        hash.addData(
            QByteArrayView(reinterpret_cast<const char*>(grey.constScanLine(y)), grey.width()));
    const QByteArray key = hash.result();
    if (const auto known = read_.find(key); known != read_.end())
        return known->second;
    std::vector<EngineLine> lines = engine_.read(grey, layout);
    read_.emplace(key, lines);
    return lines;
}

} // namespace lumbex
