#include "MovieAttachment.h"

#include "ImageObject.h"
#include "MediaCache.h"
#include "ModelLog.h"
#include "MovieFile.h"
#include "PosterMovieWriter.h"
#include "RecordArchiving.h"
#include "StringExtensions.h"

#include <QBuffer>
#include <QFileInfo>

using StoredValue::fromOptional;
using StoredValue::fromText;

namespace {

constexpr int UnknownWidth = 240;
constexpr int ControllerHeight = 16;

// A time given as text is a real number, not an integer as elsewhere.
std::optional<double> timeFrom(const QVariant& value)
{
    if (value.typeId() == QMetaType::QString) {
        bool ok = false;
        const double number = value.toString().trimmed().toDouble(&ok);
        return ok ? number : 0.0;
    }
    return MediaAttachment::realFrom(value);
}

// The start tag of the player, with the id (or nothing) where it belongs.
QString objectStart(const QString& id, int width, int height)
{
    return QLatin1String("<object ") + id +
           QStringLiteral("classid=\"clsid:02BF25D5-8C17-4B23-BC80-D3488ABDDC6B\" width=\"%1\" "
                          "height=\"%2\" codebase=\"%3\">\n")
               .arg(width)
               .arg(height)
               .arg(MovieAttachment::PluginInstallerAddress);
}

QString truth(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

// The start tag and the parameters the plain player and the poster share.
QString playerStart(const QString& id, const QString& source, int width, int height, bool autoplay,
                    bool controller)
{
    return objectStart(id, width, height) +
           QStringLiteral("\t<param name=\"src\" value=\"%1\" />\n").arg(source) +
           QStringLiteral("\t<param name=\"autoplay\" value=\"%1\" />\n").arg(truth(autoplay)) +
           QStringLiteral("\t<param name=\"controller\" value=\"%1\" />\n").arg(truth(controller));
}

} // namespace

const QString MovieAttachment::PluginInstallerAddress =
    QStringLiteral("http://www.apple.com/qtactivex/qtplugin.cab");
const QString MovieAttachment::PluginDownloadAddress =
    QStringLiteral("http://www.apple.com/quicktime/download/");

MovieAttachment::MovieAttachment(QObject* parent) : MediaAttachment(parent) {}

MovieAttachment::~MovieAttachment()
{
    // The poster movie belongs to this attachment and goes with it.
    if (!m_posterCachedPath.isEmpty())
        MediaCache::removeOwnedFile(m_posterCachedPath);
}

void MovieAttachment::initWithPath(const QString& path)
{
    Attachment::initWithPath(path);
    setFileType(MovieFile);
    setThumbQuality(0.9);
    // Through the setter, so the thumbnail keeps the frame's proportions.
    setThumbHeight(100);
    setMovieLinkOption(PosterMovie);
}

void MovieAttachment::setMoviePlayAutomatically(std::optional<bool> play)
{
    m_playAutomatically = play;
    announce(QStringLiteral("moviePlayAutomatically"));
    setMarkup(QString());
}

void MovieAttachment::setMovieShowController(std::optional<bool> show)
{
    m_showController = show;
    announce(QStringLiteral("movieShowController"));
    setMarkup(QString());
}

void MovieAttachment::setTimeValue(std::optional<double> value)
{
    m_timeValue = value;
    announce(QStringLiteral("timeValue"));
    resetMovie();
}

void MovieAttachment::setTimeScale(std::optional<double> scale)
{
    m_timeScale = scale;
    announce(QStringLiteral("timeScale"));
    resetMovie();
}

void MovieAttachment::setSelectedTime(qint64 value, qint64 scale)
{
    setTimeValue(double(value));
    setTimeScale(double(scale));
    setCell(QImage());
}

void MovieAttachment::setMovieLinkOption(std::optional<int> option)
{
    m_linkOption = option;
    announce(QStringLiteral("movieLinkOption"));
    resetMovie();
}

void MovieAttachment::setPosterPath(const QString& address)
{
    m_posterPath = address;
    announce(QStringLiteral("posterPath"));
    setMarkup(QString());
}

QString MovieAttachment::posterCachedPath() const
{
    if (!m_posterCachedPath.isEmpty() && QFileInfo::exists(m_posterCachedPath))
        return m_posterCachedPath;
    const QString made = createPosterMovie();
    if (!made.isEmpty()) {
        m_posterCachedPath = made;
        countQuietChange();
    }
    return made;
}

void MovieAttachment::setPosterCachedPath(const QString& path)
{
    if (!m_posterCachedPath.isEmpty() && m_posterCachedPath != path)
        MediaCache::removeOwnedFile(m_posterCachedPath);
    m_posterCachedPath = path;
    announce(QStringLiteral("posterCachedPath"));
}

void MovieAttachment::resetMovie()
{
    setThumbCachedPath(QString());
    setPosterCachedPath(QString());
    dropThumbObject();
    setMarkup(QString());
}

// --- the movie ---

void MovieAttachment::determineSize() const
{
    QSize size;
    if (!filePath().isEmpty()) {
        const ::MovieFile movie(filePath());
        size = movie.naturalSize();
    }
    auto* self = const_cast<MovieAttachment*>(this);
    self->setWidth(size.width());
    self->setHeight(size.height());
    self->announce(QStringLiteral("hasVideoTrack"));
}

QImage MovieAttachment::posterFrame() const
{
    if (filePath().isEmpty())
        return {};
    ::MovieFile movie(filePath());
    if (!movie.isOpen())
        return {};
    if (m_timeValue && m_timeScale) {
        const QImage frame = movie.frameAt(qint64(*m_timeValue), qint64(*m_timeScale));
        if (!frame.isNull())
            return frame;
    }
    return movie.posterImage();
}

QString MovieAttachment::createPosterMovie() const
{
    const QImage frame = posterFrame();
    const QString cache = MediaCache::folder();
    if (frame.isNull() || cache.isEmpty())
        return {};
    const QString path = cache + u'/' + uniqueID() + QStringLiteral("p.mov");
    QString error;
    if (!PosterMovieWriter::write(frame, path, &error)) {
        qCWarning(lcModel) << "Could not write the poster movie of" << fileName() << ":" << error;
        return {};
    }
    return path;
}

ImageObject* MovieAttachment::thumbObject() const
{
    if (m_thumbObject)
        return m_thumbObject.get();
    const QImage frame = posterFrame();
    if (frame.isNull())
        return nullptr;
    int width = storedThumbWidth().value_or(0);
    const int height = storedThumbHeight().value_or(100);
    auto thumbnail = std::make_shared<ImageObject>();
    // Handed over losslessly and without compressing: the processor reads it
    // back at once.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!frame.save(&buffer, "PNG", 100) || !thumbnail->setImageData(bytes)) {
        if (!thumbnail->iconForPath(filePath()))
            return nullptr;
        width = 0;
    }
    thumbnail->setScales(true, width, height);
    m_thumbObject = std::move(thumbnail);
    return m_thumbObject.get();
}

