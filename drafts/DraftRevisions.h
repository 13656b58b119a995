#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <functional>

class Entry;
class QMenu;

// The earlier states of one draft's entry: its title, body, extended text and
// summary as they were before each commit, newest first, at most 50, none
// twice. They live in the user's cache folder, one XML property list per
// entry at "<cache>/<accountID>/<MD5 of blog>/<MD5 of entry>", rewritten
// atomically after each new one.
//
// The list follows the entry: whenever the entry's identifier, blog or account
// changes (Save As, a move to another blog), the next use reads the list of the
// entry as it now is, so two entries never share one history.
class DraftRevisions : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxRevisions = 50;

    explicit DraftRevisions(QObject* parent = nullptr);

    // The revision file of `entry`, its folders made; empty when the entry
    // has no blog or account, or the cache folder cannot be had.
    static QString revisionPath(const Entry& entry);
    // Whether `list` holds a revision with the same title and texts.
    static bool hasRevision(const QVariantList& list, const QVariantMap& revision);
    // The menu title of a revision: when it was taken, with seconds.
    static QString menuTitle(const QVariantMap& revision);

    // Reads the list of `entry` when it is not the one held; true when it changed.
    bool follow(const Entry& entry);
    // The same post now stands elsewhere (another blog or account): the list
    // held moves to the entry's path, written there before the old file goes.
    // Should it not be written, the old file stays and the list lives on in
    // memory. True when the path changed.
    bool carryTo(const Entry& entry);
    // Records `entry` as it stands, unless its three texts are empty or the
    // list has it already; true when a revision was added.
    bool take(const Entry& entry);

    QString revisionID() const { return m_path; }
    QVariantList revisions() const { return m_revisions; }

    // Empties `menu` and lists the revisions in it, newest first; choosing
    // one calls `chosen` with it.
    void fillMenu(QMenu* menu, const std::function<void(const QVariantMap&)>& chosen) const;

signals:
    // The list changed: read anew or a revision added.
    void changed();
    // A revision file that could not be read was moved aside; `message` says where.
    void fileMovedAside(const QString& message);

private:
    void load();
    void write();

    QString m_path;
    QVariantList m_revisions;
};
