#pragma once

#include "Archivable.h"
#include "ModelRecord.h"
#include "ModelTypes.h"
#include "RecordKey.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <optional>
#include <span>

class Template;

// One local file the user attached to entries: an image, a movie or any other
// file. Entries refer to it by its uniqueID. This base record serves plain files;
// media attachments derive from it.
class Attachment : public ModelRecord, public Archivable {
    Q_OBJECT
public:
    enum FileType { ImageFile = 0, MovieFile = 1, OtherFile = 2 };

    explicit Attachment(QObject* parent = nullptr);
    ~Attachment() override;

    // A new attachment for the file: the media class registered for its kind
    // (image, movie) when there is one, else this base record.
    static AttachmentPtr attachmentWithPath(const QString& path);
    using Factory = std::function<AttachmentPtr(const QString& path)>;
    // Media attachments register their classes here; an empty factory removes one.
    static void setFactory(FileType type, Factory factory);

    // Sets identifier, path, file name and type for a new attachment.
    virtual void initWithPath(const QString& path);

    // Made on first read, together with `created`.
    QString uniqueID() const;
    void setUniqueID(const QString& id);
    // Seconds since 1970; now on first read.
    double created() const;
    void setCreated(std::optional<double> seconds);

    QString filePath() const { return m_filePath; }
    virtual void setFilePath(const QString& path);
    // The file whose bytes are uploaded; the base record uploads the file itself.
    virtual QString cachedPath() const { return m_filePath; }
    virtual void setCachedPath(const QString& path);
    QString uploadPath() const { return m_uploadPath; }
    // Whether everything the published markup names is on the server: the file's
    // address is known. Media attachments that make a thumbnail also wait for its
    // address.
    virtual bool uploadComplete() const { return !m_uploadPath.isEmpty(); }
    void setUploadPath(const QString& address);
    QString source() const { return m_source; }
    void setSource(const QString& address);
    QString alt() const { return m_alt; }
    void setAlt(const QString& text);
    // The stored name, else the file's name, else "Untitled". Never holds "/".
    QString fileName() const;
    void setFileName(const QString& name);
    // The platform's description of the file's kind, made on first read.
    QString fileKind() const;
    void setFileKind(const QString& kind);
    std::optional<int> fileType() const { return m_fileType; }
    void setFileType(std::optional<int> type);
    // "1.4 Kb" and the like, made on first read from the file on disk.
    QString fileSize() const;
    void setFileSize(const QString& size);
    QString destination() const { return m_destination; }
    void setDestination(const QString& folder);
    QString accountID() const { return m_accountID; }
    void setAccountID(const QString& id);
    QString blogID() const { return m_blogID; }
    void setBlogID(const QString& id);
    QVariantMap uploaderSettings() const;
    void setUploaderSettings(std::optional<QVariantMap> settings);

    // Pictures of the file for table rows (76 pixels) and the library (96 pixels).
    QImage cell() const;
    void setCell(const QImage& image);
    virtual QImage cellImageForSize(int size) const;
    QImage thumb() const;
    void setThumb(const QImage& image);
    // Draws the icon of a file at a height; the default uses the icon theme.
    using IconProvider = std::function<QImage(const QString& path, int height)>;
    static void setIconProvider(IconProvider provider);

    // The MIME type of the file; "text/plain" when none is known.
    virtual QString internetType() const;
    // The MIME type of a file on disk; "text/plain" when none is known.
    static QString internetTypeOfFile(const QString& path);

    // Markup standing for the attachment in an entry. The editor form carries
    // the id. The template is for media attachments.
    virtual QString generateMarkup(bool forEditor, const Template* linkTemplate) const;
    virtual QString markup() const { return {}; }
    // Announces that the markup must be asked for again.
    virtual void setMarkup(const QString& markup);

    // While an upload caller is held.
    bool isUploading() const { return !m_uploadCaller.isNull(); }
    void setUploadCaller(QObject* caller);

    // --- the upload road's passes; media attachments extend them ---
    // A blog's media call takes one file a request: the main file, then its
    // companion (a media attachment's thumbnail or poster movie). An uploader
    // plug-in takes both in one request.
    enum class UploadVia { Blog, Uploader };
    // An uploader's second file: its bytes go under `bitsKey`, its server
    // name under `nameKey`.
    struct UploaderCompanion {
        QString bitsKey, nameKey, path, name;
    };

    // Notes, as an upload starts and before each of its passes, which files
    // the server has (from the stored addresses); the passes follow the notes.
    virtual void noteUploadStart() { m_hasMain = !m_uploadPath.isEmpty(); }
    // Whether the server had the main file when last noted.
    bool hasMain() const { return m_hasMain; }
    // An image or movie: its upload rows say "media" and "thumbnail".
    virtual bool isMediaAttachment() const { return false; }
    // The file whose bytes go up now, the name and folder they go up under:
    // on a blog the main file until it has an address, then the companion.
    virtual QString uploadFilePath(UploadVia via = UploadVia::Blog) const;
    virtual QString uploadFileName(UploadVia via = UploadVia::Blog) const;
    virtual QString uploadFolder() const { return m_destination; }
    // The MIME type of the file that goes up now, from that file alone, so a
    // companion goes as what it is and no copy is made only to be typed;
    // "text/plain" when its kind is unknown, empty when there is no file.
    QString uploadInternetType(UploadVia via = UploadVia::Blog) const;
    // What an uploader gets besides name, type and bits: the companion, in
    // the same request, and fields such as sizes.
    virtual std::optional<UploaderCompanion> uploaderCompanion() const { return std::nullopt; }
    virtual QVariantMap uploaderFields() const { return {}; }
    // Takes the addresses of an upload's answer: "url" (required) becomes
    // uploadPath, "source" the source page. False without "url".
    virtual bool processUpload(const QVariantMap& answer);
    // Forgets the addresses of earlier uploads, before it is sent again.
    virtual void clearUploadAddresses();

    // A media file's name on the server: `baseName` with the extension of
    // the file sent, "jpeg" written "jpg".
    static QString serverFileName(const QString& baseName, const QString& sentPath);
    // The file name without its extension.
    QString baseFileName() const;

    // Same class, same identifier, every field copied.
    AttachmentPtr copy() const;

    static std::span<const RecordKey<Attachment>> storedKeys();
    QString archiveClassName() const override { return QStringLiteral("Attachment"); }
    void encodeWithCoder(KeyedArchiver& coder) const override;
    void initWithCoder(KeyedUnarchiver& coder) override;

protected:
    // The list picture as held, for media attachments that draw their own.
    const QImage& storedCell() const { return m_cell; }
    void keepCell(const QImage& image) const { m_cell = image; }
    virtual AttachmentPtr makeEmpty() const;
    // Media attachments extend this with their own fields.
    virtual void fillCopy(Attachment& copy) const;

private:
    QImage iconImage(int height) const;

    mutable QString m_uniqueID;
    mutable std::optional<double> m_created;
    mutable QImage m_thumb, m_cell;
    QString m_filePath, m_uploadPath, m_source, m_alt, m_fileName;
    mutable QString m_fileKind, m_fileSize;
    std::optional<int> m_fileType;
    QString m_destination, m_accountID, m_blogID;
    mutable std::optional<QVariantMap> m_uploaderSettings;
    QPointer<QObject> m_uploadCaller;
    bool m_hasMain = false;
};
