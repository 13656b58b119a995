#include "SpellDictionaries.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <QStandardPaths>
#include <algorithm>

namespace SpellDictionaries {

QStringList standardFolders()
{
    return {QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                QStringLiteral("/hunspell"),
            QStringLiteral("/usr/local/share/hunspell"), QStringLiteral("/usr/share/hunspell")};
}

QString titleForCode(const QString& code)
{
    // "de_DE_frami": language, territory, then a variant of the word list.
    const QStringList parts = code.split(QLatin1Char('_'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return code;
    const QLocale language(parts.first());
    if (language.language() == QLocale::C || language.language() == QLocale::AnyLanguage)
        return code;
    QStringList details;
    if (parts.size() >= 2) {
        const QLocale full(parts.at(0) + QLatin1Char('_') + parts.at(1));
        if (full.language() == language.language() &&
            QLocale::territoryToCode(full.territory()) == parts.at(1))
            details << QLocale::territoryToString(full.territory());
        else
            details << parts.at(1);
    }
    for (qsizetype i = 2; i < parts.size(); ++i)
        details << parts.at(i);
    const QString name = QLocale::languageToString(language.language());
    return details.isEmpty()
               ? name
               : QStringLiteral("%1 (%2)").arg(name, details.join(QLatin1String(", ")));
}

QList<Dictionary> installed(const QStringList& folders)
{
    QList<Dictionary> result;
    QSet<QString> codes;
    for (const QString& folder : folders) {
        const QFileInfoList files =
            QDir(folder).entryInfoList({QStringLiteral("*.dic")}, QDir::Files | QDir::Readable);
        for (const QFileInfo& file : files) {
            const QString code = file.completeBaseName();
            if (codes.contains(code) || !QFileInfo::exists(file.absolutePath() + QLatin1Char('/') +
                                                           code + QStringLiteral(".aff")))
                continue;
            codes.insert(code);
            result.append({code, titleForCode(code), file.absoluteFilePath()});
        }
    }
    // Two codes of one language and country (a symbolic link's name, a
    // variant) would look alike: such titles carry their code.
    QHash<QString, int> seen;
    for (const Dictionary& d : result)
        ++seen[d.title];
    for (Dictionary& d : result) {
        if (seen.value(d.title) > 1)
            d.title += QStringLiteral(" [%1]").arg(d.code);
    }
    std::sort(result.begin(), result.end(), [](const Dictionary& a, const Dictionary& b) {
        return a.title.compare(b.title, Qt::CaseInsensitive) < 0;
    });
    return result;
}

std::optional<Dictionary> dictionaryFor(const QString& language,
                                        const QList<Dictionary>& dictionaries,
                                        const QString& systemLanguage)
{
    for (const QString& wanted : {language, systemLanguage, QStringLiteral("en_US")}) {
        if (wanted.isEmpty())
            continue;
        for (const Dictionary& d : dictionaries) {
            if (d.title == wanted || d.code == wanted)
                return d;
        }
    }
    if (dictionaries.isEmpty())
        return std::nullopt;
    return dictionaries.first();
}

} // namespace SpellDictionaries
