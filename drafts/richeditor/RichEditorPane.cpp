#include "RichEditorPane.h"

#include "RichStyleBar.h"
#include "TKWebView.h"

#include <QVBoxLayout>

RichEditorPane::RichEditorPane(DraftEditorHost* draft, QWidget* parent)
    : QWidget(parent), m_styleBar(new RichStyleBar(this)), m_editor(new TKWebView(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_styleBar);
    layout->addWidget(m_editor, 1);
    m_editor->setDraft(draft);
    m_editor->setStyleBar(m_styleBar);
    m_editor->setEditorWidget(this);
    setFocusProxy(m_editor);
}
