#pragma once

#include "ConsoleHighlighter.h"

#include <QPlainTextEdit>

struct ConsoleStyle;

// The console's text: read-only, fed whole logged pieces, keeping a bounded
// history, and colouring the blocks on screen as they come into view.
class ConsoleTextView : public QPlainTextEdit {
    Q_OBJECT
public:
    // Beyond either bound whole blocks go from the top.
    static constexpr int maximumBlocks = 50000;
    static constexpr int maximumCharacters = 8 << 20;

    explicit ConsoleTextView(QWidget* parent = nullptr);

    // Appends, keeps the history bounded, shows the end.
    void appendPieces(const QStringList& pieces);
    void scrollToTop();
    void applyConsoleStyle(const ConsoleStyle& style);
    const ConsoleHighlighter& highlighter() const { return m_highlighter; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QList<QTextBlock> visibleBlocks() const;
    void colourVisibleBlocks();
    void trimHistory();

    ConsoleHighlighter m_highlighter;
    bool m_colouringQueued = false;
    bool m_appending = false;
};
