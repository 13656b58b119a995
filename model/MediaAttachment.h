#pragma once

#include "Attachment.h"

#include <Color.h>
#include <array>
#include <memory>

class ImageObject;

// What images and movies share: the thumbnail settings and file, the box style
// of the element in the post and the natural size of the medium. Never made by
// itself: the factory makes an ImageAttachment or a MovieAttachment.
class MediaAttachment : public Attachment {
    Q_OBJECT
public:
    explicit MediaAttachment(QObject* parent = nullptr);
    ~MediaAttachment() override;

    enum Side { Top = 0, Right = 1, Bottom = 2, Left = 3 };

    // Read as 100 when unset (and 100 is stored then).
    int thumbHeight() const;
    int thumbWidth() const;
    std::optional<int> storedThumbHeight() const { return m_thumbHeight; }
    std::optional<int> storedThumbWidth() const { return m_thumbWidth; }
    // Keep the thumbnail's aspect ratio; a value below 1 switches the thumbnail
    // off and keeps the stored size.
    void setThumbHeight(std::optional<int> height);
    void setThumbWidth(std::optional<int> width);
    bool thumbCreate() const { return m_thumbCreate.value_or(false); }
    std::optional<bool> storedThumbCreate() const { return m_thumbCreate; }
    void setThumbCreate(std::optional<bool> create);
    std::optional<double> thumbQuality() const { return m_thumbQuality; }
    void setThumbQuality(std::optional<double> quality);
    QString thumbPrefix() const { return m_thumbPrefix; }
    void setThumbPrefix(const QString& prefix);
    QString thumbSuffix() const { return m_thumbSuffix; }
    void setThumbSuffix(const QString& suffix);
    QString thumbDestination() const { return m_thumbDestination; }
    void setThumbDestination(const QString& folder);
    // The uploaded thumbnail's address.
    QString thumbPath() const { return m_thumbPath; }
    void setThumbPath(const QString& address);
    // The local thumbnail file, made when missing; empty when it cannot be made.
    QString thumbCachedPath() const;
    QString storedThumbCachedPath() const { return m_thumbCachedPath; }
    // Replacing or clearing the path deletes the old file.
    void setThumbCachedPath(const QString& path);

    // The thumbnail processor, made on first use; null when there is nothing to
    // picture. Thrown away whenever a thumbnail setting changes.
    virtual ImageObject* thumbObject() const;
    void resetThumb();

    // 0 or unset no float, 1 left, any other positive value right.
    std::optional<int> floatOption() const { return m_floatOption; }
    void setFloatOption(std::optional<int> option);
    // When not empty, the class replaces the inline style.
    QString className() const { return m_className; }
    void setClassName(const QString& name);
    std::optional<int> margin(Side side) const { return m_margins[side]; }
    void setMargin(Side side, std::optional<int> pixels);
    std::optional<int> padding(Side side) const { return m_paddings[side]; }
    void setPadding(Side side, std::optional<int> pixels);
    std::optional<int> border() const { return m_border; }
    void setBorder(std::optional<int> pixels);
    std::optional<int> borderType() const { return m_borderType; }
    void setBorderType(std::optional<int> type);
    std::optional<rv::Color> borderColor() const { return m_borderColor; }
    void setBorderColor(std::optional<rv::Color> color);

    // The natural pixel size; the subclasses find it when unset.
    virtual double width() const { return m_width.value_or(0); }
    virtual double height() const { return m_height.value_or(0); }
    std::optional<double> storedWidth() const { return m_width; }
    std::optional<double> storedHeight() const { return m_height; }
    void setWidth(std::optional<double> width);
    void setHeight(std::optional<double> height);

    // The inline CSS of the box style ("float:left; margin-top:4px; ...").
    QString styleMarkup() const;
    // The style as the markup writes it: trimmed, and only when there is no
    // class and at least two characters remain; else empty.
    QString usableStyle() const;
    // The CSS word of a border type; types outside the list are "dotted".
    static QString borderStyleWord(std::optional<int> type);

    // Presets: copies of the settings, through the setters (apply) or straight
    // into this preset's fields (create).
    virtual void applyPreset(const MediaAttachment& preset);
    virtual void createPreset(const MediaAttachment& attachment);

