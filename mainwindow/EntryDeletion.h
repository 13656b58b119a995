#pragma once

#include "ModelTypes.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class Entry;
class QMessageBox;
class QWidget;

// Deleting entries from the entries table: a sheet asks first, then each
// entry is removed from its blog with its file, or deleted on its server and
// then removed. Four sheets: one entry or several, only local copies or some
// also on the server.
//
// An entry being published, or already being deleted, is refused with a
// sentence. Each entry is marked as being deleted and its draft closed first.
// An entry that exists only here is removed here even when the server copies
// were chosen: it has no server copy to delete. A deletion the server refuses
// leaves the entry as it was, no longer marked, and says why in the server's
// words; asking again starts a new deletion.
class EntryDeletion : public QObject {
    Q_OBJECT
public:
    enum class Choice { Cancel, LocalCopy, LocalAndServer };

    // What the sheet asks and offers. The default button proceeds (return
    // code 1); the alternate button, when there is one, cancels (0); the other
    // button (-1) proceeds with the server copies when the sheet is about them
    // and cancels otherwise.
    struct Sheet {
        QString title;
        QString informativeText;
        QString defaultButton;
        QString alternateButton;
        QString otherButton;
        bool onServer = false;
    };

    // The sheet for these entries: the server sheet when at least one of them
    // is not local only. Empty (no title) without entries.
    static Sheet sheetFor(const QList<Entry*>& entries);
    static Choice choiceFor(const Sheet& sheet, int returnCode);

    explicit EntryDeletion(QWidget* window, QObject* parent = nullptr);
    ~EntryDeletion() override;

    // Shows the sheet on the window; the answer deletes. Nothing without entries.
    void ask(const QList<EntryPtr>& entries);
    // The sheet while it is open, and the last alert while it is.
    QMessageBox* sheet() const;
    QMessageBox* alert() const;

    // Deletes as chosen, at once.
    void perform(const QList<EntryPtr>& entries, Choice choice);

signals:
    // Sentences about entries that were left alone.
    void refused(const QStringList& reasons);
    // The server did not delete the entry; `message` is its answer.
    void failed(Entry* entry, const QString& message);

private:
    void proceed(const EntryPtr& entry, Choice choice);
    void deleteOnServer(const EntryPtr& entry);
    void watch(const EntryPtr& entry);
    void tell(const QString& title, const QStringList& lines);

    QWidget* m_window;
    QPointer<QMessageBox> m_sheet;
    QPointer<QMessageBox> m_alert;
    QString m_alertTitle;
    QStringList m_alertLines;
};
