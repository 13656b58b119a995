#include "SpellChecker.h"

#include "SourceEditorLog.h"
#include "SpellDictionaries.h"

#include <QFileInfo>
#include <hunspell/hunspell.hxx>

std::shared_ptr<SpellChecker> SpellChecker::forLanguage(const QString& language)
{
    static QHash<QString, std::shared_ptr<SpellChecker>> checkers;
    const std::optional<SpellDictionaries::Dictionary> chosen =
        SpellDictionaries::dictionaryFor(language);
    if (!chosen)
        return nullptr;
    std::shared_ptr<SpellChecker>& checker = checkers[chosen->path];
    if (!checker) {
        checker = std::make_shared<SpellChecker>(chosen->path);
        if (!checker->isValid()) {
            checkers.remove(chosen->path);
            return nullptr;
        }
    }
    return checker;
}

SpellChecker::SpellChecker(const QString& dicPath)
{
    const QFileInfo dic(dicPath);
    m_code = dic.completeBaseName();
    const QString aff = dic.absolutePath() + QLatin1Char('/') + m_code + QStringLiteral(".aff");
    if (!dic.isReadable() || !QFileInfo(aff).isReadable()) {
        qCWarning(lcSourceEditor).noquote() << "no spelling dictionary at" << dicPath;
        return;
    }
    m_hunspell = std::make_unique<Hunspell>(QFile::encodeName(aff).constData(),
                                            QFile::encodeName(dicPath).constData());
    const QString encoding = QString::fromStdString(m_hunspell->get_dict_encoding()).toUpper();
    // Dictionaries are written in UTF-8 or in Latin-1 ("ISO8859-1").
    m_utf8 = !(encoding.startsWith(QLatin1String("ISO8859-1")) ||
               encoding.startsWith(QLatin1String("ISO-8859-1")));
}

SpellChecker::~SpellChecker() = default;

std::string SpellChecker::encode(QStringView word) const
{
    return m_utf8 ? word.toUtf8().toStdString() : word.toLatin1().toStdString();
}

QString SpellChecker::decode(const std::string& bytes) const
{
    return m_utf8 ? QString::fromStdString(bytes)
                  : QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

bool SpellChecker::isCorrect(QStringView word)
{
    if (!m_hunspell || word.isEmpty())
        return true;
    const QString key = word.toString();
    const auto known = m_known.constFind(key);
    if (known != m_known.constEnd())
        return *known;
    // A word the dictionary's alphabet cannot write is no word of it to judge.
    const bool writable = m_utf8 || QString::fromLatin1(key.toLatin1()) == key;
    const bool correct = !writable || m_hunspell->spell(encode(key));
    m_known.insert(key, correct);
    return correct;
}

QStringList SpellChecker::suggestions(QStringView word)
{
    QStringList result;
    if (!m_hunspell || word.isEmpty())
        return result;
    for (const std::string& suggestion : m_hunspell->suggest(encode(word)))
        result.append(decode(suggestion));
    return result;
}
