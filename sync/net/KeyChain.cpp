#include "KeyChain.h"

#include "NetLog.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QStringDecoder>
#include <QThread>
#include <QThreadPool>

// libsecret's headers use "signals" as an identifier.
#undef signals
#include <libsecret/secret.h>

namespace {

const SecretSchema* genericPasswordSchema()
{
    static const SecretSchema schema = {"org.plumet.GenericPassword",
                                        SECRET_SCHEMA_DONT_MATCH_NAME,
                                        {
                                            {"service", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING},
                                        },
                                        0,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr};
    return &schema;
}

// Takes ownership of a GError and turns it into words.
bool report(GError* gerror, QString* error)
{
    if (!gerror)
        return true;
    if (error)
        *error = QString::fromUtf8(gerror->message);
    qCWarning(lcNet, "keyring: %s", gerror->message);
    g_error_free(gerror);
    return false;
}

QByteArray labelFor(const QString& service, const QString& account)
{
    return (service + QStringLiteral(" (") + account + QLatin1Char(')')).toUtf8();
}

// The stored bytes as text: empty without an item, null when they are not UTF-8.
QString passwordFrom(SecretValue* value)
{
    if (!value)
        return QLatin1String("");
    gsize length = 0;
    const gchar* bytes = secret_value_get(value, &length);
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString password = decoder.decode(QByteArrayView(bytes, static_cast<qsizetype>(length)));
    const bool valid = !decoder.hasError();
    secret_value_unref(value);
    if (!valid)
        return {};
    return password.isNull() ? QLatin1String("") : password;
}

KeyChain::Result resultFrom(GError* gerror)
{
    KeyChain::Result result;
    result.ok = report(gerror, &result.error);
    return result;
}

// One worker for the keyring when the event loop cannot run libsecret's own
// asynchronous calls: the calls still end in the order asked.
QThreadPool& keyringWorker()
{
    static QThreadPool* pool = [] {
        auto* threads = new QThreadPool;
        threads->setMaxThreadCount(1);
        return threads;
    }();
    return *pool;
}

// libsecret's asynchronous calls answer in the main context that was the
// thread's default when they were made; Qt turns that context only with its
// glib dispatcher (not under QT_NO_GLIB).
bool loopRunsGlib()
{
    const QAbstractEventDispatcher* dispatcher =
        QAbstractEventDispatcher::instance(QThread::currentThread());
    return dispatcher && dispatcher->inherits("QEventDispatcherGlib");
}

} // namespace

struct KeyChain::Call {
    enum class Kind { Lookup, Store, Remove };
    Kind kind = Kind::Lookup;
    QByteArray service, account, secret, label;
    bool hasContext = false;
    QPointer<QObject> context;
    Done done;
    GCancellable* cancellable = nullptr;
    QMetaObject::Connection contextGone;

    ~Call()
    {
        secret.fill('\0');
        QObject::disconnect(contextGone);
        if (cancellable)
            g_object_unref(cancellable);
    }
};

namespace {

std::unique_ptr<KeyChain::Call> makeCall(KeyChain::Call::Kind kind, const QString& service,
                                         const QString& account, QObject* context,
                                         KeyChain::Done done)
{
    auto call = std::make_unique<KeyChain::Call>();
    call->kind = kind;
    call->service = service.toUtf8();
    call->account = account.toUtf8();
    call->hasContext = context != nullptr;
    call->context = context;
    call->done = std::move(done);
    return call;
}

// The answers of libsecret's asynchronous calls; the call they end is always
// the head of the queue.
void lookupEnded(GObject*, GAsyncResult* asyncResult, gpointer)
{
    GError* gerror = nullptr;
    SecretValue* value = secret_password_lookup_binary_finish(asyncResult, &gerror);
    KeyChain::Result result = resultFrom(gerror);
    result.password = result.ok ? passwordFrom(value) : QLatin1String("");
    if (!result.ok && value)
        secret_value_unref(value);
    KeyChain::sharedInstance().finishHead(result);
}

void storeEnded(GObject*, GAsyncResult* asyncResult, gpointer)
{
    GError* gerror = nullptr;
    secret_password_store_finish(asyncResult, &gerror);
    KeyChain::sharedInstance().finishHead(resultFrom(gerror));
}

void removeEnded(GObject*, GAsyncResult* asyncResult, gpointer)
{
    GError* gerror = nullptr;
    secret_password_clear_finish(asyncResult, &gerror);
    KeyChain::sharedInstance().finishHead(resultFrom(gerror));
}

} // namespace

KeyChain& KeyChain::sharedInstance()
{
    // Never destroyed: a call may still be in flight when the program ends.
    static KeyChain* keyChain = new KeyChain;
    return *keyChain;
}

QString KeyChain::serviceForAddress(const QString& address)
{
    return QStringLiteral("plumet : ") + address;
}

QString KeyChain::authServiceForAddress(const QString& address)
{
    return QStringLiteral("plumet(auth) : ") + address;
}

void KeyChain::lookup(const QString& service, const QString& account, QObject* context, Done done)
{
    enqueue(makeCall(Call::Kind::Lookup, service, account, context, std::move(done)));
}

void KeyChain::store(const QString& password, const QString& service, const QString& account,
                     QObject* context, Done done)
{
    if (password.isEmpty()) {
        remove(service, account, context, std::move(done));
        return;
    }
    auto call = makeCall(Call::Kind::Store, service, account, context, std::move(done));
    call->secret = password.toUtf8();
    call->label = labelFor(service, account);
    enqueue(std::move(call));
}

