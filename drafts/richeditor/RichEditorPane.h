#pragma once

#include <QWidget>

class DraftEditorHost;
class RichStyleBar;
class TKWebView;

// One pane of a draft window in rich mode: the style bar above the editor it
// acts on. The draft reaches the editor through DraftEditor; the editor gives
// this pane as its widget.
class RichEditorPane : public QWidget {
    Q_OBJECT
public:
    explicit RichEditorPane(DraftEditorHost* draft, QWidget* parent = nullptr);

    TKWebView* editor() const { return m_editor; }
    RichStyleBar* styleBar() const { return m_styleBar; }

private:
    RichStyleBar* m_styleBar;
    TKWebView* m_editor;
};
