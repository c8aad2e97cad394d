#pragma once

#include "core/error.h"
#include "core/file_system.h"
#include "core/files.h"

#include <QString>
#include <map>
#include <vector>

namespace lumbex::test {

// Forwards every step to the real file system, except those a test chooses to break: the
// `skip`+1-th call of an operation fails as a full disk, a cross-device link or an I/O error
// would. Counts every call, so a test can also tell which way a save went.
class FaultyFileSystem final : public FileSystem {
public:
    enum class Step { MakeFolder, WriteFile, CopyFile, HardLink, SyncFolder, Rename, Exchange };

    void fail(Step step, int error, int skip = 0) { rules_.push_back({step, error, skip}); }
    int calls(Step step) const { return calls_.count(step) ? calls_.at(step) : 0; }

    void makeFolder(const QString& path) override {
        check(Step::MakeFolder);
        local().makeFolder(path);
    }
    void writeNewFileDurably(const QString& path, const QByteArray& bytes) override {
        check(Step::WriteFile);
        local().writeNewFileDurably(path, bytes);
    }
    void copyNewFileDurably(const QString& from, const QString& to) override {
        check(Step::CopyFile);
        local().copyNewFileDurably(from, to);
    }
    // A link across devices or where links are unsupported is a refusal, not a failure.
    bool hardLink(const QString& from, const QString& to) override {
        if (breaks(Step::HardLink))
            return false;
        return local().hardLink(from, to);
    }
    void syncFolder(const QString& folder) override {
        check(Step::SyncFolder);
        local().syncFolder(folder);
    }
    void renameNoReplace(const QString& from, const QString& to) override {
        check(Step::Rename);
        local().renameNoReplace(from, to);
    }
    // Breaking the exchange stands for a file system that cannot exchange two folders.
    bool exchangePaths(const QString& first, const QString& second) override {
        if (breaks(Step::Exchange))
            return false;
        return local().exchangePaths(first, second);
    }

private:
    struct Rule {
        Step step;
        int error;
        int skip;
    };

    // The error of the rule this call breaks, or 0.
    int breaking(Step step) {
        const int call = calls_[step]++;
        for (auto it = rules_.begin(); it != rules_.end(); ++it)
            if (it->step == step && it->skip == call) {
                const int error = it->error;
                rules_.erase(it);
                return error;
            }
        return 0;
    }
    bool breaks(Step step) { return breaking(step) != 0; }
    void check(Step step) {
        if (const int error = breaking(step))
            throw LumbexError(QStringLiteral("Injected failure: %1.").arg(systemErrorText(error)),
                              error);
    }

    std::vector<Rule> rules_;
    std::map<Step, int> calls_;
};

} // namespace lumbex::test
