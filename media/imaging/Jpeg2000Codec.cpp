#include "Jpeg2000Codec.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <openjpeg.h>

namespace {

constexpr char Jp2Signature[] = "\x00\x00\x00\x0CjP  \r\n\x87\n";
constexpr char CodeStreamSignature[] = "\xFF\x4F\xFF\x51";

// Bytes in memory as an OpenJPEG stream, for reading or writing.
struct Buffer {
    QByteArray* bytes = nullptr;
    const QByteArray* input = nullptr;
    qint64 position = 0;
};

OPJ_SIZE_T readFn(void* out, OPJ_SIZE_T count, void* user)
{
    auto* buffer = static_cast<Buffer*>(user);
    const qint64 left = buffer->input->size() - buffer->position;
    if (left <= 0)
        return OPJ_SIZE_T(-1);
    const qint64 n = std::min<qint64>(left, qint64(count));
    std::memcpy(out, buffer->input->constData() + buffer->position, size_t(n));
    buffer->position += n;
    return OPJ_SIZE_T(n);
}

OPJ_SIZE_T writeFn(void* in, OPJ_SIZE_T count, void* user)
{
    auto* buffer = static_cast<Buffer*>(user);
    const qint64 end = buffer->position + qint64(count);
    if (end > buffer->bytes->size())
        buffer->bytes->resize(end);
    std::memcpy(buffer->bytes->data() + buffer->position, in, count);
    buffer->position = end;
    return count;
}

qint64 length(const Buffer* buffer)
{
    return buffer->input ? buffer->input->size() : buffer->bytes->size();
}

OPJ_OFF_T skipFn(OPJ_OFF_T count, void* user)
{
    auto* buffer = static_cast<Buffer*>(user);
    const qint64 target = buffer->position + count;
    if (target < 0)
        return -1;
    if (buffer->input && target > length(buffer))
        return -1;
    buffer->position = target;
    return count;
}

OPJ_BOOL seekFn(OPJ_OFF_T position, void* user)
{
    auto* buffer = static_cast<Buffer*>(user);
    if (position < 0 || (buffer->input && position > length(buffer)))
        return OPJ_FALSE;
    buffer->position = position;
    return OPJ_TRUE;
}

opj_stream_t* makeStream(Buffer* buffer, bool input)
{
    opj_stream_t* stream = opj_stream_create(1 << 16, input ? OPJ_TRUE : OPJ_FALSE);
    if (!stream)
        return nullptr;
    opj_stream_set_user_data(stream, buffer, nullptr);
    if (input) {
        opj_stream_set_user_data_length(stream, OPJ_UINT64(buffer->input->size()));
        opj_stream_set_read_function(stream, readFn);
    } else {
        opj_stream_set_write_function(stream, writeFn);
    }
    opj_stream_set_skip_function(stream, skipFn);
    opj_stream_set_seek_function(stream, seekFn);
    return stream;
}

struct Decoder {
    opj_codec_t* codec = nullptr;
    opj_stream_t* stream = nullptr;
    opj_image_t* image = nullptr;
    Buffer buffer;
    ~Decoder()
    {
        if (image)
            opj_image_destroy(image);
        if (stream)
            opj_stream_destroy(stream);
        if (codec)
            opj_destroy_codec(codec);
    }
};

// Opens the bytes and reads the header; false with *error when that fails.
bool openHeader(Decoder& decoder, const QByteArray& bytes, QString* error)
{
    const auto failed = [&](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    const bool jp2 = bytes.startsWith(QByteArray(Jp2Signature, 12));
    if (!jp2 && !bytes.startsWith(QByteArray(CodeStreamSignature, 4)))
        return failed(QStringLiteral("it is no JPEG 2000 file"));
    decoder.codec = opj_create_decompress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    if (!decoder.codec || !opj_setup_decoder(decoder.codec, &parameters))
        return failed(QStringLiteral("the JPEG 2000 decoder could not be set up"));
    decoder.buffer.input = &bytes;
    decoder.stream = makeStream(&decoder.buffer, true);
    if (!decoder.stream || !opj_read_header(decoder.stream, decoder.codec, &decoder.image))
        return failed(QStringLiteral("its JPEG 2000 header is damaged"));
    return true;
}

int component(const opj_image_comp_t& comp, qsizetype index)
{
    int v = comp.data[index];
    if (comp.sgnd)
        v += 1 << (comp.prec - 1);
    if (comp.prec > 8)
        v >>= comp.prec - 8;
    else if (comp.prec < 8)
        v <<= 8 - comp.prec;
    return std::clamp(v, 0, 255);
}

} // namespace

bool Jpeg2000Codec::isJpeg2000(const QByteArray& head)
{
    return head.startsWith(QByteArray(Jp2Signature, 12)) ||
           head.startsWith(QByteArray(CodeStreamSignature, 4));
}

QSize Jpeg2000Codec::size(const QByteArray& bytes, QString* error)
{
    Decoder decoder;
    if (!openHeader(decoder, bytes, error))
        return {};
    const opj_image_t* image = decoder.image;
    return QSize(int(image->x1 - image->x0), int(image->y1 - image->y0));
}

QImage Jpeg2000Codec::decode(const QByteArray& bytes, QString* error)
{
    Decoder decoder;
    if (!openHeader(decoder, bytes, error))
        return {};
    if (!opj_decode(decoder.codec, decoder.stream, decoder.image) ||
        !opj_end_decompress(decoder.codec, decoder.stream)) {
        if (error)
            *error = QStringLiteral("its JPEG 2000 data is damaged or cut short");
        return {};
    }
    const opj_image_t* image = decoder.image;
    const int count = int(image->numcomps);
    if (count < 1 || !image->comps[0].data) {
        if (error)
            *error = QStringLiteral("it holds no picture");
        return {};
    }
    const int w = int(image->comps[0].w);
    const int h = int(image->comps[0].h);
    for (int c = 0; c < count; ++c)
        if (int(image->comps[c].w) != w || int(image->comps[c].h) != h || !image->comps[c].data) {
            if (error)
                *error = QStringLiteral("its colour components are subsampled");
            return {};
        }
    const bool alpha = count == 2 || count >= 4;
    QImage result(w, h, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (result.isNull()) {
        if (error)
            *error = QStringLiteral("there is not enough memory for it");
        return {};
    }
    const bool gray = count < 3;
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const qsizetype i = qsizetype(y) * w + x;
            const int r = component(image->comps[0], i);
            const int g = gray ? r : component(image->comps[1], i);
            const int b = gray ? r : component(image->comps[2], i);
            const int a = alpha ? component(image->comps[gray ? 1 : 3], i) : 255;
            line[x] = qRgba(r, g, b, a);
        }
    }
    return result;
}

