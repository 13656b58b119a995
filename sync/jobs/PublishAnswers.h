#pragma once

// What the server's answers to a publish put into its entry: the id of a new
// post, the address a new Atom post is at, and the copy read back.

#include <QString>
#include <QUrl>
#include <QVariant>
#include <QVariantMap>
#include <optional>

class Entry;
class RESTCall;

class PublishAnswers {
public:
    explicit PublishAnswers(Entry& entry) : m_entry(entry) {}

    // An XML-RPC new post's answer: the post id, a text or a whole number.
    // False when the answer holds none or the entry could not take it.
    bool takePostID(const QVariant& answer);
    // A new Atom post stored without its entry in the answer: its address
    // (the Location header, else Content-Location) becomes its edit address
    // and its id. None when the server did not say where it is.
    std::optional<QUrl> takeLocation(const RESTCall& call);
    // Merges the server's copy read back after the publish, as the driver
    // corrected it.
    void mergeReadBack(const QVariantMap& copy);

    // Sentences the user should hear of (the attachments that could not follow
    // a new id, the fields the server did not keep), or empty.
    QString problem() const { return m_problem; }

private:
    void note(const QString& problem);

    Entry& m_entry;
    QString m_problem;
};
