#pragma once

#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <stdexcept>

namespace lumbex::cli {

// Thrown for words that do not fit a command's usage; the command line answers with exit 2.
struct UsageError : std::runtime_error {
    explicit UsageError(const QString& what) : std::runtime_error(what.toStdString()) {}
};

// A command's arguments split into positionals, options with a value and flags.
class Arguments {
public:
    // `valueOptions` take the next word as their value ("-o FILE"), `pairOptions` the next two
    // ("--role 2 After"); `flags` stand alone. Unknown options, repeated options and flags, and an
    // option without its values are usage errors.
    Arguments(const QStringList& words, const QSet<QString>& valueOptions,
              const QSet<QString>& flags, const QSet<QString>& pairOptions = {});

    const QStringList& positionals() const { return positionals_; }
    bool has(const QString& option) const {
        return values_.contains(option) || flags_.contains(option);
    }
    QString value(const QString& option) const { return values_.value(option).value(0); }
    // Both words of a pair option.
    QStringList pair(const QString& option) const { return values_.value(option); }
    // The value of an option the command cannot do without.
    QString required(const QString& option) const;

private:
    QStringList positionals_;
    QMap<QString, QStringList> values_;
    QSet<QString> flags_;
};

} // namespace lumbex::cli
