// Marks the misspelt words a source view shows and offers guesses for them.
#include "SourceViewSpelling.h"

#include "HtmlSyntaxHighlighter.h"
#include "RVTextView.h"
#include "SpellChecker.h"
#include "UserDefaults.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace {

bool isWordCharacter(QChar c)
{
    return c.isLetter() || c.isMark();
}

} // namespace

SourceViewSpelling::SourceViewSpelling(RVTextView& view) : m_view(view)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(150);
    QObject::connect(&m_timer, &QTimer::timeout, &m_view, [this] { updateSpelling(); });
    QObject::connect(m_view.verticalScrollBar(), &QScrollBar::valueChanged, &m_timer,
                     qOverload<>(&QTimer::start));
}

SourceViewSpelling::~SourceViewSpelling() = default;

void SourceViewSpelling::readPreference()
{
    const QVariant spelling = UserDefaults::sharedInstance().value(QStringLiteral("spell_check"));
    m_spellCheck = !spelling.isValid() || spelling.toBool();
    if (m_spellCheck)
        m_speller = SpellChecker::forLanguage(QString());
}

void SourceViewSpelling::setSpellingLanguage(const QString& language)
{
    m_speller = SpellChecker::forLanguage(language);
    m_timer.start();
}

void SourceViewSpelling::setContinuousSpellChecking(bool on)
{
    m_spellCheck = on;
    if (on && !m_speller)
        m_speller = SpellChecker::forLanguage(QString());
    m_timer.start();
}

std::optional<QStringList> SourceViewSpelling::guessesFor(const QString& word) const
{
    if (!m_spellCheck || !m_speller || word.isEmpty() || m_speller->isCorrect(word))
        return std::nullopt;
    return m_speller->suggestions(word).mid(0, 6);
}

QString SourceViewSpelling::wordAt(const QPoint& position, QTextCursor* wordCursor) const
{
    QTextCursor cursor = m_view.cursorForPosition(position);
    const QTextBlock block = cursor.block();
    const QString text = block.text();
    qsizetype start = cursor.positionInBlock();
    qsizetype end = start;
    while (start > 0 && isWordCharacter(text[start - 1]))
        --start;
    while (end < text.size() && isWordCharacter(text[end]))
        ++end;
    if (start == end)
        return {};
    cursor.setPosition(block.position() + int(start));
    cursor.setPosition(block.position() + int(end), QTextCursor::KeepAnchor);
    *wordCursor = cursor;
    return text.sliced(start, end - start);
}

// Marks the misspelt words of the lines in view, in text outside tags.
void SourceViewSpelling::updateSpelling()
{
    m_marks.clear();
    if (m_spellCheck && m_speller) {
        QTextCharFormat mark;
        mark.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
        mark.setUnderlineColor(Qt::red);
        const QPointF offset = m_view.contentOffset();
        const qreal bottom = m_view.viewport()->height();
        for (QTextBlock block = m_view.firstVisibleBlock(); block.isValid(); block = block.next()) {
            if (m_view.blockBoundingGeometry(block).translated(offset).top() > bottom)
                break;
            const QString text = block.text();
            for (const HtmlSyntax::Span& span : m_view.m_highlighter->spansOfBlock(block)) {
                if (span.kind != HtmlSyntax::Kind::Plain)
                    continue;
                qsizetype i = span.start;
                const qsizetype end = span.start + span.length;
                while (i < end) {
                    if (!isWordCharacter(text[i])) {
                        ++i;
                        continue;
                    }
                    qsizetype wordEnd = i;
                    while (
                        wordEnd < end &&
                        (isWordCharacter(text[wordEnd]) ||
                         ((text[wordEnd] == QLatin1Char('\'') || text[wordEnd] == QChar(0x2019)) &&
                          wordEnd + 1 < end && isWordCharacter(text[wordEnd + 1]))))
                        ++wordEnd;
                    // Entity names ("&nbsp;") and words glued to digits are no words.
                    const bool entity = i > 0 && text[i - 1] == QLatin1Char('&');
                    const bool glued = (i > 0 && text[i - 1].isDigit()) ||
                                       (wordEnd < text.size() && text[wordEnd].isDigit());
                    if (!entity && !glued &&
                        !m_speller->isCorrect(QStringView(text).sliced(i, wordEnd - i))) {
                        QTextEdit::ExtraSelection selection;
                        selection.cursor = QTextCursor(m_view.document());
                        selection.cursor.setPosition(block.position() + int(i));
                        selection.cursor.setPosition(block.position() + int(wordEnd),
                                                     QTextCursor::KeepAnchor);
                        selection.format = mark;
                        m_marks.append(selection);
                    }
                    i = wordEnd;
                }
            }
        }
    }
    m_view.refreshExtraSelections();
}
