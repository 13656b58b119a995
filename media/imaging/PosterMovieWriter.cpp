#include "PosterMovieWriter.h"

bool PosterMovieWriter::write(const QImage&, const QString& path, QString* error)
{
    if (error)
        *error = QStringLiteral("The poster movie \"%1\" could not be written.").arg(path);
    return false;
}
