#include "MovieFile.h"

#include "AvLog.h"
#include "ImagingLog.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTransform>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace {

using Clock = std::chrono::steady_clock;

// Twelve times a 4K frame: a larger one is a damaged header, not a movie to show.
constexpr qint64 MaxFramePixels = 100'000'000;

// Demuxers that read still pictures, and those that read text or playlists
// naming other files: none of them makes a movie of the file itself.
bool isExcludedDemuxer(const char* names)
{
    static const char* const excluded[] = {"image2", "image2pipe", "gif", "apng",       "ico",
                                           "tty",    "concat",     "hls", "ffmetadata", "webp"};
    const QByteArrayList list = QByteArray(names).split(',');
    for (const QByteArray& name : list) {
        if (name.endsWith("_pipe"))
            return true;
        for (const char* one : excluded)
            if (name == one)
                return true;
    }
    return false;
}

// The display matrix's turn as a clockwise quarter turn count in degrees
// (0, 90, 180 or 270), as a player shows the picture.
int clockwiseRotation(const AVStream* stream)
{
    double counterClockwise = 0;
    size_t size = 0;
    const uint8_t* matrix = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (matrix && size >= 9 * sizeof(int32_t)) {
        counterClockwise = av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix));
        if (std::isnan(counterClockwise))
            counterClockwise = 0;
    } else if (const AVDictionaryEntry* tag = av_dict_get(stream->metadata, "rotate", nullptr, 0)) {
        counterClockwise = -QByteArray(tag->value).toDouble();
    }
    int degrees = int(std::lround(-counterClockwise / 90.0)) * 90 % 360;
    return degrees < 0 ? degrees + 360 : degrees;
}

struct FrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

} // namespace

class MovieFile::Private {
public:
    ~Private();

    bool open();
    bool openDecoder();
    void armDeadline() { deadline = Clock::now() + std::chrono::seconds(ReadTimeOutSeconds); }
    bool pastDeadline() const { return Clock::now() > deadline; }
    static int interrupted(void* opaque) { return static_cast<Private*>(opaque)->pastDeadline(); }
    bool seekBefore(int64_t target);
    FramePtr decodeUpTo(int64_t target);
    QImage toImage(const AVFrame* frame);

    QString path;
    AVFormatContext* format = nullptr;
    AVCodecContext* decoder = nullptr;
    bool decoderFailed = false;
    SwsContext* scaler = nullptr;
    int videoIndex = -1;
    int audioIndex = -1;
    int rotation = 0;
    QSize shownSize{0, 0};
    Clock::time_point deadline;
};

MovieFile::Private::~Private()
{
    sws_freeContext(scaler);
    avcodec_free_context(&decoder);
    avformat_close_input(&format);
}

bool MovieFile::Private::open()
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile())
        return false;
    format = avformat_alloc_context();
    if (!format)
        return false;
    format->interrupt_callback.callback = &Private::interrupted;
    format->interrupt_callback.opaque = this;
    armDeadline();
    // Only the file itself is read: a name is never taken as a protocol
    // ("http:…") and nothing inside the file can make us open another address.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    const QByteArray url = "file:" + QFile::encodeName(info.absoluteFilePath());
    const int opened = avformat_open_input(&format, url.constData(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0) {
        // avformat_open_input frees the context on failure.
        format = nullptr;
        qCDebug(lcImaging).noquote()
            << QStringLiteral("\"%1\" is no movie: %2.").arg(path, AvLog::reason(opened));
        return false;
    }
    if (isExcludedDemuxer(format->iformat->name)) {
        avformat_close_input(&format);
        return false;
    }
    const int found = avformat_find_stream_info(format, nullptr);
    if (found < 0 || pastDeadline()) {
        qCWarning(lcImaging).noquote()
            << QStringLiteral("The movie \"%1\" could not be read: %2.")
                   .arg(path, pastDeadline() ? QStringLiteral("reading took too long")
                                             : AvLog::reason(found));
        avformat_close_input(&format);
        return false;
    }
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        const AVCodecParameters* codec = stream->codecpar;
        if (codec->codec_id == AV_CODEC_ID_NONE)
            continue;
        // Cover art in a sound file is a picture, not a video track.
        if (codec->codec_type == AVMEDIA_TYPE_VIDEO && videoIndex < 0 &&
            !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC) && codec->width > 0 &&
            codec->height > 0)
            videoIndex = int(i);
        else if (codec->codec_type == AVMEDIA_TYPE_AUDIO && audioIndex < 0)
            audioIndex = int(i);
    }
    if (videoIndex < 0 && audioIndex < 0) {
        avformat_close_input(&format);
        return false;
    }
    if (videoIndex >= 0) {
        AVStream* stream = format->streams[videoIndex];
        const AVCodecParameters* codec = stream->codecpar;
        double width = codec->width;
        const AVRational aspect = av_guess_sample_aspect_ratio(format, stream, nullptr);
        if (aspect.num > 0 && aspect.den > 0)
            width = width * aspect.num / aspect.den;
        QSize size(qMax(1, int(std::lround(width))), codec->height);
        rotation = clockwiseRotation(stream);
        if (rotation == 90 || rotation == 270)
            size.transpose();
        shownSize = size;
    }
    return true;
}

