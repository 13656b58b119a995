#pragma once

#include "Clock.h"

#include <QString>
#include <QTableView>
#include <memory>

// A table that hands type-ahead to its owner instead of searching itself:
// each printable key is added to a key string and announced with
// inlineSearch(); 0.75 s after the last key the string empties and
// inlineSearch("") follows. Any other key empties the string silently, then
// Backspace and Delete go to deleteKeyPressed(), Return and Enter to
// enterKeyPressed() when someone listens, and everything else to the table.
// The categories and tags list of the draft window uses it.
class RVTableView : public QTableView {
    Q_OBJECT
public:
    static constexpr qint64 keyPause = 750;

    explicit RVTableView(QWidget* parent = nullptr);
    ~RVTableView() override;

    QString keyString() const { return m_keyString; }
    // The clock of the pause; the system clock unless a test hands in its own.
    void setClock(Clock* clock) { m_clock = clock ? clock : &Clock::system(); }

    // Qt's own search by typing is off: the owner searches.
    void keyboardSearch(const QString& search) override;

signals:
    void inlineSearch(const QString& keys);
    void deleteKeyPressed(RVTableView* table);
    void enterKeyPressed(RVTableView* table);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void eraseKeys();
    void stopKeyTimer();
    bool answers(const QMetaMethod& signal) const;

    QString m_keyString;
    Clock* m_clock = &Clock::system();
    std::unique_ptr<Clock::Timer> m_keyTimer;
};
