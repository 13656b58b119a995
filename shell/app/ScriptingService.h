#pragma once

#include <QDBusContext>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <optional>

class BlogController;

// The program's objects for scripts, on the session bus under the program's
// name at /org/plumet/Scripting: the accounts, attachments, images and
// movies (list, element at an index, insert, remove) and the three selection
// commands. Failures are D-Bus errors named after their numbers:
//   org.plumet.Scripting.Error1000  "Invalid action." (an index outside its
//       list, replacing a media list, nothing to add to), or "Accounts
//       cannot be replaced."
//   org.plumet.Scripting.Error1001  "No account has been selected.", "No
//       blog has been selected.", "No post has been selected."
// Records go out as dictionaries of their plain fields; passwords never, and
// addresses without a user part. Removing an account at an index outside the
// list does nothing, as it always has. Properties over their bounds
// (BusBounds.h) are refused with "org.freedesktop.DBus.Error.LimitsExceeded".
class ScriptingService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.plumet.Scripting")
public:
    static constexpr auto objectPath = "/org/plumet/Scripting";
    static constexpr auto invalidAction = 1000;
    static constexpr auto nothingSelected = 1001;

    explicit ScriptingService(QObject* parent = nullptr);
    ~ScriptingService() override;

    // Exports the object on the session bus; false without a bus.
    bool registerObject();
    // The main window whose selection the commands answer (none: nothing selected).
    void setBlogController(BlogController* controller);

    // The error of the last call made from C++ rather than over the bus.
    struct Error {
        int number = 0;
        QString text;
    };
    std::optional<Error> lastError() const { return m_lastError; }

public slots:
    Q_SCRIPTABLE QVariantList Accounts();
    Q_SCRIPTABLE QVariantMap AccountAt(int index);
    Q_SCRIPTABLE void SetAccounts(const QVariantList& accounts);
    // Front, end, and a given position (out of range appends).
    Q_SCRIPTABLE void InsertAccount(const QVariantMap& properties);
    Q_SCRIPTABLE void AddAccount(const QVariantMap& properties);
    Q_SCRIPTABLE void InsertAccountAt(const QVariantMap& properties, int index);
    Q_SCRIPTABLE void RemoveAccountAt(int index);

    Q_SCRIPTABLE QVariantList Attachments();
    Q_SCRIPTABLE QVariantMap AttachmentAt(int index);
    Q_SCRIPTABLE void SetAttachments(const QVariantList& attachments);
    Q_SCRIPTABLE void InsertAttachment(const QVariantMap& properties);
    Q_SCRIPTABLE void RemoveAttachmentAt(int index);

    Q_SCRIPTABLE QVariantList Images();
    Q_SCRIPTABLE QVariantMap ImageAt(int index);
    Q_SCRIPTABLE void SetImages(const QVariantList& images);
    Q_SCRIPTABLE void InsertImage(const QVariantMap& properties);
    Q_SCRIPTABLE void RemoveImageAt(int index);

    Q_SCRIPTABLE QVariantList Movies();
    Q_SCRIPTABLE QVariantMap MovieAt(int index);
    Q_SCRIPTABLE void SetMovies(const QVariantList& movies);
    Q_SCRIPTABLE void InsertMovie(const QVariantMap& properties);
    Q_SCRIPTABLE void RemoveMovieAt(int index);

    Q_SCRIPTABLE QVariantMap SelectedAccount();
    Q_SCRIPTABLE QVariantMap SelectedBlog();
    Q_SCRIPTABLE QVariantList SelectedEntries();

private:
    enum class Media { All, Images, Movies };
    void fail(int number, const QString& text);
    // Refuses properties over their bounds: true when refused.
    bool refusedFields(const char* method, const QVariantMap& properties);
    void insertAccount(const QVariantMap& properties, int index);
    QVariantList mediaList(Media which);
    QVariantMap mediaAt(Media which, int index);
    void insertMedia(const QVariantMap& properties);
    void removeMediaAt(Media which, int index);

    QPointer<BlogController> m_blogController;
    bool m_registered = false;
    std::optional<Error> m_lastError;
};
