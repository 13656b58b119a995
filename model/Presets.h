#pragma once

#include "ModelTypes.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

class MediaAttachment;
using MediaAttachmentPtr = std::shared_ptr<MediaAttachment>;

// The user's attachment presets: named copies of an image's or a movie's
// settings, kept in "presets.plist" in the support folder as a keyed archive
// of the preset list (each an ImageAttachment or MovieAttachment whose
// uniqueID is the preset's name), in the order they were added.
//
// Every change comes from one of the two preset dialogs; when a dialog ends
// the list is written at once, atomically (a crash loses nothing a dialog
// confirmed), and "presetsChanged" is posted. A file that cannot be read is
// moved aside and reported, never overwritten with an empty list. Main thread
// only.
class Presets : public QObject {
    Q_OBJECT
public:
    // The user default holding the name of the preset applied last.
    static constexpr auto LastUsedPresetKey = "lastUsedPreset";
    // Posted (object none) after each preset dialog, also after a cancel.
    static constexpr auto PresetsChangedNotification = "presetsChanged";

    // A store of its own file (the shared one uses defaultPath()); loads it.
    explicit Presets(const QString& path, QObject* parent = nullptr);
    // Writes a change not yet saved.
    ~Presets() override;

    // The process's store, made (and its file read) on first use; it ends at
    // quit ("goingToQuitNotification").
    static Presets& sharedInstance();
    static bool instanceExists();
    // support folder/presets.plist
    static QString defaultPath();
    QString path() const { return m_path; }

    // Appends the presets of the file; a missing file adds none. A file that
    // cannot be read, or holds anything but image and movie presets, is moved
    // aside, said in *report.
    void loadPresets(QString* report = nullptr);
    // What the load when the store was made said about a file moved aside;
    // empty when the file was read (or missing). For the user.
    QString loadReport() const { return m_loadReport; }
    // Writes the file now, atomically; false with the reason in *error.
    bool savePresets(QString* error = nullptr);
    bool hasUnsavedChanges() const { return m_changed; }

    QList<MediaAttachmentPtr> presets() const { return m_presets; }
    // A new list of the same presets.
    void setPresets(const QList<MediaAttachmentPtr>& presets);
    // The names of all presets sorted without regard to case; empty when there
    // are none.
    QStringList presetKeys() const;
    // The first preset named exactly `name`, else null.
    MediaAttachmentPtr presetForKey(const QString& name) const;
    int indexOf(const QString& name) const;

    // Why a name cannot be given to a preset: a blank name, or one another
    // preset has (names are compared exactly, as lookups are). `except` is the
    // index of the preset being renamed, which may keep its own name.
    enum class NameProblem { None, Blank, Taken };
    NameProblem nameProblem(const QString& name, int except = -1) const;
    // A sentence for the dialog; empty for None.
    static QString nameProblemText(NameProblem problem, const QString& name);
    // The name as stored: without surrounding white space.
    static QString cleanName(const QString& name);

    // A preset named `name` made from the attachment's settings, replacing the
    // preset of that name; null (nothing stored) for a blank name or an
    // attachment that is neither an image nor a movie.
    MediaAttachmentPtr addPreset(const QString& name, const Attachment& from);
    void removePreset(int index);
    // False, with the reason in *problem, for a blank or taken name.
    bool renamePreset(int index, const QString& name, QString* problem = nullptr);

    // A preset dialog ended: a change is written, then "presetsChanged" goes out.
    void dialogEnded();

    // Whether the two are both images or both movies.
    static bool sameKind(const Attachment& one, const Attachment& other);
    static bool canBePreset(const Attachment& attachment);
    // The attachments window applies a preset to every selected attachment of
    // its kind, and remembers it as the last used even when none is; answers
    // how many it changed. Nothing happens for an unknown name or no selection.
    int applyToSelection(const QString& name, const QList<AttachmentPtr>& selection);
    // The attachment sheet applies a preset of the attachment's kind only, and
    // only then remembers it.
    bool applyToAttachment(const QString& name, Attachment& attachment);
    // The preset "lastUsedPreset" names when it is of the attachment's kind.
    MediaAttachmentPtr lastUsedPresetFor(const Attachment& attachment) const;

    // At quit: a change not yet saved is written and the shared store goes (a
    // later sharedInstance() makes a new one).
    void cleanUp();

signals:
    // Row signals for the list of the manage dialog.
    void presetAboutToBeInserted(int index);
    void presetInserted(int index);
    void presetAboutToBeRemoved(int index);
    void presetRemoved(int index);
    void presetRenamed(int index);
    void presetsAboutToBeReset();
    void presetsReset();
    // The file could not be written: a sentence for the user.
    void saveFailed(const QString& message);

private:
    void insertPreset(int index, const MediaAttachmentPtr& preset);

    QString m_path;
    QString m_loadReport;
    QList<MediaAttachmentPtr> m_presets;
    bool m_changed = false;
};
