#include "UniqueId.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QRandomGenerator>
#include <atomic>

QString newUniqueID()
{
    return newUniqueIDAt(QDateTime::currentMSecsSinceEpoch());
}

QString newUniqueIDAt(qint64 msecsSinceEpoch)
{
    static std::atomic<quint64> counter{0};
    const quint64 random = QRandomGenerator::global()->generate64();
    const QByteArray seed = QByteArray::number(double(msecsSinceEpoch) / 1000.0, 'f', 6) + '-' +
                            QByteArray::number(counter.fetch_add(1)) + '-' +
                            QByteArray::number(random, 16);
    return QString::fromLatin1(QCryptographicHash::hash(seed, QCryptographicHash::Md5).toHex());
}
