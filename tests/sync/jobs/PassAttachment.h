#pragma once

#include "Attachment.h"

#include <QVariantMap>

// A media attachment as the upload passes see it, without the image and movie
// machinery: a main file (the source, or a converted copy for uploaders and
// when `sendConverted`) and a companion file (thumbnail or poster movie) that
// goes up second, with its own name, folder and address.
namespace plumet::test {

class PassAttachment : public Attachment {
public:
    QString convertedFile; // the converted copy; empty: the source is sent everywhere
    bool sendConverted = false;
    QString companionFile; // empty: no companion wanted
    bool companionIsPoster = false;
    QString thumbPrefix, thumbSuffix, thumbDestination;
    QString companionAddress;
    int noted = 0;

    void noteUploadStart() override
    {
        Attachment::noteUploadStart();
        ++noted;
    }
    bool isMediaAttachment() const override { return true; }
    bool uploadComplete() const override
    {
        return !uploadPath().isEmpty() && (companionFile.isEmpty() || !companionAddress.isEmpty());
    }
    QString uploadFilePath(UploadVia via) const override
    {
        if (via == UploadVia::Blog && hasMain())
            return companionFile;
        return mainFile(via);
    }
    QString uploadFileName(UploadVia via) const override
    {
        if (via == UploadVia::Blog && hasMain())
            return companionName();
        return serverFileName(baseFileName(), mainFile(via));
    }
    QString uploadFolder() const override { return hasMain() ? thumbDestination : destination(); }
    std::optional<UploaderCompanion> uploaderCompanion() const override
    {
        if (companionFile.isEmpty())
            return std::nullopt;
        if (companionIsPoster)
            return UploaderCompanion{QStringLiteral("posterbits"), QStringLiteral("postername"),
                                     companionFile, companionName()};
        return UploaderCompanion{QStringLiteral("thumbbits"), QStringLiteral("thumbname"),
                                 companionFile, companionName()};
    }
    QVariantMap uploaderFields() const override
    {
        if (companionFile.isEmpty() || companionIsPoster)
            return {};
        return {{QStringLiteral("thumbheight"), 100}, {QStringLiteral("thumbwidth"), 133}};
    }
    bool processUpload(const QVariantMap& answer) override
    {
        const QString url = answer.value(QStringLiteral("url")).toString();
        const QString companion =
            answer
                .value(companionIsPoster ? QStringLiteral("posterurl") : QStringLiteral("thumburl"))
                .toString();
        if (url.isEmpty())
            return false;
        if (!companion.isEmpty()) {
            companionAddress = companion;
            setUploadPath(url);
        } else if (hasMain()) {
            companionAddress = url;
        } else {
            setUploadPath(url);
        }
        return true;
    }
    void clearUploadAddresses() override
    {
        Attachment::clearUploadAddresses();
        companionAddress.clear();
    }

private:
    QString mainFile(UploadVia via) const
    {
        if (convertedFile.isEmpty())
            return filePath();
        return via == UploadVia::Uploader || sendConverted ? convertedFile : filePath();
    }
    QString companionName() const
    {
        return serverFileName(thumbPrefix + baseFileName() + thumbSuffix, companionFile);
    }
};

} // namespace plumet::test
