#include "Presets.h"

#include "ImageAttachment.h"
#include "KeyedArchiver.h"
#include "Localization.h"
#include "ModelArchiveClasses.h"
#include "ModelLog.h"
#include "MovieAttachment.h"
#include "NotificationCenter.h"
#include "StoredArchive.h"
#include "SupportFolder.h"
#include "UserDefaults.h"

#include <QMutex>
#include <algorithm>

namespace {

Presets* s_shared = nullptr;
QMutex s_sharedLock;

const char Table[] = "Presets";

} // namespace

Presets::Presets(const QString& path, QObject* parent) : QObject(parent), m_path(path)
{
    loadPresets(&m_loadReport);
}

Presets::~Presets()
{
    if (m_changed)
        savePresets();
    if (s_shared == this)
        s_shared = nullptr;
}

Presets& Presets::sharedInstance()
{
    QMutexLocker locker(&s_sharedLock);
    if (!s_shared) {
        s_shared = new Presets(defaultPath());
        NotificationCenter::sharedInstance().observe(QStringLiteral("goingToQuitNotification"),
                                                     s_shared, [](const Notification&) {
                                                         if (s_shared)
                                                             s_shared->cleanUp();
                                                     });
    }
    return *s_shared;
}

bool Presets::instanceExists()
{
    return s_shared != nullptr;
}

QString Presets::defaultPath()
{
    const QString folder = cutils::applicationSupportFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/presets.plist");
}

void Presets::loadPresets(QString* report)
{
    registerModelArchiveClasses();
    QStringList warnings;
    QString moved;
    const QList<MediaAttachmentPtr> read =
        StoredArchive::loadRecords<MediaAttachment>(m_path, "presets", &moved, &warnings);
    if (report)
        *report = moved;
    for (const QString& warning : std::as_const(warnings))
        qCWarning(lcModel).noquote() << "presets:" << warning;
    if (read.isEmpty())
        return;
    emit presetsAboutToBeReset();
    m_presets.append(read);
    // The file went aside with some presets readable: they are written anew at
    // the next save, so that they are not lost with it.
    if (!moved.isEmpty())
        m_changed = true;
    emit presetsReset();
}

bool Presets::savePresets(QString* error)
{
    QVariantList roots;
    roots.reserve(m_presets.size());
    for (const MediaAttachmentPtr& preset : std::as_const(m_presets))
        roots.append(QVariant::fromValue(std::static_pointer_cast<Archivable>(preset)));
    QString reason;
    if (!KeyedArchiver::archiveToFile(m_path, roots, &reason)) {
        qCWarning(lcModel).noquote() << "presets not saved:" << reason;
        if (error)
            *error = reason;
        emit saveFailed(localized(Table, "The presets could not be saved: %1").arg(reason));
        return false;
    }
    m_changed = false;
    return true;
}

void Presets::setPresets(const QList<MediaAttachmentPtr>& presets)
{
    emit presetsAboutToBeReset();
    m_presets = presets;
    m_changed = true;
    emit presetsReset();
}

