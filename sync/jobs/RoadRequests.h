#pragma once

#include "DecodeResult.h"
#include "RESTCall.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QVariantMap>

class Account;
class PLUMETPluginProtocol;

// What the roads of one blog (posts, pages, per-post categories, deletion,
// upload) share in making their requests and reading the answers.
namespace RoadRequests {

// The account's XML-RPC login values: "username" and "password".
QVariantMap login(Account& account);

// An Atom request to `address` with the driver's authentication headers for
// the account's login, made ready to start; null for an address that is not
// one. `body` goes with `contentType` when it is not empty.
RESTCall* atomCall(Account& account, PLUMETPluginProtocol& plugin, const QUrl& address,
                   const QByteArray& method, RESTDelegate* delegate, QObject* parent,
                   double timeOutSeconds, const QByteArray& body = {},
                   const QByteArray& contentType = {});

// Reads an answer on any thread: made UTF-8 (its declared character set
// honoured) and decoded by the protocol's decoder. Bytes that stay empty are
// refused as empty data.
DecodeResult decodeAnswer(const QByteArray& data, bool atom, const QUrl& address);
// The same for the answer of a finished call, which may have been read as it
// arrived; asked once.
DecodeResult decodeAnswer(RESTCall& call, bool atom);

// The sentences the roads share, in the words of the account's table.
QString xmlrpcRequestFailed();
QString noData();
QString invalidData();

} // namespace RoadRequests
