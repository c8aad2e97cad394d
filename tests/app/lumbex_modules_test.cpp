#include "cloud/pdf_module.h"
#include "core/ids.h"
#include "platform/lumbex_module.h"
#include "platform/media_module.h"
#include "platform/recognition_module.h"
#include "support/temporary_folder.h"
#include "support/thrown_message.h"

#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

QString builtModule(const char* fileName) {
    return QFileInfo(QStringLiteral(LUMBEX_BINARY)).absolutePath() + u'/' +
           QString::fromLatin1(fileName);
}

// What the dynamic loader maps when the executable starts, before main runs.
QString librariesLoadedAtStart() {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_TRACE_LOADED_OBJECTS"), QStringLiteral("1"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(LUMBEX_BINARY), {});
    if (!process.waitForFinished(30000))
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

TEST(LumbexModules, TheExecutableStartsWithoutTheHeavyLibraries) {
    const QString loaded = librariesLoadedAtStart();
    ASSERT_TRUE(loaded.contains(QStringLiteral("libQt6Core"))) << loaded.toStdString();
    for (const char* library :
         {"libavcodec", "libavformat", "libswscale", "libpoppler", "libtesseract", "libZXing"})
        EXPECT_FALSE(loaded.contains(QLatin1String(library))) << library;
}

// The modules' errors are caught by the executable's handlers: the error type crosses.
TEST(LumbexModules, TheMediaModuleReadsAndItsErrorsReachTheCaller) {
    const auto* media = static_cast<const MediaModule*>(
        openLumbexModuleAt(builtModule(kMediaModuleFile), kMediaModuleEntry));
    const test::TemporaryFolder folder;
    const QString file = folder.write(QStringLiteral("segment.mov"), QByteArray(4096, 'x'));
    EXPECT_EQ(
        test::thrownMessage([&] { media->inspectRecordingSegment(file, newId(), {}, {}, 0, 0); }),
        QStringLiteral("The recording contains no readable video."));
}

TEST(LumbexModules, TheRecognitionModuleReads) {
    const auto* recognition = static_cast<const RecognitionModule*>(
        openLumbexModuleAt(builtModule(kRecognitionModuleFile), kRecognitionModuleEntry));
    QImage blank(64, 64, QImage::Format_RGB32);
    blank.fill(Qt::white);
    EXPECT_TRUE(recognition->openInstalledQrReader()->read(blank).empty());
    EXPECT_TRUE(recognition->openInstalledTextEngine()
                    ->read(blank.convertToFormat(QImage::Format_Grayscale8),
                           PageLayout::SingleBlock, ReadingLanguages::First)
                    .empty());
}

TEST(LumbexModules, ThePdfModuleChecksAndItsErrorsReachTheCaller) {
    const auto* pdf = static_cast<const PdfModule*>(
        openLumbexModuleAt(builtModule(kPdfModuleFile), kPdfModuleEntry));
    const test::TemporaryFolder folder;
    const QString file = folder.write(QStringLiteral("review.pdf"), QByteArray("%PDF-1.7 cut"));
    EXPECT_EQ(test::thrownMessage([&] { pdf->verifyReviewPdf(file, 1); }),
              QStringLiteral("The mobile PDF could not be verified."));
}

} // namespace
} // namespace lumbex
