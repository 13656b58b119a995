#include "MovieFile.h"

class MovieFile::Private {
public:
    QString path;
};

MovieFile::MovieFile(const QString& path) : d(std::make_unique<Private>())
{
    d->path = path;
}

MovieFile::~MovieFile() = default;

bool MovieFile::canOpen(const QString& path)
{
    return MovieFile(path).isOpen();
}

QString MovieFile::path() const
{
    return d->path;
}

bool MovieFile::isOpen() const
{
    return false;
}

bool MovieFile::hasVideo() const
{
    return false;
}

bool MovieFile::hasAudio() const
{
    return false;
}

QSize MovieFile::naturalSize() const
{
    return QSize(0, 0);
}

qint64 MovieFile::duration() const
{
    return 0;
}

qint64 MovieFile::timeScale() const
{
    return 600;
}

QImage MovieFile::frameAt(qint64, qint64)
{
    return QImage();
}

QImage MovieFile::posterImage()
{
    return frameAt(0, 0);
}
