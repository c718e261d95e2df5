#include "killers/fake_net_cfg.h"

#include <objbase.h>

namespace {

class FakeNetCfg final : public INetCfg,
                         public INetCfgLock,
                         public INetCfgComponent,
                         public INetCfgClass,
                         public INetCfgClassSetup {
public:
    FakeNetCfgScript script;
    FakeNetCfgRecord record;

    // IUnknown, for every interface alike.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(INetCfg))
            *object = static_cast<INetCfg*>(this);
        else if (iid == __uuidof(INetCfgLock))
            *object = static_cast<INetCfgLock*>(this);
        else if (iid == __uuidof(INetCfgClass))
            *object = static_cast<INetCfgClass*>(this);
        else if (iid == __uuidof(INetCfgClassSetup))
            *object = static_cast<INetCfgClassSetup*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++record.references; }
    ULONG STDMETHODCALLTYPE Release() override { return --record.references; }

    // INetCfg
    HRESULT STDMETHODCALLTYPE Initialize(PVOID) override {
        record.initialised = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Uninitialize() override {
        record.initialised = false;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Apply() override {
        record.applied = true;
        return script.apply;
    }
    HRESULT STDMETHODCALLTYPE Cancel() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnumComponents(const GUID*, IEnumNetCfgComponent**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE FindComponent(LPCWSTR id, INetCfgComponent** component) override {
        record.foundId = id ? id : L"";
        *component = nullptr;
        if (!script.installed)
            return S_FALSE;
        *component = static_cast<INetCfgComponent*>(this);
        AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryNetCfgClass(const GUID*, REFIID iid, void** object) override {
        return QueryInterface(iid, object);
    }

    // INetCfgLock
    HRESULT STDMETHODCALLTYPE AcquireWriteLock(DWORD, LPCWSTR client, LPWSTR* holder) override {
        record.lockClient = client ? client : L"";
        *holder = nullptr;
        if (script.lock == S_FALSE) {
            static const wchar_t other[] = L"another program";
            *holder = static_cast<LPWSTR>(CoTaskMemAlloc(sizeof(other)));
            lstrcpyW(*holder, other);
        }
        record.locked = script.lock == S_OK;
        return script.lock;
    }
    HRESULT STDMETHODCALLTYPE ReleaseWriteLock() override {
        record.locked = false;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsWriteLocked(LPWSTR*) override { return E_NOTIMPL; }

    // INetCfgComponent
    HRESULT STDMETHODCALLTYPE GetDisplayName(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDisplayName(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetHelpText(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetId(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCharacteristics(LPDWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetInstanceGuid(GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPnpDevNodeId(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClassGuid(GUID* guid) override {
        *guid = GUID{0x4d36e974, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetBindName(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDeviceStatus(ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OpenParamKey(HKEY*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RaisePropertyUi(HWND, DWORD, IUnknown*) override { return E_NOTIMPL; }

    // INetCfgClass (its FindComponent is INetCfg's: same signature)
    HRESULT STDMETHODCALLTYPE EnumComponents(IEnumNetCfgComponent**) override { return E_NOTIMPL; }

    // INetCfgClassSetup
    HRESULT STDMETHODCALLTYPE SelectAndInstall(HWND, OBO_TOKEN*, INetCfgComponent**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Install(LPCWSTR, OBO_TOKEN*, DWORD, DWORD, LPCWSTR, LPCWSTR,
                                      INetCfgComponent**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DeInstall(INetCfgComponent* component, OBO_TOKEN* token,
                                        LPWSTR*) override {
        if (component == static_cast<INetCfgComponent*>(this) && token && token->Type == OBO_USER)
            ++record.userTokens;
        record.deinstalled = true;
        return script.deinstall;
    }
};

FakeNetCfg& TheFake() {
    static FakeNetCfg fake;
    return fake;
}

} // namespace

void ScriptFakeNetCfg(const FakeNetCfgScript& script) {
    TheFake().script = script;
    TheFake().record = FakeNetCfgRecord{};
}

const FakeNetCfgRecord& FakeNetCfgOutcome() {
    return TheFake().record;
}

HRESULT CreateFakeNetCfg(INetCfg** netCfg) {
    *netCfg = static_cast<INetCfg*>(&TheFake());
    TheFake().AddRef();
    return S_OK;
}