bool MovieFile::Private::openDecoder()
{
    if (decoder)
        return true;
    if (decoderFailed || videoIndex < 0)
        return false;
    decoderFailed = true;
    const AVCodecParameters* parameters = format->streams[videoIndex]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    if (!codec) {
        qCWarning(lcImaging).noquote()
            << QStringLiteral("The movie \"%1\" has pictures in a form we cannot decode.")
                   .arg(path);
        return false;
    }
    decoder = avcodec_alloc_context3(codec);
    if (!decoder || avcodec_parameters_to_context(decoder, parameters) < 0) {
        avcodec_free_context(&decoder);
        return false;
    }
    decoder->thread_count = QThread::idealThreadCount();
    decoder->pkt_timebase = format->streams[videoIndex]->time_base;
    if (const int code = avcodec_open2(decoder, codec, nullptr); code < 0) {
        qCWarning(lcImaging).noquote()
            << QStringLiteral("The movie \"%1\" could not be decoded: %2.")
                   .arg(path, AvLog::reason(code));
        avcodec_free_context(&decoder);
        return false;
    }
    decoderFailed = false;
    return true;
}

bool MovieFile::Private::seekBefore(int64_t target)
{
    if (av_seek_frame(format, videoIndex, target, AVSEEK_FLAG_BACKWARD) >= 0)
        return true;
    // No index to seek by: read from the start.
    return avformat_seek_file(format, -1, INT64_MIN, 0, 0, 0) >= 0 ||
           av_seek_frame(format, -1, 0, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_BYTE) >= 0;
}

// Decodes from the keyframe before `target` and answers the frame on screen
// at `target`: the last one that starts at or before it, the first frame when
// the target comes before them all, the last frame when it is past the end.
FramePtr MovieFile::Private::decodeUpTo(int64_t target)
{
    seekBefore(target);
    avcodec_flush_buffers(decoder);
    PacketPtr packet(av_packet_alloc());
    FramePtr decoded(av_frame_alloc());
    FramePtr shown;
    if (!packet || !decoded)
        return nullptr;
    bool draining = false;
    while (!pastDeadline()) {
        if (!draining) {
            const int read = av_read_frame(format, packet.get());
            if (read == AVERROR(EAGAIN))
                continue;
            if (read < 0) {
                // The end, a file cut short or a read cut off: what was
                // decoded still counts.
                if (pastDeadline())
                    break;
                draining = true;
                avcodec_send_packet(decoder, nullptr);
            } else {
                if (packet->stream_index == videoIndex)
                    // A damaged packet is skipped; the decoder goes on from the next.
                    avcodec_send_packet(decoder, packet.get());
                av_packet_unref(packet.get());
            }
        }
        for (;;) {
            const int received = avcodec_receive_frame(decoder, decoded.get());
            if (received == AVERROR(EAGAIN) && !draining)
                break;
            if (received < 0)
                return shown;
            const int64_t start = decoded->best_effort_timestamp;
            if (shown && start != AV_NOPTS_VALUE && start > target)
                return shown;
            shown.reset(av_frame_clone(decoded.get()));
            av_frame_unref(decoded.get());
            if (!shown)
                return nullptr;
            if (start != AV_NOPTS_VALUE && start >= target)
                return shown;
        }
    }
    qCWarning(lcImaging).noquote()
        << QStringLiteral("Reading a frame of the movie \"%1\" took too long.").arg(path);
    return shown;
}

