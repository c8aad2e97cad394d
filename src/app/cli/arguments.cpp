#include "app/cli/arguments.h"

namespace lumbex::cli {

Arguments::Arguments(const QStringList& words, const QSet<QString>& valueOptions,
                     const QSet<QString>& flags, const QSet<QString>& pairOptions) {
    bool optionsEnded = false;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString& word = words[i];
        if (optionsEnded || !word.startsWith(u'-') || word == u"-") {
            positionals_.append(word);
        } else if (word == u"--") {
            optionsEnded = true;
        } else if (valueOptions.contains(word) || pairOptions.contains(word)) {
            const qsizetype count = pairOptions.contains(word) ? 2 : 1;
            if (values_.contains(word))
                throw UsageError(word + QStringLiteral(" is given more than once"));
            if (i + count >= words.size())
                throw UsageError(word + (count == 2 ? QStringLiteral(" needs two values")
                                                    : QStringLiteral(" needs a value")));
            values_.insert(word, words.mid(i + 1, count));
            i += count;
        } else if (flags.contains(word)) {
            if (flags_.contains(word))
                throw UsageError(word + QStringLiteral(" is given more than once"));
            flags_.insert(word);
        } else {
            throw UsageError(QStringLiteral("unknown option ") + word);
        }
    }
}

QString Arguments::required(const QString& option) const {
    if (!values_.contains(option))
        throw UsageError(option + QStringLiteral(" is required"));
    return values_.value(option).value(0);
}

} // namespace lumbex::cli