QImage MovieAttachment::cellImageForSize(int size) const
{
    if (storedCell().isNull()) {
        if (!storedWidth() || !storedHeight())
            determineSize();
        const QImage frame = posterFrame();
        if (frame.isNull())
            return Attachment::cellImageForSize(size);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        ImageObject picture;
        if (!frame.save(&buffer, "PNG", 100) || !picture.setImageData(bytes))
            return Attachment::cellImageForSize(size);
        picture.setScales(true, 0, size);
        keepCell(picture.createImage());
    }
    return storedCell();
}

double MovieAttachment::width() const
{
    if (!storedWidth() || !storedHeight())
        determineSize();
    return storedWidth().value_or(0);
}

double MovieAttachment::height() const
{
    if (!storedWidth() || !storedHeight())
        determineSize();
    return storedHeight().value_or(0);
}

QString MovieAttachment::timeAsString(qint64 seconds)
{
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// --- markup ---

QString MovieAttachment::playerMarkup(const QString& id, const QString& movieAddress, int width,
                                      int height, bool autoplay, bool controller) const
{
    const int boxHeight = controller ? height + ControllerHeight : height;
    QString markup = playerStart(id, movieAddress, width, boxHeight, autoplay, controller);
    // Addresses are joined, never put through arg(): their "%3E" would take
    // the place of a later argument.
    markup += QLatin1String("\t<embed src=\"") + movieAddress +
              QStringLiteral("\" width=\"%1\" height=\"%2\" autoplay=\"%3\" controller=\"%4\" "
                             "pluginspage=\"%5\">\n\t</embed>")
                  .arg(width)
                  .arg(boxHeight)
                  .arg(truth(autoplay), truth(controller), PluginDownloadAddress);
    markup += QLatin1String("\n</object>");
    return markup;
}

QString MovieAttachment::posterMarkup(const QString& id, const QString& posterAddress,
                                      const QString& movieAddress, int width, int height,
                                      bool autoplay, bool controller) const
{
    const int boxHeight = height + ControllerHeight;
    QString markup = playerStart(id, posterAddress, width, boxHeight, autoplay, controller);
    markup += QStringLiteral("\t<param name=\"href\" value=\"%1\" />\n").arg(movieAddress);
    markup += QLatin1String("\t<param name=\"target\" value=\"myself\" />\n");
    markup += QLatin1String("\t<embed src=\"") + posterAddress +
              QStringLiteral("\" width=\"%1\" height=\"%2\" href=\"").arg(width).arg(boxHeight) +
              movieAddress +
              QLatin1String("\" target=\"myself\" autoplay=\"false\" controller=\"false\" "
                            "pluginspage=\"") +
              PluginDownloadAddress + QLatin1String("\">\n\t</embed>");
    markup += QLatin1String("\n</object>");
    return markup;
}

QString MovieAttachment::generateMarkup(bool forEditor, const Template*) const
{
    auto* self = const_cast<MovieAttachment*>(this);
    int w = int(width());
    const int h = int(height());
    const bool unknownSize = w < 1 || h < 1;
    if (unknownSize)
        w = UnknownWidth;
    const bool autoplay = m_playAutomatically.value_or(false);
    const bool controller = m_showController.value_or(false) || unknownSize;
    // The editor finds the element again by its id; the post carries none.
    const QString id = forEditor ? QStringLiteral("id=\"%1\" ").arg(uniqueID()) : QString();

    const bool movieExists = !filePath().isEmpty() && QFileInfo::exists(filePath());
    const QString uploaded = attributeAddress(uploadPath());
    const QString local = movieExists ? fileURL(filePath()) : QString();
    const QString movieAddress = forEditor ? (!local.isEmpty() ? local : uploaded)
                                           : (!uploaded.isEmpty() ? uploaded : local);

    QString markup;
    const int option = m_linkOption.value_or(PlainPlayer);
    if (option == ThumbnailImage) {
        QString address = attributeAddress(thumbPath());
        if (address.isEmpty() && movieExists)
            address = fileURL(thumbCachedPath());
        if (address.isEmpty()) {
            self->setMovieLinkOption(std::nullopt);
        } else {
            markup =
                QLatin1String("<img src=\"") + address + QLatin1String("\" ") + id +
                QStringLiteral("width=\"%1\" height=\"%2\"").arg(thumbWidth()).arg(thumbHeight());
            if (!alt().isEmpty())
                markup += QStringLiteral(" alt=\"%1\"").arg(rv::encodeXML(alt()));
            const QString style = usableStyle();
            if (!className().isEmpty())
                markup += QStringLiteral(" class=\"%1\"").arg(className());
            else if (!style.isEmpty())
                markup += QStringLiteral(" style=\"%1\"").arg(style);
            markup += QLatin1String(" />");
        }
    } else if (option == PosterMovie) {
        QString address = attributeAddress(m_posterPath);
        if (address.isEmpty() && movieExists)
            address = fileURL(posterCachedPath());
        else if (address.isEmpty())
            self->setMovieLinkOption(std::nullopt);
        if (!address.isEmpty())
            markup = posterMarkup(id, address, movieAddress, w, h, autoplay, controller);
    }
    if (markup.isEmpty())
        markup = playerMarkup(id, movieAddress, w, h, autoplay, controller);
    return markup;
}

// --- upload, presets and copies ---

void MovieAttachment::noteUploadStart()
{
    MediaAttachment::noteUploadStart();
    m_hasPoster = !m_posterPath.isEmpty();
}

MediaAttachment::Companion MovieAttachment::companion() const
{
    // Sound alone has no frame for a poster or thumbnail, and its markup is
    // the plain player whatever the option: nothing follows the movie, or
    // every publish would stop at a companion that can never be made.
    if (!filePath().isEmpty() && QFileInfo::exists(filePath()) && !hasVideoTrack())
        return Companion::None;
    const int option = m_linkOption.value_or(0);
    if (option == 2)
        return Companion::Thumbnail;
    return option > 0 ? Companion::Poster : Companion::None;
}

QString MovieAttachment::companionFile() const
{
    return companion() == Companion::Poster ? posterCachedPath() : MediaAttachment::companionFile();
}

bool MovieAttachment::hasCompanionAddress() const
{
    // Only the companion the link option asks for counts: a poster movie sent
    // before the option became the thumbnail picture leaves the thumbnail to
    // go, or the post would link the thumbnail's local file.
    switch (companion()) {
    case Companion::Thumbnail:
        return !thumbPath().isEmpty();
    case Companion::Poster:
        return !m_posterPath.isEmpty();
    case Companion::None:
        break;
    }
    return true;
}

bool MovieAttachment::storeCompanionAddress(Companion kind, const QString& address)
{
    if (kind != Companion::Poster)
        return MediaAttachment::storeCompanionAddress(kind, address);
    setPosterPath(address);
    return true;
}

void MovieAttachment::clearUploadAddresses()
{
    MediaAttachment::clearUploadAddresses();
    setPosterPath(QString());
}

void MovieAttachment::applyPreset(const MediaAttachment& preset)
{
    MediaAttachment::applyPreset(preset);
    const auto* movie = dynamic_cast<const MovieAttachment*>(&preset);
    if (!movie)
        return;
    setMoviePlayAutomatically(movie->m_playAutomatically);
    setMovieShowController(movie->m_showController);
    setMovieLinkOption(movie->m_linkOption);
    setPosterPath(movie->m_posterPath);
    setPosterCachedPath(movie->m_posterCachedPath);
}

void MovieAttachment::createPreset(const MediaAttachment& attachment)
{
    MediaAttachment::createPreset(attachment);
    const auto* movie = dynamic_cast<const MovieAttachment*>(&attachment);
    if (!movie)
        return;
    m_playAutomatically = movie->m_playAutomatically;
    m_showController = movie->m_showController;
    m_linkOption = movie->m_linkOption;
    m_posterPath = movie->m_posterPath;
    m_posterCachedPath = movie->m_posterCachedPath;
}

AttachmentPtr MovieAttachment::makeEmpty() const
{
    return std::make_shared<MovieAttachment>();
}

void MovieAttachment::fillCopy(Attachment& copy) const
{
    MediaAttachment::fillCopy(copy);
    auto* movie = dynamic_cast<MovieAttachment*>(&copy);
    if (!movie)
        return;
    movie->setMoviePlayAutomatically(m_playAutomatically);
    movie->setMovieShowController(m_showController);
    movie->setTimeValue(m_timeValue);
    movie->setTimeScale(m_timeScale);
    movie->setMovieLinkOption(m_linkOption);
    movie->setPosterPath(m_posterPath);
    movie->setPosterCachedPath(m_posterCachedPath);
}

// --- stored form ---

std::span<const RecordKey<MovieAttachment>> MovieAttachment::movieKeys()
{
    using M = MovieAttachment;
    static const std::array<RecordKey<MovieAttachment>, 6> keys{{
        {"moviePlayAutomatically", StoredKind::Number, InArchive,
         [](const M& a) { return fromOptional(a.m_playAutomatically); },
         [](M& a, const QVariant& v) { a.setMoviePlayAutomatically(boolFrom(v)); }},
        {"movieShowController", StoredKind::Number, InArchive,
         [](const M& a) { return fromOptional(a.m_showController); },
         [](M& a, const QVariant& v) { a.setMovieShowController(boolFrom(v)); }},
        {"timeValue", StoredKind::Number, InArchive,
         [](const M& a) { return fromOptional(a.m_timeValue); },
         [](M& a, const QVariant& v) { a.setTimeValue(timeFrom(v)); }},
        {"timeScale", StoredKind::Number, InArchive,
         [](const M& a) { return fromOptional(a.m_timeScale); },
         [](M& a, const QVariant& v) { a.setTimeScale(timeFrom(v)); }},
        {"movieLinkOption", StoredKind::Number, InArchive,
         [](const M& a) { return fromOptional(a.m_linkOption); },
         [](M& a, const QVariant& v) { a.setMovieLinkOption(integerFrom(v)); }},
        {"posterPath", StoredKind::String, InArchive,
         [](const M& a) { return fromText(a.m_posterPath); },
         [](M& a, const QVariant& v) { a.setPosterPath(v.toString()); }},
    }};
    return keys;
}

bool MovieAttachment::setStoredValue(QStringView key, const QVariant& value)
{
    return ::setStoredValue(movieKeys(), *this, key, value) ||
           MediaAttachment::setStoredValue(key, value);
}

void MovieAttachment::encodeWithCoder(KeyedArchiver& coder) const
{
    MediaAttachment::encodeWithCoder(coder);
    RecordArchiving::encode<MovieAttachment>(*this, movieKeys(), coder);
}

void MovieAttachment::initWithCoder(KeyedUnarchiver& coder)
{
    MediaAttachment::initWithCoder(coder);
    RecordArchiving::decode<MovieAttachment>(*this, movieKeys(), coder);
}
