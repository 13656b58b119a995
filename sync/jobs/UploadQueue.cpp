#include "UploadQueue.h"

#include "Attachment.h"
#include "Localization.h"
#include "MediaAttachment.h"
#include "MovieAttachment.h"
#include "UploadJob.h"

#include <QPointer>

UploadQueue::UploadQueue(UploadRoad& road, QObject* parent) : QObject(parent), m_road(road)
{
    m_send = [this](const AttachmentPtr& attachment, UploadRoad::Done done,
                    UploadRoad::Failed failed) {
        m_road.upload(attachment, std::move(done), std::move(failed), true);
    };
}

UploadQueue::~UploadQueue()
{
    if (m_state == State::Uploading)
        cancel();
}

QString UploadQueue::unknownErrorText()
{
    return localized("AttsArrayController",
                     "An unknown error occurred! More information about the error might be "
                     "available by selecting Console from the Window menu.");
}

AttachmentPtr UploadQueue::current() const
{
    return m_state == State::Uploading && !m_queue.isEmpty() ? m_queue.first() : nullptr;
}

UploadJob* UploadQueue::currentJob() const
{
    const AttachmentPtr attachment = current();
    return attachment ? m_road.uploadOf(attachment.get()) : nullptr;
}

void UploadQueue::start(const QList<AttachmentPtr>& attachments)
{
    if (m_state == State::Uploading)
        return;
    m_queue.clear();
    for (const AttachmentPtr& attachment : attachments) {
        if (attachment)
            m_queue.append(attachment);
    }
    if (!m_errorMessage.isEmpty()) {
        m_errorMessage.clear();
        emit errorMessageChanged(m_errorMessage);
    }
    setState(State::Uploading);
    uploadNext();
}

void UploadQueue::uploadNext()
{
    if (m_queue.isEmpty()) {
        finish();
        return;
    }
    const AttachmentPtr attachment = m_queue.first();
    m_before = addressesOf(*attachment);
    m_extraPassSent = false;
    attachment->clearUploadAddresses();
    emit uploadStarted(attachment);
    send(attachment);
}

void UploadQueue::send(const AttachmentPtr& attachment)
{
    const quint64 round = ++m_round;
    const QPointer<UploadQueue> self(this);
    m_send(
        attachment,
        [self, round] {
            if (self)
                self->handleDone(round);
        },
        [self, round](const QString& message) {
            if (self)
                self->handleFailure(round, message);
        });
}

void UploadQueue::handleDone(quint64 round)
{
    if (round != m_round || m_state != State::Uploading || m_queue.isEmpty())
        return;
    const AttachmentPtr attachment = m_queue.first();
    // Its companion goes in a pass of its own: once.
    if (attachment->isMediaAttachment() && !attachment->uploadComplete() && !m_extraPassSent) {
        m_extraPassSent = true;
        send(attachment);
        return;
    }
    m_queue.removeFirst();
    emit uploadDone(attachment);
    uploadNext();
}

void UploadQueue::handleFailure(quint64 round, const QString& message)
{
    if (round != m_round || m_state != State::Uploading || m_queue.isEmpty())
        return;
    restore(*m_queue.first(), m_before);
    m_queue.clear();
    const QString trimmed = message.trimmed();
    m_errorMessage = trimmed.isEmpty() ? unknownErrorText() : trimmed;
    emit errorMessageChanged(m_errorMessage);
    setState(State::Failed);
}

void UploadQueue::cancel()
{
    if (m_state == State::Failed) {
        dismiss();
        return;
    }
    if (m_state != State::Uploading)
        return;
    const AttachmentPtr attachment = m_queue.isEmpty() ? nullptr : m_queue.first();
    // Whatever the stopped upload still says is no longer heard.
    ++m_round;
    m_queue.clear();
    if (attachment) {
        if (UploadJob* job = m_road.uploadOf(attachment.get()))
            job->cancel();
        restore(*attachment, m_before);
    }
    finish();
}

void UploadQueue::dismiss()
{
    if (m_state != State::Failed)
        return;
    finish();
}

void UploadQueue::finish()
{
    m_queue.clear();
    setState(State::Idle);
    emit ended();
}

void UploadQueue::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

UploadQueue::Addresses UploadQueue::addressesOf(const Attachment& attachment)
{
    Addresses addresses;
    addresses.upload = attachment.uploadPath();
    if (const auto* media = dynamic_cast<const MediaAttachment*>(&attachment))
        addresses.thumb = media->thumbPath();
    if (const auto* movie = dynamic_cast<const MovieAttachment*>(&attachment))
        addresses.poster = movie->posterPath();
    return addresses;
}

void UploadQueue::restore(Attachment& attachment, const Addresses& addresses)
{
    attachment.setUploadPath(addresses.upload);
    if (auto* media = dynamic_cast<MediaAttachment*>(&attachment))
        media->setThumbPath(addresses.thumb);
    if (auto* movie = dynamic_cast<MovieAttachment*>(&attachment))
        movie->setPosterPath(addresses.poster);
}
