// Encodes a metaWeblog.newMediaObject request carrying a 10 MiB file, and
// its console copy, against Python 3's xmlrpc.client.dumps of the same request
// (made into bytes, as its ServerProxy does before sending), interleaved.
// Also tells how much memory one encode takes at its peak, against the file's
// size.
#include "Benchmark.h"
#include "XMLRPCEncoder.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <cstdio>

namespace {

// The resident-set figures of this process, in bytes (0 when unknown).
qint64 statusBytes(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return 0;
}

// Starts a new peak of the resident set from its present size.
bool resetPeak()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

// The same request, made into bytes as Python's ServerProxy does before sending.
const char* const pythonParams =
    "params = ('1', 'admin', 's3cret&pass', {'name': 'photo.jpg', 'type': 'image/jpeg', "
    "'bits': xmlrpc.client.Binary(data), 'overwrite': True})";
const char* const pythonDumps = "xmlrpc.client.dumps(params, 'metaWeblog.newMediaObject')"
                                ".encode('utf-8', 'xmlcharrefreplace')";

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    constexpr int repetitions = 15;
    constexpr qsizetype fileSize = 10 * 1024 * 1024;

    QByteArray file(fileSize, Qt::Uninitialized);
    QRandomGenerator random(20261210);
    random.fillRange(reinterpret_cast<quint32*>(file.data()), fileSize / 4);

    const QUrl endpoint(QStringLiteral("https://blog.example.org/xmlrpc.php"));
    XMLRPCEncoder encoder;
    encoder.setMethod(QStringLiteral("metaWeblog.newMediaObject"));
    encoder.setObjects({{QStringLiteral("blogid"), QStringLiteral("1")},
                        {QStringLiteral("username"), QStringLiteral("admin")},
                        {QStringLiteral("password"), QStringLiteral("s3cret&pass")},
                        {QStringLiteral("file"),
                         QVariantMap{{QStringLiteral("name"), QStringLiteral("photo.jpg")},
                                     {QStringLiteral("type"), QStringLiteral("image/jpeg")},
                                     {QStringLiteral("bits"), file},
                                     {QStringLiteral("overwrite"), true}}}});
    encoder.setKeys({QStringLiteral("blogid"), QStringLiteral("username"),
                     QStringLiteral("password"), QStringLiteral("file")});

    // Memory first, before freed blocks of earlier runs can hide a peak.
    const qint64 before = statusBytes("VmRSS:");
    if (resetPeak() && before > 0) {
        const QByteArray request = encoder.document();
        const QString copy = encoder.consoleCopy(endpoint, request);
        const qint64 peak = statusBytes("VmHWM:") - before;
        const double peakMiB = double(peak) / (1 << 20);
        const double fileMiB = double(fileSize) / (1 << 20);
        std::printf("upload_encode_10mb_peak: peak memory of one encode %.1f MiB, %.2f x the "
                    "file (the %.1f MiB request included); in MiB, ours the peak, anchor the "
                    "file\n",
                    peakMiB, peakMiB / fileMiB, double(request.size()) / (1 << 20));
        std::printf("RESULT upload_encode_10mb_peak ours=%.1f anchor=%.1f ratio=%.2f\n", peakMiB,
                    fileMiB, peakMiB / fileMiB);
    } else {
        std::printf("upload_encode_10mb_peak skipped: no /proc/self/clear_refs\n");
    }

    qsizetype sent = 0;
    qsizetype shown = 0;
    const auto ours = [&] {
        return plumet::test::millisecondsOf([&] {
            const QByteArray request = encoder.document();
            shown = encoder.consoleCopy(endpoint, request).size();
            sent = request.size();
        });
    };
    ours();
    if (sent < fileSize * 4 / 3 || shown > 4096) {
        std::fprintf(stderr, "the request (%lld bytes) or its console copy (%lld) is wrong\n",
                     qlonglong(sent), qlonglong(shown));
        return 1;
    }

    const bool pythonRan = plumet::test::compareWithPython(
        "upload_encode_10mb", QStringLiteral("Python 3 xmlrpc.client.dumps of the same request"),
        pythonParams, pythonDumps, file, repetitions, ours);
    return pythonRan ? 0 : 1;
}