QImage MovieFile::Private::toImage(const AVFrame* frame)
{
    if (frame->width <= 0 || frame->height <= 0)
        return QImage();
    // The frame is scaled to its shown width (the pixel aspect ratio) in the
    // same pass that turns it into RGB; the turn comes after.
    QSize size = shownSize;
    if (rotation == 90 || rotation == 270)
        size.transpose();
    if (frame->width != format->streams[videoIndex]->codecpar->width ||
        frame->height != format->streams[videoIndex]->codecpar->height)
        size = QSize(frame->width, frame->height);
    if (qint64(size.width()) * size.height() > MaxFramePixels) {
        qCWarning(lcImaging).noquote()
            << QStringLiteral("The frames of the movie \"%1\" are too large to show (%2 × %3).")
                   .arg(path)
                   .arg(size.width())
                   .arg(size.height());
        return QImage();
    }
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return QImage();
    scaler = sws_getCachedContext(scaler, frame->width, frame->height, AVPixelFormat(frame->format),
                                  size.width(), size.height(), AV_PIX_FMT_RGB32, SWS_BICUBIC,
                                  nullptr, nullptr, nullptr);
    if (!scaler)
        return QImage();
    // The frame's own colour matrix and range when it names them (most HD
    // movies use BT.709), else what every decoder assumes.
    if (frame->colorspace != AVCOL_SPC_UNSPECIFIED || frame->color_range == AVCOL_RANGE_JPEG) {
        const int* coefficients = sws_getCoefficients(
            frame->colorspace != AVCOL_SPC_UNSPECIFIED ? frame->colorspace : SWS_CS_DEFAULT);
        sws_setColorspaceDetails(scaler, coefficients, frame->color_range == AVCOL_RANGE_JPEG,
                                 sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    }
    uint8_t* planes[4] = {image.bits(), nullptr, nullptr, nullptr};
    int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
    if (sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides) <= 0)
        return QImage();
    if (rotation != 0)
        image = image.transformed(QTransform().rotate(rotation));
    return image;
}

MovieFile::MovieFile(const QString& path) : d(std::make_unique<Private>())
{
    AvLog::routeToCategory();
    d->path = path;
    d->open();
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
    return d->format != nullptr;
}

bool MovieFile::hasVideo() const
{
    return d->videoIndex >= 0;
}

bool MovieFile::hasAudio() const
{
    return d->audioIndex >= 0;
}

QSize MovieFile::naturalSize() const
{
    return d->shownSize;
}

qint64 MovieFile::timeScale() const
{
    const int index = d->videoIndex >= 0 ? d->videoIndex : d->audioIndex;
    if (index >= 0) {
        const AVRational base = d->format->streams[index]->time_base;
        if (base.num == 1 && base.den > 0)
            return base.den;
    }
    return AV_TIME_BASE;
}

qint64 MovieFile::duration() const
{
    if (!d->format)
        return 0;
    const int index = d->videoIndex >= 0 ? d->videoIndex : d->audioIndex;
    const AVStream* stream = d->format->streams[index];
    const AVRational scale{1, int(timeScale())};
    if (stream->duration > 0)
        return av_rescale_q(stream->duration, stream->time_base, scale);
    if (d->format->duration > 0)
        return av_rescale_q(d->format->duration, AV_TIME_BASE_Q, scale);
    return 0;
}

QImage MovieFile::frameAt(qint64 timeValue, qint64 timeScale)
{
    if (!d->format || !d->openDecoder())
        return QImage();
    d->armDeadline();
    const AVStream* stream = d->format->streams[d->videoIndex];
    const int64_t first = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
    int64_t target = first;
    if (timeScale > 0 && timeValue > 0) {
        if (timeScale <= INT_MAX && timeValue < (int64_t(1) << 40)) {
            target =
                first + av_rescale_q(timeValue, AVRational{1, int(timeScale)}, stream->time_base);
        } else {
            // Any time this far out is past the end of every movie alike.
            const double seconds = qMin(double(timeValue) / double(timeScale), 1e9);
            target = first + int64_t(seconds * stream->time_base.den / stream->time_base.num);
        }
    }
    const FramePtr frame = d->decodeUpTo(target);
    return frame ? d->toImage(frame.get()) : QImage();
}

QImage MovieFile::posterImage()
{
    return frameAt(0, 0);
}
