#pragma once

#include "MediaAttachment.h"

#include <QUrl>

// One picture attached to entries. It keeps its own copy of the file in the
// media cache, converts it on demand into the format chosen for the web
// (scaled and sharpened when asked), makes its thumbnail and writes the HTML
// that stands for it: the editor's form, and the published form whose
// thumbnail links to the full picture through the blog's link template.
class ImageAttachment : public MediaAttachment {
    Q_OBJECT
public:
    // The formats of the converted copy; KeepFormat leaves the source's own.
    enum ConversionFormat { Jpeg = 0, Png = 1, Pdf = 2, KeepFormat = 3, Jpeg2000 = 4, Gif = 5 };

    explicit ImageAttachment(QObject* parent = nullptr);
    ~ImageAttachment() override;

    // Copies the file into the cache; a thumbnail 100 pixels high, "-tm" after
    // the name on the server.
    void initWithPath(const QString& path) override;

    // Loads the picture from the web without waiting for it; `done` gets the
    // attachment, already counting as uploaded to `url`, or null with the reason.
    // The download is given 30 seconds and at most 50 MB; its bytes are kept as
    // received in a folder only this user can read, then copied into the cache.
    // `done` is not called once `context` is gone.
    using Loaded =
        std::function<void(std::shared_ptr<ImageAttachment> image, const QString& error)>;
    static void initWithURL(const QUrl& url, QObject* context, Loaded done);
    // The same once the bytes are here (what the download hands over).
    static std::shared_ptr<ImageAttachment> fromDownload(const QUrl& url, const QByteArray& bytes,
                                                         QString* error = nullptr);

    // A new path is copied into the cache (keeping the source's path should the
    // copy fail); clearing it deletes the cache copy, and only that.
    void setFilePath(const QString& path) override;
    // The converted copy for upload and preview, made when missing.
    QString cachedPath() const override;
    QString storedCachedPath() const { return m_cachedPath; }
    void setCachedPath(const QString& path) override;

    // The full-size picture with its conversion settings, made on first use.
    ImageObject* image() const;
    ImageObject* thumbObject() const override;

    double width() const override;
    double height() const override;
    // The size the user gave the picture by hand in the editor.
    void setManualDimensions(int width, int height);

    QString longdesc() const { return m_longdesc; }
    void setLongdesc(const QString& text);
    // Derived from the picture's own type when unset (and stored then).
    int conversionFormat() const;
    std::optional<int> storedConversionFormat() const { return m_conversionFormat; }
    void setConversionFormat(std::optional<int> format);
    // Interlacing is offered for PNG only.
    bool supportsInterlace() const { return conversionFormat() == Png; }
    std::optional<bool> conversionInterlaced() const { return m_conversionInterlaced; }
    void setConversionInterlaced(std::optional<bool> interlaced);
    std::optional<double> conversionQuality() const { return m_conversionQuality; }
    void setConversionQuality(std::optional<double> quality);
    bool useScaling() const { return m_useScaling.value_or(false); }
    std::optional<bool> storedUseScaling() const { return m_useScaling; }
    void setUseScaling(std::optional<bool> scaling);
    // The natural size when unset (and stored then).
    int scaledHeight() const;
    int scaledWidth() const;
    std::optional<int> storedScaledHeight() const { return m_scaledHeight; }
    std::optional<int> storedScaledWidth() const { return m_scaledWidth; }
    // Keep the aspect ratio; a value below 1 turns scaling off and keeps the size.
    void setScaledHeight(std::optional<int> height);
    void setScaledWidth(std::optional<int> width);
    std::optional<double> sharpenRadius() const;
    std::optional<double> sharpenIntensity() const;
    void setSharpenRadius(std::optional<double> radius);
    void setSharpenIntensity(std::optional<double> intensity);
    std::optional<double> exposure() const { return m_exposure; }
    void setExposure(std::optional<double> exposure);
    std::optional<double> saturation() const { return m_saturation; }
    void setSaturation(std::optional<double> saturation);

    // Whether the upload must send the converted copy rather than the source.
    bool needsConversion() const;
    // The MIME type of the converted copy ("image/jpeg" when there is none).
    QString internetType() const override;
    // The MIME type a converted copy's file name stands for.
    static QString internetTypeForFile(const QString& path);
    // Scales a picture wider or taller than 480 pixels down to 480.
    void adaptToSize();
    // Brings the picture in line with the settings and drops the converted copy.
    void resetImage();

    QImage cellImageForSize(int size) const override;
    QString generateMarkup(bool forEditor, const Template* linkTemplate) const override;

    void applyPreset(const MediaAttachment& preset) override;
    void createPreset(const MediaAttachment& attachment) override;

    bool setStoredValue(QStringView key, const QVariant& value) override;
    static std::span<const RecordKey<ImageAttachment>> imageKeys();
    QString archiveClassName() const override { return QStringLiteral("ImageAttachment"); }
    void encodeWithCoder(KeyedArchiver& coder) const override;
    void initWithCoder(KeyedUnarchiver& coder) override;

    // Besides the thumbnail's: the scaled size, when the picture is scaled.
    QVariantMap uploaderFields() const override;

protected:
    AttachmentPtr makeEmpty() const override;
    void fillCopy(Attachment& copy) const override;
    // An uploader gets the converted copy; a blog the source unless the
    // picture is scaled or converted, or there is no source.
    QString mainUploadFile(UploadVia via) const override;

private:
    void configureImage(ImageObject& image) const;
    void applySaveSettings(ImageObject& image) const;
    std::shared_ptr<ImageObject> openPicture() const;
    QString thumbnailAddress() const;
    QString publishedLink(const Template& linkTemplate, const QString& mainAddress) const;

    mutable std::shared_ptr<ImageObject> m_image;
    mutable QString m_unreadablePath; // not tried again
    mutable QString m_cachedPath;
    QString m_longdesc;
    mutable std::optional<int> m_conversionFormat;
    std::optional<bool> m_conversionInterlaced;
    std::optional<double> m_conversionQuality;
    std::optional<bool> m_useScaling;
    mutable std::optional<int> m_scaledHeight, m_scaledWidth;
    mutable std::optional<double> m_sharpenRadius, m_sharpenIntensity;
    std::optional<double> m_exposure, m_saturation;
};
