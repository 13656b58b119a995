#include "PosterMovieWriter.h"

#include "AtomicFile.h"
#include "AvLog.h"
#include "ImagingLog.h"

#include <QByteArray>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace {

// A seekable output in memory: the mov muxer goes back to fill in sizes once
// the frame is written, and the whole file then goes to disk in one atomic write.
struct MemoryOutput {
    QByteArray bytes;
    qint64 position = 0;

#if LIBAVFORMAT_VERSION_MAJOR >= 61
    static int write(void* opaque, const uint8_t* data, int size)
#else
    static int write(void* opaque, uint8_t* data, int size)
#endif
    {
        auto* self = static_cast<MemoryOutput*>(opaque);
        const qint64 end = self->position + size;
        if (end > self->bytes.size())
            self->bytes.resize(end);
        std::memcpy(self->bytes.data() + self->position, data, size_t(size));
        self->position = end;
        return size;
    }

    static int64_t seek(void* opaque, int64_t offset, int whence)
    {
        auto* self = static_cast<MemoryOutput*>(opaque);
        qint64 target = -1;
        switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return self->bytes.size();
        case SEEK_SET:
            target = offset;
            break;
        case SEEK_CUR:
            target = self->position + offset;
            break;
        case SEEK_END:
            target = self->bytes.size() + offset;
            break;
        default:
            return AVERROR(EINVAL);
        }
        if (target < 0)
            return AVERROR(EINVAL);
        self->position = target;
        return target;
    }
};

// The libav objects of one write, freed whatever way it ends.
struct Encoding {
    AVCodecContext* encoder = nullptr;
    AVFormatContext* muxer = nullptr;
    AVIOContext* output = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* scaler = nullptr;

    ~Encoding()
    {
        sws_freeContext(scaler);
        av_packet_free(&packet);
        av_frame_free(&frame);
        if (output)
            av_freep(&output->buffer);
        avio_context_free(&output);
        avformat_free_context(muxer);
        avcodec_free_context(&encoder);
    }
};

constexpr int OutputBufferSize = 1 << 16;

