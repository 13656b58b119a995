#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QtGlobal>
#include <memory>

// One movie or sound file, opened read-only through libavformat: what it
// holds, how large it shows and the picture at any moment of it.
//
// A file counts as a movie when it has an audio or a video stream; still
// images (a JPEG, a PNG, a single-picture GIF) are not movies even though the
// demuxers read them. Every read gives up after ten seconds, so a file on a
// stalled share never hangs the caller, and a damaged file answers "nothing"
// rather than failing hard.
class MovieFile {
public:
    // How long any one call may spend reading the file.
    static constexpr int ReadTimeOutSeconds = 10;

    explicit MovieFile(const QString& path);
    ~MovieFile();
    MovieFile(const MovieFile&) = delete;
    MovieFile& operator=(const MovieFile&) = delete;

    // Whether `path` names a file this class opens: an audio or video stream,
    // and not a still image.
    static bool canOpen(const QString& path);

    QString path() const;
    bool isOpen() const;
    bool hasVideo() const;
    bool hasAudio() const;

    // The size the picture is shown at: the coded size with the pixel aspect
    // ratio applied and turned by the stream's display matrix. 0 × 0 without
    // a video stream or when the file does not open.
    QSize naturalSize() const;

    // The length, in units of timeScale() per second (0 when unknown).
    qint64 duration() const;
    qint64 timeScale() const;

    // The frame shown at timeValue / timeScale seconds, at naturalSize(),
    // upright. A time past the end gives the last frame; a negative or
    // unset time (timeScale <= 0) gives the first. A null image when there is
    // no picture to be had.
    QImage frameAt(qint64 timeValue, qint64 timeScale);

    // The picture standing for the movie when no time was chosen: its first frame.
    QImage posterImage();

private:
    class Private;
    std::unique_ptr<Private> d;
};
