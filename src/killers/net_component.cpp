#include "killers/net_component.h"

#include <objbase.h>

#include "journal/change_journal.h"
#include "common/unique_resource.h"

namespace {

// {5B035261-40F9-11D1-AAEC-00805FC1270E}
constexpr CLSID kNetCfgClass = {
    0x5b035261, 0x40f9, 0x11d1, {0xaa, 0xec, 0x00, 0x80, 0x5f, 0xc1, 0x27, 0x0e}};

bool Succeeded(HRESULT result) {
    return result == S_OK || result == NETCFG_S_REBOOT;
}

// Holds the write lock and the initialised configuration for one removal,
// and gives both up again in the order the system asks for.
class NetCfgSession {
public:
    ~NetCfgSession() {
        if (initialised_)
            netCfg_.get()->Uninitialize();
        if (locked_)
            lock_.get()->ReleaseWriteLock();
    }

    bool Begin(NetCfgFactory factory) {
        if (FAILED(factory(netCfg_.put())) || !netCfg_ ||
            FAILED(netCfg_.get()->QueryInterface(__uuidof(INetCfgLock),
                                                 reinterpret_cast<void**>(lock_.put()))))
            return false;
        LPWSTR holder = nullptr;
        const HRESULT locked = lock_.get()->AcquireWriteLock(5000, L"DriverHelper", &holder);
        // S_FALSE: another program holds the lock; the system names it.
        if (holder)
            CoTaskMemFree(holder);
        if (locked != S_OK)
            return false;
        locked_ = true;
        initialised_ = SUCCEEDED(netCfg_.get()->Initialize(nullptr));
        return initialised_;
    }

    INetCfg* Get() const { return netCfg_.get(); }

private:
    // Declared first: released last, after the lock.
    UniqueCom<INetCfg> netCfg_;
    UniqueCom<INetCfgLock> lock_;
    bool locked_ = false;
    bool initialised_ = false;
};

bool RemoveComponent(INetCfg* netCfg, const wchar_t* componentId) {
    UniqueCom<INetCfgComponent> component;
    if (netCfg->FindComponent(componentId, component.put()) != S_OK || !component)
        return false;
    GUID classGuid = {};
    UniqueCom<INetCfgClass> componentClass;
    UniqueCom<INetCfgClassSetup> setup;
    if (FAILED(component.get()->GetClassGuid(&classGuid)) ||
        FAILED(netCfg->QueryNetCfgClass(&classGuid, __uuidof(INetCfgClass),
                                        reinterpret_cast<void**>(componentClass.put()))) ||
        !componentClass ||
        FAILED(componentClass.get()->QueryInterface(__uuidof(INetCfgClassSetup),
                                                    reinterpret_cast<void**>(setup.put()))))
        return false;
    if (!RecordNetworkComponentRemoval(componentId, L"removed on behalf of the user"))
        return false;
    OBO_TOKEN onBehalfOf = {};
    onBehalfOf.Type = OBO_USER;
    return Succeeded(setup.get()->DeInstall(component.get(), &onBehalfOf, nullptr)) &&
           Succeeded(netCfg->Apply());
}

} // namespace

HRESULT CreateSystemNetCfg(INetCfg** netCfg) {
    return CoCreateInstance(kNetCfgClass, nullptr, CLSCTX_INPROC_SERVER, __uuidof(INetCfg),
                            reinterpret_cast<void**>(netCfg));
}

bool UninstallNetComponent(const wchar_t* componentId, NetCfgFactory factory) {
    const HRESULT com = CoInitialize(nullptr);
    bool removed = false;
    {
        NetCfgSession session;
        removed = session.Begin(factory) && RemoveComponent(session.Get(), componentId);
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return removed;
}