QStringList Presets::presetKeys() const
{
    QStringList keys;
    keys.reserve(m_presets.size());
    for (const MediaAttachmentPtr& preset : m_presets)
        keys.append(preset->uniqueID());
    std::stable_sort(keys.begin(), keys.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return keys;
}

MediaAttachmentPtr Presets::presetForKey(const QString& name) const
{
    const int index = indexOf(name);
    return index < 0 ? nullptr : m_presets[index];
}

int Presets::indexOf(const QString& name) const
{
    if (name.isNull())
        return -1;
    for (int i = 0; i < m_presets.size(); ++i) {
        if (m_presets[i]->uniqueID() == name)
            return i;
    }
    return -1;
}

QString Presets::cleanName(const QString& name)
{
    return name.trimmed();
}

Presets::NameProblem Presets::nameProblem(const QString& name, int except) const
{
    const QString cleaned = cleanName(name);
    if (cleaned.isEmpty())
        return NameProblem::Blank;
    const int holder = indexOf(cleaned);
    return holder >= 0 && holder != except ? NameProblem::Taken : NameProblem::None;
}

QString Presets::nameProblemText(NameProblem problem, const QString& name)
{
    switch (problem) {
    case NameProblem::None:
        break;
    case NameProblem::Blank:
        return localized(Table, "A preset needs a name.");
    case NameProblem::Taken:
        return localized(Table, "A preset named \u201C%1\u201D already exists.")
            .arg(cleanName(name));
    }
    return {};
}

void Presets::insertPreset(int index, const MediaAttachmentPtr& preset)
{
    emit presetAboutToBeInserted(index);
    m_presets.insert(index, preset);
    m_changed = true;
    emit presetInserted(index);
}

MediaAttachmentPtr Presets::addPreset(const QString& name, const Attachment& from)
{
    const QString cleaned = cleanName(name);
    if (cleaned.isEmpty())
        return nullptr;
    const auto* media = dynamic_cast<const MediaAttachment*>(&from);
    MediaAttachmentPtr preset;
    if (dynamic_cast<const ImageAttachment*>(&from))
        preset = std::make_shared<ImageAttachment>();
    else if (dynamic_cast<const MovieAttachment*>(&from))
        preset = std::make_shared<MovieAttachment>();
    if (!preset || !media)
        return nullptr;
    // Names are unique: a preset saved under a name it had replaces it.
    if (const int old = indexOf(cleaned); old >= 0)
        removePreset(old);
    preset->setUniqueID(cleaned);
    preset->createPreset(*media);
    insertPreset(int(m_presets.size()), preset);
    return preset;
}

void Presets::removePreset(int index)
{
    if (index < 0 || index >= m_presets.size())
        return;
    emit presetAboutToBeRemoved(index);
    m_presets.removeAt(index);
    m_changed = true;
    emit presetRemoved(index);
}

bool Presets::renamePreset(int index, const QString& name, QString* problem)
{
    if (index < 0 || index >= m_presets.size())
        return false;
    const NameProblem found = nameProblem(name, index);
    if (found != NameProblem::None) {
        if (problem)
            *problem = nameProblemText(found, name);
        return false;
    }
    const QString cleaned = cleanName(name);
    if (m_presets[index]->uniqueID() == cleaned)
        return true;
    m_presets[index]->setUniqueID(cleaned);
    m_changed = true;
    emit presetRenamed(index);
    return true;
}

void Presets::dialogEnded()
{
    if (m_changed)
        savePresets();
    NotificationCenter::sharedInstance().post(QString::fromLatin1(PresetsChangedNotification));
}

bool Presets::sameKind(const Attachment& one, const Attachment& other)
{
    const bool images =
        dynamic_cast<const ImageAttachment*>(&one) && dynamic_cast<const ImageAttachment*>(&other);
    const bool movies =
        dynamic_cast<const MovieAttachment*>(&one) && dynamic_cast<const MovieAttachment*>(&other);
    return images || movies;
}

bool Presets::canBePreset(const Attachment& attachment)
{
    return dynamic_cast<const ImageAttachment*>(&attachment) ||
           dynamic_cast<const MovieAttachment*>(&attachment);
}

int Presets::applyToSelection(const QString& name, const QList<AttachmentPtr>& selection)
{
    const MediaAttachmentPtr preset = presetForKey(name);
    if (!preset || selection.isEmpty())
        return 0;
    UserDefaults::sharedInstance().setValue(QString::fromLatin1(LastUsedPresetKey), name);
    int applied = 0;
    for (const AttachmentPtr& attachment : selection) {
        if (!attachment || !sameKind(*attachment, *preset))
            continue;
        static_cast<MediaAttachment&>(*attachment).applyPreset(*preset);
        ++applied;
    }
    return applied;
}

bool Presets::applyToAttachment(const QString& name, Attachment& attachment)
{
    const MediaAttachmentPtr preset = presetForKey(name);
    if (!preset || !sameKind(attachment, *preset))
        return false;
    UserDefaults::sharedInstance().setValue(QString::fromLatin1(LastUsedPresetKey), name);
    static_cast<MediaAttachment&>(attachment).applyPreset(*preset);
    return true;
}

MediaAttachmentPtr Presets::lastUsedPresetFor(const Attachment& attachment) const
{
    const QString name =
        UserDefaults::sharedInstance().value(QString::fromLatin1(LastUsedPresetKey)).toString();
    const MediaAttachmentPtr preset = presetForKey(name);
    return preset && sameKind(attachment, *preset) ? preset : nullptr;
}

void Presets::cleanUp()
{
    NotificationCenter::sharedInstance().removeObserver(this);
    if (m_changed)
        savePresets();
    if (s_shared == this) {
        s_shared = nullptr;
        deleteLater();
    }
}
