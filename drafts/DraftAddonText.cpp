#include "DraftAddonText.h"

#include "DraftEditor.h"

void DraftAddonText::prepare(DraftEditor& editor, const QString& text, bool wholeText)
{
    m_editor = DraftEditor::widgetOf(&editor);
    m_text = text;
    m_wholeText = wholeText;
}

QString DraftAddonText::selectedText(bool wholeText)
{
    Q_UNUSED(wholeText); // fetched as the add-on asked, before it started
    return m_editor ? m_text : QString();
}

void DraftAddonText::changeSelectedText(const QString& text)
{
    DraftEditor* editor = DraftEditor::containing(m_editor);
    if (!editor)
        return;
    if (m_wholeText)
        editor->selectWholeContent();
    editor->replaceSelection(text);
}
