#pragma once

#include "ImageAttachment.h"

#include <QByteArray>
#include <QUrl>

// A picture on the web becoming an image attachment: fetched through the
// installed download road without waiting for it, checked to be a picture,
// kept as received in a folder only this user can enter, then copied into the
// media cache like any other picture. It counts as uploaded to its address.
namespace WebPicture {

// Starts the download; `done` runs once, not once `context` is gone.
void load(const QUrl& url, QObject* context, ImageAttachment::Loaded done);
// The attachment for the bytes received from `url`, or null (the reason in
// *error) when they are no picture.
std::shared_ptr<ImageAttachment> fromBytes(const QUrl& url, const QByteArray& bytes,
                                           QString* error = nullptr);

} // namespace WebPicture
