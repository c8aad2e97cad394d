#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <map>

namespace lumbex::test {

// The bytes of a file a test wrote or expects (empty when it cannot be read).
QByteArray fileBytes(const QString& path);

// The names in `folder`, hidden ones included, sorted.
QStringList entriesIn(const QString& folder);

// Every file below `folder` with its bytes, by relative path.
std::map<QString, QByteArray> treeOf(const QString& folder);

// A fresh folder removed at the end of the test.
class TemporaryFolder {
public:
    TemporaryFolder();
    QString path(const QString& name = {}) const;
    // Writes bytes to a file inside the folder and returns its path.
    QString write(const QString& name, const QByteArray& bytes) const;

private:
    QTemporaryDir dir_;
};

} // namespace lumbex::test
