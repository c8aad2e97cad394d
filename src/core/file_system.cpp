#include "core/file_system.h"

#include "core/files.h"

namespace lumbex {
namespace {

class LocalFileSystem final : public FileSystem {
public:
    void makeFolder(const QString& path) override { lumbex::makeFolder(path); }
    void writeNewFileDurably(const QString& path, const QByteArray& bytes) override {
        lumbex::writeNewFileDurably(path, bytes);
    }
    void copyNewFileDurably(const QString& from, const QString& to) override {
        lumbex::copyNewFileDurably(from, to);
    }
    bool hardLink(const QString& from, const QString& to) override {
        return lumbex::hardLink(from, to);
    }
    void syncFolder(const QString& folder) override { lumbex::syncFolder(folder); }
    void renameNoReplace(const QString& from, const QString& to) override {
        lumbex::renameNoReplace(from, to);
    }
    bool exchangePaths(const QString& first, const QString& second) override {
        return lumbex::exchangePaths(first, second);
    }
};

} // namespace

FileSystem& FileSystem::local() {
    static LocalFileSystem fileSystem;
    return fileSystem;
}

} // namespace lumbex
