#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <plist/plist.h>

namespace plumet::test {

// The anchor of the store benchmarks: libplist reading each binary property
// list file, nothing more. Milliseconds for all of `files`. Header only: only
// the benchmarks that link libplist include it.
inline double bareParseMs(const QStringList& files)
{
    QElapsedTimer timer;
    timer.start();
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(path));
        const QByteArray bytes = file.readAll();
        plist_t root = nullptr;
        plist_from_bin(bytes.constData(), uint32_t(bytes.size()), &root);
        if (!root)
            qFatal("libplist could not parse %s", qPrintable(path));
        plist_free(root);
    }
    return timer.nsecsElapsed() / 1e6;
}

} // namespace plumet::test
