#include "platform/letter_sounds.h"

#include <QStringList>
#include <array>
#include <utility>

namespace lumbex {
namespace {

// Longest spellings first, so that "tch" wins over "t".
const std::array<std::pair<const char*, const char*>, 30> kGroups{{
    {"tch", "CH"}, {"sch", "S K"}, {"igh", "AY"}, {"ch", "CH"},  {"sh", "SH"},   {"th", "TH"},
    {"ph", "F"},   {"ck", "K"},    {"ng", "NG"},  {"qu", "K W"}, {"wh", "W"},    {"kn", "N"},
    {"wr", "R"},   {"ee", "IY"},   {"ea", "IY"},  {"oo", "UW"},  {"ou", "AW"},   {"ow", "OW"},
    {"ai", "EY"},  {"ay", "EY"},   {"oa", "OW"},  {"oi", "OY"},  {"oy", "OY"},   {"au", "AO"},
    {"aw", "AO"},  {"er", "ER"},   {"ir", "ER"},  {"ur", "ER"},  {"ar", "AA R"}, {"or", "AO R"},
}};

const char* single(QChar letter, QChar next, bool first) {
    switch (letter.unicode()) {
    case 'a':
        return "AE";
    case 'b':
        return "B";
    case 'c':
        return next == u'e' || next == u'i' || next == u'y' ? "S" : "K";
    case 'd':
        return "D";
    case 'e':
        return "EH";
    case 'f':
        return "F";
    case 'g':
        return "G";
    case 'h':
        return "HH";
    case 'i':
        return "IH";
    case 'j':
        return "JH";
    case 'k':
        return "K";
    case 'l':
        return "L";
    case 'm':
        return "M";
    case 'n':
        return "N";
    case 'o':
        return "AA";
    case 'p':
        return "P";
    case 'q':
        return "K";
    case 'r':
        return "R";
    case 's':
        return "S";
    case 't':
        return "T";
    case 'u':
        return "AH";
    case 'v':
        return "V";
    case 'w':
        return "W";
    case 'x':
        return first ? "Z" : "K S";
    case 'y':
        return first ? "Y" : "IY";
    case 'z':
        return "Z";
    default:
        return nullptr;
    }
}

} // namespace

QString guessPhones(const QString& lowerCaseWord) {
    QString word = lowerCaseWord;
    word.remove(u'\'');
    // A final silent e after a consonant ("rate", "cache").
    if (word.size() > 3 && word.endsWith(u'e') &&
        !QStringLiteral("aeiou").contains(word[word.size() - 2]))
        word.chop(1);
    QStringList phones;
    qsizetype i = 0;
    while (i < word.size()) {
        bool matched = false;
        for (const auto& [spelling, sound] : kGroups) {
            const QLatin1StringView group(spelling);
            if (QStringView(word).mid(i).startsWith(group)) {
                for (const QString& phone : QString::fromLatin1(sound).split(u' '))
                    if (phones.isEmpty() || phones.last() != phone)
                        phones.append(phone);
                i += group.size();
                matched = true;
                break;
            }
        }
        if (matched)
            continue;
        const QChar next = i + 1 < word.size() ? word[i + 1] : QChar();
        if (const char* sound = single(word[i], next, i == 0))
            for (const QString& phone : QString::fromLatin1(sound).split(u' '))
                if (phones.isEmpty() || phones.last() != phone)
                    phones.append(phone);
        ++i;
    }
    return phones.join(u' ');
}

} // namespace lumbex
