#include "SentenceSummary.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

QStringList wordsOf(const QString& sentence)
{
    static const QRegularExpression nonWord(QStringLiteral("[^\\w']+"),
                                            QRegularExpression::UseUnicodePropertiesOption);
    QStringList words;
    for (const QString& word : sentence.toLower().split(nonWord, Qt::SkipEmptyParts)) {
        if (word.size() > 3) // short words say little about the subject
            words.append(word);
    }
    return words;
}

} // namespace

QStringList SentenceSummary::splitSentences(const QString& text)
{
    // A sentence ends at ".", "!" or "?" (with closing quotes or brackets) followed
    // by white space, or at a blank line.
    static const QRegularExpression end(
        QStringLiteral("(?<=[.!?])[\"'\\)\\]\\x{201D}\\x{2019}]*\\s+|\\n\\s*\\n"),
        QRegularExpression::UseUnicodePropertiesOption);
    QStringList sentences;
    for (QString part : text.split(end, Qt::SkipEmptyParts)) {
        part = part.simplified();
        if (!part.isEmpty())
            sentences.append(part);
    }
    return sentences;
}

SentenceSummary::SentenceSummary(const QString& text) : m_sentences(splitSentences(text))
{
    QHash<QString, int> frequency;
    QList<QStringList> words;
    for (const QString& sentence : m_sentences) {
        words.append(wordsOf(sentence));
        for (const QString& word : QSet<QString>(words.last().begin(), words.last().end()))
            ++frequency[word];
    }
    for (const QStringList& sentenceWords : words) {
        double score = 0;
        for (const QString& word : sentenceWords)
            score += frequency.value(word);
        // Normalised by length, so long sentences do not win by size alone.
        m_scores.append(sentenceWords.isEmpty() ? 0.0
                                                : score / std::sqrt(double(sentenceWords.size())));
    }
}

std::optional<QString> SentenceSummary::summary(int count) const
{
    if (count < 1 || m_sentences.isEmpty())
        return std::nullopt;
    QList<int> order(m_sentences.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [this](int a, int b) { return m_scores[a] > m_scores[b]; });
    order.resize(std::min<qsizetype>(count, order.size()));
    std::sort(order.begin(), order.end());
    QStringList chosen;
    for (int index : order)
        chosen.append(m_sentences[index]);
    return chosen.join(QLatin1Char(' '));
}
