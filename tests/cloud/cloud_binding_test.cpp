#include "cloud/cloud_binding.h"
#include "core/files.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

CloudBinding sampleBinding() {
    CloudBinding b;
    b.folder = "/home/a/Sync/Lumbex ü";
    b.localNote = "/home/a/.local/share/Lumbex/Notes/X.capturenote";
    b.account = "Syncthing:/home/a/Sync";
    b.includeVoiceAudio = false;
    return b;
}

TEST(CloudBindings, KeptBesideTheLibrary) {
    EXPECT_EQ(CloudBindings::folderBeside("/d/Lumbex/Notes"), "/d/Lumbex/Cloud");
    EXPECT_EQ(CloudBindings::folderBeside("/d/Lumbex/Notes/"), "/d/Lumbex/Cloud");
    const CloudBindings bindings("/d/Lumbex/Cloud");
    EXPECT_EQ(bindings.file(), "/d/Lumbex/Cloud/bindings.json");
    EXPECT_EQ(bindings.queue(), "/d/Lumbex/Cloud/Cloud Queue");
}

TEST(CloudBindings, RoundTripWithSortedKeysAndBase64Paths) {
    test::TemporaryFolder folder;
    const CloudBindings store(folder.path("Cloud"));
    const Id a = *parseId(u"00000000-0000-4000-8000-00000000000A");
    const Id b = *parseId(u"00000000-0000-4000-8000-00000000000B");
    store.put(b, sampleBinding());
    CloudBinding other = sampleBinding();
    other.enabled = false;
    other.account.reset();
    store.put(a, other);
    const auto loaded = store.load();
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded.at(a), other);
    EXPECT_EQ(loaded.at(b), sampleBinding());
    const QByteArray json = test::fileBytes(store.file());
    EXPECT_LT(json.indexOf(idString(a).toLatin1()), json.indexOf(idString(b).toLatin1()));
    EXPECT_FALSE(json.contains("/home/a/Sync"));
    EXPECT_TRUE(json.contains(QByteArray("/home/a/Sync/Lumbex ü").toBase64()));
    const QByteArray second = json.mid(json.indexOf(idString(b).toLatin1()));
    EXPECT_LT(second.indexOf("\"account\""), second.indexOf("\"enabled\""));
    EXPECT_EQ(CloudBinding::fromJson(sampleBinding().toJson()), sampleBinding());
}

TEST(CloudBindings, DamagedFileReadsAsNone) {
    test::TemporaryFolder folder;
    const CloudBindings store(folder.path("Cloud"));
    makeFolders(store.cloudFolder());
    writeFileAtomically(store.file(), "{ not json");
    EXPECT_TRUE(store.load().empty());
}

} // namespace
} // namespace lumbex
