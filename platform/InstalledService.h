#pragma once

// A service that a higher layer installs for a lower one to call: the records
// ask the attachment library and the draft windows, the HTTP call asks the
// login sheet, and none of them may link what implements it. The implementer
// derives from its interface, which derives from InstalledService<Interface>:
//
//     class DraftRegistry : public InstalledService<DraftRegistry> { ... };
//     DraftRegistry::setSharedInstance(&controller); // by the draft controller
//     if (DraftRegistry* drafts = DraftRegistry::sharedInstance()) ...
//
// Main thread only. The installer keeps ownership; an installed service that
// is destroyed uninstalls itself.
template <typename Interface> class InstalledService {
public:
    InstalledService(const InstalledService&) = delete;
    InstalledService& operator=(const InstalledService&) = delete;

    // The installed service, or null.
    static Interface* sharedInstance() { return s_installed; }
    // Installs `service`; null uninstalls.
    static void setSharedInstance(Interface* service) { s_installed = service; }

protected:
    InstalledService() = default;
    ~InstalledService()
    {
        if (s_installed && static_cast<InstalledService*>(s_installed) == this)
            s_installed = nullptr;
    }

private:
    static inline Interface* s_installed = nullptr;
};
