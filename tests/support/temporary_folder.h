#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace lumbex::test {

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
