#include "ArchiveClassRegistry.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

namespace {

struct Registry {
    QMutex mutex;
    QHash<QString, ArchiveClassRegistry::Factory> factories;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

} // namespace

void ArchiveClassRegistry::registerClass(const QString& className, Factory factory)
{
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    r.factories.insert(className, std::move(factory));
}

bool ArchiveClassRegistry::contains(const QString& className)
{
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    return r.factories.contains(className);
}

ArchivableRef ArchiveClassRegistry::create(const QString& className)
{
    Factory factory;
    {
        Registry& r = registry();
        QMutexLocker lock(&r.mutex);
        factory = r.factories.value(className);
    }
    return factory ? factory() : nullptr;
}
