#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

// What the application tells the updater it starts: which archive to fetch,
// what it must prove to be, and which installation it replaces. Travels as
// command-line arguments, never through a shell.
struct UpdateHandOver {
    QUrl archiveUrl;
    QString version;
    QByteArray sha256;    // hexadecimal, as the feed names it
    QByteArray signature; // Base64, as the feed names it
    QString installFolder;
    // The archive's length in bytes as the feed announced it; 0: none.
    qint64 length = 0;
    // The updater runs from a private copy whose folder it removes at the end.
    bool privateCopy = false;

    // The address of an offered archive as the updater will download it:
    // only an https address with a host, without a fragment (never sent to
    // a server), in the one form that reads back the same from the command
    // line. An invalid address for anything else.
    static QUrl archiveAddress(const QString& offered);

    QStringList toArguments() const;
    // `arguments` start with the program's name, as QCoreApplication::arguments()
    // does. Empty with a sentence in *error when an argument is missing or unknown.
    static std::optional<UpdateHandOver> fromArguments(const QStringList& arguments,
                                                       QString* error);
};
