#pragma once

#include "AddonTextHolder.h"

// Stands in for a draft's editors in add-on tests: a text with a selection,
// and whether the focus is in an editor at all.
class StandInTextHolder : public AddonTextHolder {
public:
    explicit StandInTextHolder(QString text = {}) : m_text(std::move(text)) {}

    QString text() const { return m_text; }
    void setText(const QString& text)
    {
        m_text = text;
        m_start = m_length = 0;
    }
    void select(qsizetype start, qsizetype length)
    {
        m_start = start;
        m_length = length;
    }
    // Without focus in an editor the holder hands over nothing and takes nothing.
    void setFocusInEditor(bool focus) { m_focus = focus; }
    int replacements() const { return m_replacements; }

    QString selectedText(bool wholeText) override
    {
        if (!m_focus)
            return {};
        if (wholeText)
            select(0, m_text.size());
        return m_text.mid(m_start, m_length);
    }

    void changeSelectedText(const QString& text) override
    {
        if (!m_focus)
            return;
        m_text.replace(m_start, m_length, text);
        m_length = text.size();
        ++m_replacements;
    }

private:
    QString m_text;
    qsizetype m_start = 0;
    qsizetype m_length = 0;
    bool m_focus = true;
    int m_replacements = 0;
};