QByteArray Jpeg2000Codec::encode(const QImage& source, double quality, QString* error)
{
    const auto failed = [&](const QString& reason) {
        if (error)
            *error = reason;
        return QByteArray();
    };
    if (source.isNull())
        return failed(QStringLiteral("there is no picture"));
    const bool alpha = source.hasAlphaChannel();
    const QImage image =
        source.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const int w = image.width();
    const int h = image.height();
    const int count = alpha ? 4 : 3;

    opj_image_cmptparm_t parameters[4];
    std::memset(parameters, 0, sizeof parameters);
    for (int c = 0; c < count; ++c) {
        parameters[c].dx = parameters[c].dy = 1;
        parameters[c].w = OPJ_UINT32(w);
        parameters[c].h = OPJ_UINT32(h);
        parameters[c].prec = 8;
        parameters[c].sgnd = 0;
    }
    std::unique_ptr<opj_image_t, decltype(&opj_image_destroy)> picture(
        opj_image_create(OPJ_UINT32(count), parameters, OPJ_CLRSPC_SRGB), opj_image_destroy);
    if (!picture)
        return failed(QStringLiteral("there is not enough memory for it"));
    picture->x0 = picture->y0 = 0;
    picture->x1 = OPJ_UINT32(w);
    picture->y1 = OPJ_UINT32(h);
    if (alpha)
        picture->comps[3].alpha = 1;
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const qsizetype i = qsizetype(y) * w + x;
            picture->comps[0].data[i] = qRed(line[x]);
            picture->comps[1].data[i] = qGreen(line[x]);
            picture->comps[2].data[i] = qBlue(line[x]);
            if (alpha)
                picture->comps[3].data[i] = qAlpha(line[x]);
        }
    }

    opj_cparameters_t settings;
    opj_set_default_encoder_parameters(&settings);
    settings.tcp_numlayers = 1;
    settings.cp_disto_alloc = 1;
    if (quality > 0 && quality < 1) {
        // Quality 0.9 gives about 6:1, 0.5 about 26:1.
        settings.irreversible = 1;
        settings.tcp_rates[0] = float(1.0 + (1.0 - quality) * 50.0);
    } else {
        settings.tcp_rates[0] = 0; // lossless
    }
    settings.tcp_mct = 1;
    // No more resolution levels than the picture can take.
    int levels = 1;
    while (levels < 6 && (std::min(w, h) >> levels) >= 1)
        ++levels;
    settings.numresolution = levels;

    std::unique_ptr<opj_codec_t, decltype(&opj_destroy_codec)> codec(
        opj_create_compress(OPJ_CODEC_JP2), opj_destroy_codec);
    if (!codec || !opj_setup_encoder(codec.get(), &settings, picture.get()))
        return failed(QStringLiteral("the JPEG 2000 encoder could not be set up"));
    QByteArray bytes;
    Buffer buffer;
    buffer.bytes = &bytes;
    std::unique_ptr<opj_stream_t, decltype(&opj_stream_destroy)> stream(makeStream(&buffer, false),
                                                                        opj_stream_destroy);
    if (!stream || !opj_start_compress(codec.get(), picture.get(), stream.get()) ||
        !opj_encode(codec.get(), stream.get()) || !opj_end_compress(codec.get(), stream.get()))
        return failed(QStringLiteral("the JPEG 2000 encoder failed"));
    stream.reset(); // flushes the last bytes
    return bytes;
}