void KeyChain::remove(const QString& service, const QString& account, QObject* context, Done done)
{
    enqueue(makeCall(Call::Kind::Remove, service, account, context, std::move(done)));
}

void KeyChain::enqueue(std::unique_ptr<Call> call)
{
    call->cancellable = g_cancellable_new();
    // A lookup nobody waits for any more need not hold a prompt open; a store
    // or removal always ends, so the keyring ends as the user left it.
    if (call->kind == Call::Kind::Lookup && call->context) {
        GCancellable* cancellable = call->cancellable;
        call->contextGone = QObject::connect(call->context, &QObject::destroyed,
                                             [cancellable] { g_cancellable_cancel(cancellable); });
    }
    m_queue.push_back(std::move(call));
    // Never inside the call: the caller hears the end from the event loop.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [this] { runNext(); }, Qt::QueuedConnection);
}

void KeyChain::runNext()
{
    if (m_running || m_queue.empty())
        return;
    m_running = true;
    Call& call = *m_queue.front();
    const bool gone = call.hasContext && !call.context && call.kind == Call::Kind::Lookup;
    if (call.service.isEmpty() || call.account.isEmpty() || gone) {
        Result nothing;
        nothing.password = QLatin1String("");
        finishHead(nothing);
        return;
    }
    if (loopRunsGlib())
        runOnLoop(call);
    else
        runOnWorker(call);
}

void KeyChain::runOnLoop(Call& call)
{
    const char* service = call.service.constData();
    const char* account = call.account.constData();
    switch (call.kind) {
    case Call::Kind::Lookup:
        secret_password_lookup(genericPasswordSchema(), call.cancellable, lookupEnded, nullptr,
                               "service", service, "account", account, nullptr);
        break;
    case Call::Kind::Store:
        secret_password_store(genericPasswordSchema(), SECRET_COLLECTION_DEFAULT,
                              call.label.constData(), call.secret.constData(), call.cancellable,
                              storeEnded, nullptr, "service", service, "account", account, nullptr);
        break;
    case Call::Kind::Remove:
        secret_password_clear(genericPasswordSchema(), call.cancellable, removeEnded, nullptr,
                              "service", service, "account", account, nullptr);
        break;
    }
}

void KeyChain::runOnWorker(Call& call)
{
    const Call::Kind kind = call.kind;
    const QString service = QString::fromUtf8(call.service);
    const QString account = QString::fromUtf8(call.account);
    QString secret = QString::fromUtf8(call.secret);
    keyringWorker().start([this, kind, service, account, secret]() mutable {
        Result result;
        switch (kind) {
        case Call::Kind::Lookup:
            result.password = genericPassword(service, account, &result.error);
            result.ok = result.error.isEmpty();
            break;
        case Call::Kind::Store:
            result.ok = setGenericPassword(secret, service, account, &result.error);
            break;
        case Call::Kind::Remove:
            result.ok = removeGenericPassword(service, account, &result.error);
            break;
        }
        secret.fill(QLatin1Char('\0'));
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [this, result] { finishHead(result); },
            Qt::QueuedConnection);
    });
}

void KeyChain::finishHead(const Result& result)
{
    if (m_queue.empty())
        return;
    std::unique_ptr<Call> call = std::move(m_queue.front());
    m_queue.pop_front();
    m_running = false;
    if (call->done && (!call->hasContext || call->context))
        call->done(result);
    call.reset();
    runNext();
}

bool KeyChain::setGenericPassword(const QString& password, const QString& service,
                                  const QString& account, QString* error)
{
    if (service.isEmpty() || account.isEmpty())
        return true;
    if (password.isEmpty())
        return removeGenericPassword(service, account, error);
    const QByteArray serviceBytes = service.toUtf8();
    const QByteArray accountBytes = account.toUtf8();
    QByteArray secret = password.toUtf8();
    const QByteArray label = labelFor(service, account);
    GError* gerror = nullptr;
    secret_password_store_sync(genericPasswordSchema(), SECRET_COLLECTION_DEFAULT,
                               label.constData(), secret.constData(), nullptr, &gerror, "service",
                               serviceBytes.constData(), "account", accountBytes.constData(),
                               nullptr);
    secret.fill('\0');
    if (gerror)
        return report(gerror, error);
    return true;
}

QString KeyChain::genericPassword(const QString& service, const QString& account,
                                  QString* error) const
{
    if (service.isEmpty() || account.isEmpty())
        return QLatin1String("");
    const QByteArray serviceBytes = service.toUtf8();
    const QByteArray accountBytes = account.toUtf8();
    GError* gerror = nullptr;
    SecretValue* value = secret_password_lookup_binary_sync(
        genericPasswordSchema(), nullptr, &gerror, "service", serviceBytes.constData(), "account",
        accountBytes.constData(), nullptr);
    if (!report(gerror, error)) {
        if (value)
            secret_value_unref(value);
        return QLatin1String("");
    }
    return passwordFrom(value);
}

bool KeyChain::removeGenericPassword(const QString& service, const QString& account, QString* error)
{
    if (service.isEmpty() || account.isEmpty())
        return true;
    const QByteArray serviceBytes = service.toUtf8();
    const QByteArray accountBytes = account.toUtf8();
    GError* gerror = nullptr;
    secret_password_clear_sync(genericPasswordSchema(), nullptr, &gerror, "service",
                               serviceBytes.constData(), "account", accountBytes.constData(),
                               nullptr);
    return report(gerror, error);
}
