#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <memory>

class Hunspell;

// Spelling with one of the installed hunspell dictionaries (the list the
// preferences offer as blog languages). Answers are remembered per word.
class SpellChecker {
public:
    // The checker for a blog's language, with the dictionary
    // SpellDictionaries::dictionaryFor chooses (the rich editor's rule too).
    // Null when none is installed. One checker per dictionary is kept for
    // the whole process.
    static std::shared_ptr<SpellChecker> forLanguage(const QString& language);

    // Reads the dictionary `dicPath` and the affix file beside it.
    explicit SpellChecker(const QString& dicPath);
    ~SpellChecker();
    SpellChecker(const SpellChecker&) = delete;
    SpellChecker& operator=(const SpellChecker&) = delete;

    QString code() const { return m_code; }
    bool isValid() const { return m_hunspell != nullptr; }

    bool isCorrect(QStringView word);
    QStringList suggestions(QStringView word);

private:
    std::string encode(QStringView word) const;
    QString decode(const std::string& bytes) const;

    QString m_code;
    std::unique_ptr<Hunspell> m_hunspell;
    bool m_utf8 = true;
    QHash<QString, bool> m_known;
};
