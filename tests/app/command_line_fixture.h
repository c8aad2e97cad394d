#pragma once

#include "core/files.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QImageWriter>
#include <QProcess>
#include <gtest/gtest.h>

namespace lumbex::test {

struct Result {
    int exitCode = -1;
    QString out;
    QString err;
};

inline QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return bytes;
}

inline QByteArray screenshot(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 5, y * 3, (x + y) % 256));
    return encoded(image, "png");
}

class CommandLineTest : public ::testing::Test {
protected:
    test::TemporaryFolder folder;

    Result lumbex(const QStringList& args) const {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), folder.path(QStringLiteral("data")));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(folder.path());
        process.start(QStringLiteral(LUMBEX_BINARY), args);
        process.waitForFinished(60000);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }
    QString image(const QString& name, int width = 48, int height = 32) const {
        return folder.write(name, screenshot(width, height));
    }
    QStringList entries() const {
        return QDir(folder.path())
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }
};

} // namespace lumbex::test
