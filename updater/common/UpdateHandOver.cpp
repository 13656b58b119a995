#include "UpdateHandOver.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {

const QString urlOption = QStringLiteral("url");
const QString versionOption = QStringLiteral("version");
const QString digestOption = QStringLiteral("sha256");
const QString signatureOption = QStringLiteral("signature");
const QString installOption = QStringLiteral("install-folder");
const QString privateCopyOption = QStringLiteral("private-copy");
const QString lengthOption = QStringLiteral("length");

QString dashed(const QString& option)
{
    return QStringLiteral("--") + option;
}

} // namespace

QUrl UpdateHandOver::archiveAddress(const QString& offered)
{
    const QUrl parsed(offered, QUrl::StrictMode);
    if (!parsed.isValid() || parsed.scheme() != QLatin1String("https") || parsed.host().isEmpty())
        return {};
    // A lenient parse keeps stray delimiters as typed; their encoded form is
    // what the command line carries, so read that back once here.
    const QUrl encoded(parsed.adjusted(QUrl::RemoveFragment).toString(QUrl::FullyEncoded),
                       QUrl::StrictMode);
    return encoded.isValid() ? encoded : QUrl();
}

QStringList UpdateHandOver::toArguments() const
{
    QStringList arguments{dashed(urlOption),       archiveUrl.toString(QUrl::FullyEncoded),
                          dashed(versionOption),   version,
                          dashed(digestOption),    QString::fromLatin1(sha256),
                          dashed(signatureOption), QString::fromLatin1(signature),
                          dashed(installOption),   installFolder};
    if (length > 0)
        arguments << dashed(lengthOption) << QString::number(length);
    if (privateCopy)
        arguments << dashed(privateCopyOption);
    return arguments;
}

std::optional<UpdateHandOver> UpdateHandOver::fromArguments(const QStringList& arguments,
                                                            QString* error)
{
    QCommandLineParser parser;
    for (const QString& name :
         {urlOption, versionOption, digestOption, signatureOption, installOption})
        parser.addOption(QCommandLineOption(name, QString(), QStringLiteral("value")));
    parser.addOption(QCommandLineOption(lengthOption, QString(), QStringLiteral("bytes")));
    parser.addOption(QCommandLineOption(privateCopyOption));
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return std::nullopt;
    }
    for (const QString& name :
         {urlOption, versionOption, digestOption, signatureOption, installOption}) {
        if (parser.value(name).isEmpty()) {
            *error = QCoreApplication::translate("UpdateHandOver", "The option --%1 is missing.")
                         .arg(name);
            return std::nullopt;
        }
    }
    UpdateHandOver handOver;
    if (parser.isSet(lengthOption)) {
        bool ok = false;
        handOver.length = parser.value(lengthOption).toLongLong(&ok);
        if (!ok || handOver.length <= 0) {
            *error = QCoreApplication::translate("UpdateHandOver",
                                                 "The option --%1 is not a number of bytes.")
                         .arg(lengthOption);
            return std::nullopt;
        }
    }
    handOver.archiveUrl = QUrl(parser.value(urlOption), QUrl::StrictMode);
    handOver.version = parser.value(versionOption);
    handOver.sha256 = parser.value(digestOption).toLatin1();
    handOver.signature = parser.value(signatureOption).toLatin1();
    handOver.installFolder = parser.value(installOption);
    handOver.privateCopy = parser.isSet(privateCopyOption);
    return handOver;
}
