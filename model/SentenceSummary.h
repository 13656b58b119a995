#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// A small extractive summary: the sentences whose words occur most often in the
// whole text, given back in their original order.
class SentenceSummary {
public:
    explicit SentenceSummary(const QString& text);

    int sentenceCount() const { return int(m_sentences.size()); }
    // The `count` best sentences joined by a space; nullopt when the text has
    // no sentence or count is below 1. Fewer sentences than asked give them all.
    std::optional<QString> summary(int count) const;

    static QStringList splitSentences(const QString& text);

private:
    QStringList m_sentences;
    QList<double> m_scores;
};