// Encodes the picture and muxes it into `out`; an empty string when all went
// well, else what went wrong.
QString encode(const QImage& source, MemoryOutput& out)
{
    // MPEG-4 Part 2 takes 4:2:0 pictures of even sizes up to 8191 pixels a side.
    const QImage picture = source.convertToFormat(QImage::Format_RGB32);
    const int width = picture.width() & ~1;
    const int height = picture.height() & ~1;
    if (width < 2 || height < 2)
        return QStringLiteral("the picture is empty");
    if (width > 8190 || height > 8190)
        return QStringLiteral("the picture is too large for a poster movie");

    Encoding e;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    if (!codec)
        return QStringLiteral("no MPEG-4 encoder is installed");
    e.encoder = avcodec_alloc_context3(codec);
    e.frame = av_frame_alloc();
    e.packet = av_packet_alloc();
    if (!e.encoder || !e.frame || !e.packet)
        return QStringLiteral("out of memory");
    if (avformat_alloc_output_context2(&e.muxer, nullptr, "mov", nullptr) < 0 || !e.muxer)
        return QStringLiteral("no QuickTime writer is installed");

    e.encoder->width = width;
    e.encoder->height = height;
    e.encoder->pix_fmt = AV_PIX_FMT_YUV420P;
    e.encoder->time_base = AVRational{1, PosterMovieWriter::TimeScale};
    e.encoder->framerate =
        AVRational{PosterMovieWriter::TimeScale, PosterMovieWriter::FrameDuration};
    e.encoder->sample_aspect_ratio = AVRational{1, 1};
    e.encoder->gop_size = 1;
    e.encoder->codec_tag = MKTAG('m', 'p', '4', 'v');
    // A fixed, fine quantiser: one still picture deserves the quality.
    e.encoder->flags |= AV_CODEC_FLAG_QSCALE;
    e.encoder->global_quality = FF_QP2LAMBDA * 2;
    if (e.muxer->oformat->flags & AVFMT_GLOBALHEADER)
        e.encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (const int code = avcodec_open2(e.encoder, codec, nullptr); code < 0)
        return AvLog::reason(code);

    e.frame->format = AV_PIX_FMT_YUV420P;
    e.frame->width = width;
    e.frame->height = height;
    if (av_frame_get_buffer(e.frame, 0) < 0)
        return QStringLiteral("out of memory");
    e.scaler = sws_getContext(width, height, AV_PIX_FMT_RGB32, width, height, AV_PIX_FMT_YUV420P,
                              SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (!e.scaler)
        return QStringLiteral("the picture could not be converted");
    const uint8_t* planes[4] = {picture.constBits(), nullptr, nullptr, nullptr};
    const int strides[4] = {int(picture.bytesPerLine()), 0, 0, 0};
    sws_scale(e.scaler, planes, strides, 0, height, e.frame->data, e.frame->linesize);
    e.frame->pts = 0;
    e.frame->pict_type = AV_PICTURE_TYPE_I;
    e.frame->quality = e.encoder->global_quality;

    AVStream* stream = avformat_new_stream(e.muxer, nullptr);
    if (!stream)
        return QStringLiteral("out of memory");
    stream->time_base = e.encoder->time_base;
    if (avcodec_parameters_from_context(stream->codecpar, e.encoder) < 0)
        return QStringLiteral("out of memory");
    stream->codecpar->codec_tag = MKTAG('m', 'p', '4', 'v');

    auto* buffer = static_cast<unsigned char*>(av_malloc(OutputBufferSize));
    if (!buffer)
        return QStringLiteral("out of memory");
    e.output = avio_alloc_context(buffer, OutputBufferSize, 1, &out, nullptr, &MemoryOutput::write,
                                  &MemoryOutput::seek);
    if (!e.output) {
        av_free(buffer);
        return QStringLiteral("out of memory");
    }
    e.muxer->pb = e.output;
    e.muxer->flags |= AVFMT_FLAG_CUSTOM_IO;

    AVDictionary* options = nullptr;
    av_dict_set_int(&options, "movie_timescale", PosterMovieWriter::TimeScale, 0);
    av_dict_set_int(&options, "video_track_timescale", PosterMovieWriter::TimeScale, 0);
    const int header = avformat_write_header(e.muxer, &options);
    av_dict_free(&options);
    if (header < 0)
        return AvLog::reason(header);

    int code = avcodec_send_frame(e.encoder, e.frame);
    if (code >= 0)
        code = avcodec_send_frame(e.encoder, nullptr);
    if (code < 0)
        return AvLog::reason(code);
    int packets = 0;
    while ((code = avcodec_receive_packet(e.encoder, e.packet)) >= 0) {
        e.packet->stream_index = stream->index;
        e.packet->pts = 0;
        e.packet->dts = 0;
        e.packet->duration = PosterMovieWriter::FrameDuration;
        av_packet_rescale_ts(e.packet, e.encoder->time_base, stream->time_base);
        if (const int written = av_interleaved_write_frame(e.muxer, e.packet); written < 0)
            return AvLog::reason(written);
        ++packets;
    }
    if (code != AVERROR_EOF)
        return AvLog::reason(code);
    if (packets != 1)
        return QStringLiteral("the encoder gave no picture");
    if (const int trailer = av_write_trailer(e.muxer); trailer < 0)
        return AvLog::reason(trailer);
    avio_flush(e.output);
    if (e.output->error < 0)
        return AvLog::reason(e.output->error);
    return QString();
}

} // namespace

bool PosterMovieWriter::write(const QImage& image, const QString& path, QString* error)
{
    const auto failed = [&](const QString& reason) {
        const QString sentence =
            QStringLiteral("The poster movie \"%1\" could not be written: %2.").arg(path, reason);
        qCWarning(lcImaging).noquote() << sentence;
        if (error)
            *error = sentence;
        return false;
    };
    if (image.isNull())
        return failed(QStringLiteral("there is no picture"));
    AvLog::routeToCategory();
    MemoryOutput out;
    if (const QString reason = encode(image, out); !reason.isEmpty())
        return failed(reason);
    QString why;
    if (!AtomicFile::write(path, out.bytes, &why)) {
        qCWarning(lcImaging).noquote() << why;
        if (error)
            *error = why;
        return false;
    }
    return true;
}