    // The name a file goes up under: the attachment's name without its
    // extension, then "." and the extension of the file sent, "jpeg" written
    // "jpg"; a companion (thumbnail, poster movie) has the thumbnail prefix and
    // suffix around the name.
    QString serverName(const QString& sentFile, bool companion) const;
    // The companion's name as it goes up beside the main file sent on that
    // road: never the main file's own name, which a server that overwrites
    // would replace (a movie's poster movie has no suffix of its own).
    QString companionServerName(UploadVia via) const;

    // Set when an upload starts, from the stored addresses (hasMain: Attachment).
    bool hasThumb() const { return m_hasThumb; }
    void noteUploadStart() override;

    // The upload passes: the main file, then its companion (the thumbnail or
    // poster movie) once the main file has an address.
    bool isMediaAttachment() const override { return true; }
    bool uploadComplete() const override;
    QString uploadFilePath(UploadVia via = UploadVia::Blog) const override;
    QString uploadFileName(UploadVia via = UploadVia::Blog) const override;
    QString uploadFolder() const override;
    std::optional<UploaderCompanion> uploaderCompanion() const override;
    QVariantMap uploaderFields() const override;
    // "url" and a companion's address ("posterurl", "thumburl") together fill
    // both; "url" alone is the companion's once the main file had one.
    bool processUpload(const QVariantMap& answer) override;
    void clearUploadAddresses() override;

    // Sets a stored key by name, with the conversions the settings panels rely
    // on: a string given for a number becomes its integer value.
    virtual bool setStoredValue(QStringView key, const QVariant& value);

    static std::span<const RecordKey<MediaAttachment>> mediaKeys();
    QStringList archiveClassChain() const override;
    void encodeWithCoder(KeyedArchiver& coder) const override;
    void initWithCoder(KeyedUnarchiver& coder) override;

    // "12abc" 12, " -3" -3, "0.8" 0, "x" 0: the integer a text starts with.
    static int intValue(const QString& text);
    // A number truncated, a string as intValue; anything else none.
    static std::optional<int> integerFrom(const QVariant& value);
    static std::optional<bool> boolFrom(const QVariant& value);
    static std::optional<double> realFrom(const QVariant& value);

    // A server's address inside a double-quoted attribute: '"', '<' and '>'
    // percent-escaped; '&' stays, as stored posts carry it.
    static QString attributeAddress(const QString& address);
    // The file URL of a local file, as a link names it.
    static QString fileURL(const QString& path);

protected:
    enum class Companion { None, Thumbnail, Poster };
    // Which companion follows the main file: the thumbnail when one is made.
    virtual Companion companion() const;
    // The companion's file; a thumbnail is made when missing.
    virtual QString companionFile() const;
    // Whether a companion's address is stored.
    virtual bool hasCompanionAddress() const { return !m_thumbPath.isEmpty(); }
    // The main file a road sends: the file the base record sends.
    virtual QString mainUploadFile(UploadVia) const { return cachedPath(); }
    // Stores a companion's address; false for a kind the attachment has none of.
    virtual bool storeCompanionAddress(Companion kind, const QString& address);

    // Makes the thumbnail file in the media cache; empty on failure.
    virtual QString makeThumbnailFile() const;
    void dropThumbObject() const;
    void fillCopy(Attachment& copy) const override;

    mutable std::shared_ptr<ImageObject> m_thumbObject;
    // While a stored record is read, sizes are taken as stored: keeping their
    // ratio then would shift a stored 133 x 100 thumbnail to 133 x 99.
    bool m_readingArchive = false;

private:
    mutable std::optional<int> m_thumbHeight, m_thumbWidth;
    std::optional<bool> m_thumbCreate;
    std::optional<double> m_thumbQuality;
    QString m_thumbPrefix, m_thumbSuffix, m_thumbDestination, m_thumbPath;
    mutable QString m_thumbCachedPath;
    std::optional<int> m_floatOption;
    QString m_className;
    std::array<std::optional<int>, 4> m_margins, m_paddings;
    std::optional<int> m_border, m_borderType;
    std::optional<rv::Color> m_borderColor;
    std::optional<double> m_width, m_height;
    bool m_hasThumb = false;
};
