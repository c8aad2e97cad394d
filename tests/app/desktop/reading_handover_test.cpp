#include "app/desktop/single_instance.h"
#include "app/reading_handover.h"
#include "app/recognition_engines.h"
#include "support/temporary_folder.h"
#include "support/test_images.h"

#include <QBuffer>
#include <QEventLoop>
#include <QImageWriter>
#include <QLocalSocket>
#include <QProcess>
#include <QTimer>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

struct CommandRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs the command line while this thread's event loop keeps serving the socket.
CommandRun lumbex(const QStringList& args, const QString& folder) {
    QProcess process;
    process.setWorkingDirectory(folder);
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    process.start(QStringLiteral(LUMBEX_BINARY), args);
    loop.exec();
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

QByteArray png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(image);
    return bytes;
}

class ReadingHandoverTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The socket's name follows the settings folder: this test's own, shared with the
        // command lines it starts.
        qputenv("XDG_CONFIG_HOME", folder.path(QStringLiteral("config")).toUtf8());
        QLocalServer::removeServer(SingleInstance::socketName());
    }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }

    test::TemporaryFolder folder;
};

TEST_F(ReadingHandoverTest, TheCommandLinePrintsTheSameWhetherItReadsOrARunningAppReads) {
    const QImage terminal = test::textScreen({600, 110}, {QStringLiteral("$ ls src"),
                                                          QStringLiteral("main.cpp  notes.cpp"),
                                                          QStringLiteral("    build failed")});
    const QString image = folder.write(QStringLiteral("terminal.png"), png(terminal));
    const QString code = folder.path(QStringLiteral("code.png"));
    QProcess encoder;
    encoder.start(QStringLiteral("qrencode"),
                  {QStringLiteral("-o"), code, QStringLiteral("lumbex")});
    ASSERT_TRUE(encoder.waitForFinished());
    const QList<QStringList> commands = {
        {"recognize", image},           {"recognize", image, "--layout", "code"},
        {"recognize", image, "--json"}, {"recognize", image, "--area", "0,20,600,40"},
        {"recognize", code, "--qr"},    {"recognize", image, "--area", "700,0,10,10"},
    };
    std::vector<CommandRun> alone;
    for (const QStringList& command : commands)
        alone.push_back(lumbex(command, folder.path()));

    SingleInstance running;
    const RecognitionEngines engines = warmRecognitionEngines();
    QObject context;
    int requests = 0;
    running.listen([](const QStringList&) { ADD_FAILURE() << "a reading arrived as files"; },
                   [&](ReadingRequest request, SingleInstance::ReadingAnswer answer) {
                       ++requests;
                       answerReadingRequest(engines, std::move(request), &context,
                                            std::move(answer));
                   });
    for (qsizetype i = 0; i < commands.size(); ++i) {
        const CommandRun handed = lumbex(commands[i], folder.path());
        EXPECT_EQ(handed.exitCode, alone[i].exitCode) << i;
        EXPECT_EQ(handed.out, alone[i].out) << i;
        EXPECT_EQ(handed.err, alone[i].err) << i;
    }
    EXPECT_FALSE(alone[0].out.isEmpty());
    EXPECT_FALSE(alone.back().err.isEmpty()) << "an area outside the image is refused";
    // The refused area is refused before anything is read.
    EXPECT_EQ(requests, commands.size() - 1);
}

TEST_F(ReadingHandoverTest, ARequestThatIsNotValidIsClosedUnanswered) {
    SingleInstance running;
    int requests = 0;
    running.listen([](const QStringList&) {},
                   [&](ReadingRequest, SingleInstance::ReadingAnswer) { ++requests; });
    // A body of the size it claims that holds no bitmap.
    const QByteArray body("not a bitmap");
    QByteArray request;
    QDataStream stream(&request, QIODevice::WriteOnly);
    stream << QStringList{kReadingRequestWord} << qint64(body.size());
    request.append(body);
    QLocalSocket socket;
    socket.connectToServer(SingleInstance::socketName());
    ASSERT_TRUE(socket.waitForConnected(1000));
    socket.write(request);
    socket.flush();
    QEventLoop loop;
    QObject::connect(&socket, &QLocalSocket::disconnected, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    if (socket.state() != QLocalSocket::UnconnectedState)
        loop.exec();
    EXPECT_EQ(socket.state(), QLocalSocket::UnconnectedState);
    EXPECT_EQ(socket.bytesAvailable(), 0);
    EXPECT_EQ(requests, 0);
}

} // namespace
} // namespace lumbex
