#pragma once

#include <QString>
#include <QVariantMap>
#include <functional>

// The Atom entry document that publishing sends, from the values "publish",
// "title", "categories", "dateCreated" and "description". Every text goes
// through the encoder (the host's XML escape). The "app" prefix keeps the
// namespace of the early publishing-protocol drafts, which the servers this
// talks to expect.
QString atomEntryDocument(const QVariantMap& data,
                          const std::function<QString(const QString&)>& encoder);
