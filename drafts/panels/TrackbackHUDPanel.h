// The draft window's trackback panel: the addresses a post pings when published.
#pragma once

#include <QFrame>
#include <QStringList>

class Draft;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// A table of the post's trackback addresses with a field to add one and a
// button to remove the selected ones. Only http and https addresses are
// taken, trimmed, each once; anything else is refused in words under the
// table. The post's list changes only when the user adds or removes.
class TrackbackHUDPanel : public QFrame {
    Q_OBJECT
public:
    explicit TrackbackHUDPanel(Draft& draft, QWidget* parent = nullptr);

    // A post keeps at most this many addresses.
    static constexpr int maximumAddresses = 10;

    // Why `typed` cannot be added to `existing`; empty when it can, with the
    // address to store in `cleaned`.
    static QString refusal(const QString& typed, const QStringList& existing, QString* cleaned);

    // Shows the entry's addresses; called each time the panel opens.
    void opened();
    // Adds the typed address (true), or shows why not.
    bool addAddress(const QString& typed);
    void removeSelected();
    void done() { emit finished(); }

    QStringList addresses() const;
    QTableWidget* table() const { return m_table; }
    QLineEdit* field() const { return m_field; }
    // The refusal shown; empty when none.
    QString refusalText() const;

signals:
    void finished();

private:
    void showAddresses();
    void storeAddresses(const QStringList& addresses);

    Draft& m_draft;
    QTableWidget* m_table;
    QLineEdit* m_field;
    QPushButton* m_add;
    QPushButton* m_remove;
    QPushButton* m_done;
    QLabel* m_refusal;
};
