#pragma once

#include "PluginBundleLoader.h"

#include <QCoreApplication>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <algorithm>

// The registry of one plug-in kind: one instance per key, keys compared
// exactly and listed in case-insensitive order. Protocol is the kind's
// interface; each manager says how to read an instance's key and in which
// order its folders are read.
template <class Protocol> class PluginRegistry : public PluginBundleLoader {
public:
    using PluginBundleLoader::PluginBundleLoader;

    // The instance registered under the key, or nullptr.
    Protocol* pluginForKey(const QString& key) const { return m_plugins.value(key, nullptr); }

    // The instance under the key when it also implements another interface
    // (an optional part of the protocol), else nullptr.
    template <class Interface> Interface* pluginAs(const QString& key) const
    {
        Protocol* plugin = pluginForKey(key);
        return plugin ? qobject_cast<Interface*>(m_objects.value(plugin)) : nullptr;
    }

    QHash<QString, Protocol*> plugins() const { return m_plugins; }
    // Where the plug-in of the key came from: its bundle's path for one
    // opened from a bundle, the origin given to registerPlugin() otherwise;
    // empty for an unknown key.
    QString originForKey(const QString& key) const { return m_origins.value(pluginForKey(key)); }
    QStringList pluginKeys() const { return m_keys; }

    // How the user sees the plug-in of the key named: its bundle's display
    // name, else the key itself (an unknown key too).
    QString displayNameForKey(const QString& key) const
    {
        const QString name = bundleDisplayName(m_objects.value(pluginForKey(key), nullptr));
        return name.isEmpty() ? key : name;
    }

    // Opens one bundle and registers its instance under its key, replacing an
    // earlier one; answers the instance, or nullptr when the bundle was refused.
    Protocol* activatePlugin(const QString& bundlePath)
    {
        QObject* object = openBundle(bundlePath);
        return object ? registerPlugin(object, bundlePath) : nullptr;
    }

    // Registers a plug-in object made elsewhere (a bundle's, or one built into
    // a program) as activatePlugin() does; `origin` names it in a refusal. The
    // object must outlive the registry.
    Protocol* registerPlugin(QObject* object, const QString& origin)
    {
        auto* plugin = qobject_cast<Protocol*>(object);
        if (!plugin) {
            refuse(origin,
                   QCoreApplication::translate(
                       "PluginManager", "its principal class does not implement the %1 protocol.")
                       .arg(kind().extension));
            return nullptr;
        }
        const QString key = keyOf(*plugin);
        if (key.isEmpty()) {
            refuse(origin, QCoreApplication::translate("PluginManager", "it has no key."));
            return nullptr;
        }
        if (Protocol* replaced = m_plugins.value(key, nullptr)) {
            m_objects.remove(replaced);
            m_origins.remove(replaced);
        } else
            m_keys << key;
        m_plugins.insert(key, plugin);
        m_objects.insert(plugin, object);
        m_origins.insert(plugin, origin);
        // Stable, so keys that differ only in case keep their load order.
        std::stable_sort(m_keys.begin(), m_keys.end(), [](const QString& a, const QString& b) {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        });
        didActivate(key, *plugin);
        return plugin;
    }

protected:
    virtual QString keyOf(Protocol& plugin) const = 0;
    virtual void didActivate(const QString& key, Protocol& plugin)
    {
        Q_UNUSED(key);
        Q_UNUSED(plugin);
    }

    // Built-in bundles first, then the user's: a user bundle with the key of a
    // built-in one replaces it.
    void loadBuiltInThenUser()
    {
        for (const QString& bundle : bundlesIn(builtInFolder()))
            activatePlugin(bundle);
        for (const QString& bundle : bundlesIn(userFolder()))
            activatePlugin(bundle);
    }

private:
    QHash<QString, Protocol*> m_plugins;
    QHash<Protocol*, QObject*> m_objects;
    QHash<Protocol*, QString> m_origins;
    QStringList m_keys;
};
