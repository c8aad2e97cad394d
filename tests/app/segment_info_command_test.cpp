#include "command_line_fixture.h"
#include "core/ids.h"
#include "model/recording_files.h"
#include "platform/movie_fixtures.h"

namespace lumbex {
namespace {

class SegmentInfoCommandTest : public test::CommandLineTest {
protected:
    // A one-second segment with system sound, the microphone declared but silent.
    QString segment(const QString& name) const {
        const QString path = folder.path(name);
        std::vector<test::Picture> pictures;
        for (qint64 t = 0; t < 1'000'000; t += 250'000)
            pictures.push_back({t, Qt::yellow});
        test::writeMovie(
            test::movieSettings(path, 64, 48, {RecordingAudio::System, RecordingAudio::Microphone}),
            pictures, 1'000'000, test::toneFor(RecordingAudio::System, 1));
        return path;
    }
};

TEST_F(SegmentInfoCommandTest, InspectPrintsTheSegmentPlainOrAsItsJson) {
    const QString id = QStringLiteral("0B3C5D7E-1111-4222-8333-944455556666");
    const QString path = segment(id + QStringLiteral(".mov"));
    const QString hash = RecordingFiles::hash(path);
    const qint64 bytes = QFileInfo(path).size();
    const qint64 duration = 750'000 + kRecordingFrameMicroseconds;

    const test::Result plain = lumbex({"recording", "inspect", path});
    EXPECT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    EXPECT_EQ(plain.out, QStringLiteral("size 64x48\nstart 0\nduration %1\nbytes %2\nsha256 %3\n"
                                        "audio system=2\n")
                             .arg(duration)
                             .arg(bytes)
                             .arg(hash));

    const test::Result json = lumbex({"recording", "inspect", path, "--json"});
    EXPECT_EQ(json.exitCode, 0) << json.err.toStdString();
    EXPECT_EQ(json.out,
              QStringLiteral("{\"audioTracks\":[\"system\",2],\"byteCount\":%1,\"droppedAudio\":0,"
                             "\"droppedVideo\":0,\"duration\":%2,\"height\":48,\"id\":\"%3\","
                             "\"sha256\":\"%4\",\"sourceStart\":0,\"width\":64}\n")
                  .arg(bytes)
                  .arg(duration)
                  .arg(id, hash));
}

TEST_F(SegmentInfoCommandTest, InspectGivesAnyOtherNameAFreshIdAndRefusesWhatIsNoMovie) {
    const QString path = segment(QStringLiteral("take one.mov"));
    const test::Result json = lumbex({"recording", "inspect", "--json", path});
    EXPECT_EQ(json.exitCode, 0) << json.err.toStdString();
    const QString id = json.out.section(QStringLiteral("\"id\":\""), 1).left(36);
    EXPECT_TRUE(parseId(id).has_value()) << json.out.toStdString();

    const test::Result words =
        lumbex({"recording", "inspect", folder.write(QStringLiteral("words.mov"), "words")});
    EXPECT_EQ(words.exitCode, 1);
    EXPECT_EQ(words.err, QStringLiteral("The recording contains no readable video.\n"));
    EXPECT_TRUE(words.out.isEmpty());

    const test::Result usage = lumbex({"recording", "inspect"});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_TRUE(usage.err.contains(QStringLiteral("usage: lumbex recording inspect")));
}

} // namespace
} // namespace lumbex
