#pragma once

#include "MediaAttachment.h"

// One movie attached to entries. The movie stays where it is; a still taken at
// the chosen moment (the poster frame) can stand for it in the post, as a
// one-frame poster movie that plays the real one when clicked, or as a plain
// thumbnail picture. It writes the player markup for the editor and for
// publishing.
class MovieAttachment : public MediaAttachment {
    Q_OBJECT
public:
    // How the movie appears in the post.
    enum LinkOption { PlainPlayer = 0, PosterMovie = 1, ThumbnailImage = 2 };

    // Where the markup sends browsers for the player plug-in.
    static const QString PluginInstallerAddress;
    static const QString PluginDownloadAddress;

    explicit MovieAttachment(QObject* parent = nullptr);
    ~MovieAttachment() override;

    // A poster movie at the start, 0.9 thumbnail quality, 100 pixels high.
    void initWithPath(const QString& path) override;

    std::optional<bool> moviePlayAutomatically() const { return m_playAutomatically; }
    void setMoviePlayAutomatically(std::optional<bool> play);
    std::optional<bool> movieShowController() const { return m_showController; }
    void setMovieShowController(std::optional<bool> show);
    // The poster frame's moment: timeValue units of 1/timeScale second.
    std::optional<double> timeValue() const { return m_timeValue; }
    void setTimeValue(std::optional<double> value);
    std::optional<double> timeScale() const { return m_timeScale; }
    void setTimeScale(std::optional<double> scale);
    // Both, and the list picture is made again from the new frame.
    void setSelectedTime(qint64 value, qint64 scale);
    std::optional<int> movieLinkOption() const { return m_linkOption; }
    void setMovieLinkOption(std::optional<int> option);
    // The uploaded poster movie's address.
    QString posterPath() const { return m_posterPath; }
    void setPosterPath(const QString& address);
    // The local poster movie ("<uniqueID>p.mov" in the cache), made when
    // missing; empty when it cannot be made.
    QString posterCachedPath() const;
    QString storedPosterCachedPath() const { return m_posterCachedPath; }
    void setPosterCachedPath(const QString& path);
    // Drops the poster movie and the thumbnail file.
    void resetMovie();

    double width() const override;
    double height() const override;
    bool hasVideoTrack() const { return height() > 0; }

    ImageObject* thumbObject() const override;
    QImage cellImageForSize(int size) const override;
    QString internetType() const override { return QStringLiteral("video/quicktime"); }
    QString generateMarkup(bool forEditor, const Template* linkTemplate) const override;

    // "01:02:05" for 3725 seconds.
    static QString timeAsString(qint64 seconds);

    bool hasPoster() const { return m_hasPoster; }
    void noteUploadStart() override;

    void applyPreset(const MediaAttachment& preset) override;
    void createPreset(const MediaAttachment& attachment) override;

    bool setStoredValue(QStringView key, const QVariant& value) override;
    static std::span<const RecordKey<MovieAttachment>> movieKeys();
    QString archiveClassName() const override { return QStringLiteral("MovieAttachment"); }
    void encodeWithCoder(KeyedArchiver& coder) const override;
    void initWithCoder(KeyedUnarchiver& coder) override;

    void clearUploadAddresses() override;

protected:
    AttachmentPtr makeEmpty() const override;
    void fillCopy(Attachment& copy) const override;
    // Link option 2 the thumbnail, another positive one the poster movie, else none.
    Companion companion() const override;
    QString companionFile() const override;
    bool hasCompanionAddress() const override;
    bool storeCompanionAddress(Companion kind, const QString& address) override;

private:
    void determineSize() const;
    QImage posterFrame() const;
    QString createPosterMovie() const;
    QString playerMarkup(const QString& id, const QString& movieAddress, int width, int height,
                         bool autoplay, bool controller) const;
    QString posterMarkup(const QString& id, const QString& posterAddress,
                         const QString& movieAddress, int width, int height, bool autoplay,
                         bool controller) const;

    std::optional<bool> m_playAutomatically, m_showController;
    std::optional<double> m_timeValue, m_timeScale;
    std::optional<int> m_linkOption;
    QString m_posterPath;
    mutable QString m_posterCachedPath;
    bool m_hasPoster = false;
};
