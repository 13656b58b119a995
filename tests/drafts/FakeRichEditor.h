#pragma once

#include "AsyncDraftEditor.h"
#include "DraftEditor.h"

#include <QList>
#include <QStringList>
#include <QTimer>
#include <QWidget>

// A rich editor as the draft sees it: content that comes back later, or not
// at all, or an editor whose renderer dies. The user's typing is played with
// type().
class FakeRichEditor : public QWidget, public DraftEditor, public AsyncDraftEditor {
public:
    enum class Answer {
        AtOnce, // before commitContent() returns
        Later,  // after `delay` ms
        Never,  // a hung renderer: the answer stays pending
        Fail,   // the renderer dies `delay` ms after the question
    };

    explicit FakeRichEditor(QWidget* parent = nullptr) : QWidget(parent) {}

    QWidget* editorWidget() override { return this; }
    void commitContent(TextHandler then) override
    {
        ++commits;
        switch (answer) {
        case Answer::AtOnce:
            then(content);
            break;
        case Answer::Later:
            QTimer::singleShot(delay, this, [this, then] { then(content); });
            break;
        case Answer::Never:
            pending.append(then);
            break;
        case Answer::Fail:
            QTimer::singleShot(delay, this,
                               [this] { reportFailure(QStringLiteral("the renderer went away")); });
            break;
        }
    }
    void setContent(const QString& text) override
    {
        content = text;
        given = text;
        ++loads;
    }
    void fetchSelection(TextHandler then) override { then(QString()); }
    void replaceSelection(const QString& text) override { content += text; }
    void applyCustomTag(const RVTag&) override {}
    void bold() override { styles.append(QStringLiteral("bold")); }
    void italic() override { styles.append(QStringLiteral("italic")); }
    void undo() override {}
    void redo() override {}

    // The user types: the content changes; with `push` the editor also hands
    // the content over unasked, as the rich editor does after edits.
    void type(const QString& text, bool push = false)
    {
        content = text;
        reportChange();
        if (push)
            pushContent(text);
    }
    // The renderer dies: the page shows again what it was last given, what
    // was typed since is gone.
    void crash()
    {
        content = given;
        reportFailure(QStringLiteral("the renderer went away"));
    }
    // The page of a new renderer is ready.
    void recover() { reportRecovered(); }
    // A hung renderer answers after all.
    void answerPending()
    {
        const QList<TextHandler> waiting = pending;
        pending.clear();
        for (const TextHandler& then : waiting)
            then(content);
    }

    Answer answer = Answer::AtOnce;
    int delay = 20;
    QString content;
    QString given; // the text setContent() last gave
    int commits = 0;
    int loads = 0;
    QStringList styles; // the style commands given, in order
    QList<TextHandler> pending;
};
