#pragma once

#include <QImage>
#include <QString>

// Writes a poster movie: a self-contained QuickTime file holding one picture,
// encoded as MPEG-4 Part 2 and lasting one twentieth of a second. Played in
// a page, it shows the picture until it is clicked.
class PosterMovieWriter {
public:
    // The movie's time scale (units per second) and the frame's length in it.
    static constexpr int TimeScale = 600;
    static constexpr int FrameDuration = 30;

    // Encodes `image` and writes the movie to `path` atomically: the previous
    // file stays whole until the new one is on disk. On failure answers false
    // with a sentence in *error.
    static bool write(const QImage& image, const QString& path, QString* error = nullptr);
};
