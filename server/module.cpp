// The DLL entry points of the server: DllMain, DllGetClassObject and
// DllCanUnloadNow, with the class object that creates ZedizAdo objects.
#include "server/module.hpp"

#include <atomic>

#include "server/morvane.h"

namespace morvane::server {

HMODULE Module = nullptr;

namespace {

std::atomic<long> Objects{0};
std::atomic<long> FactoryReferences{0};
std::atomic<long> Locks{0};

SRWLOCK TypeInfoLock = SRWLOCK_INIT;
ITypeInfo* CachedInterfaceInfo = nullptr;
ITypeInfo* CachedDispatchInfo = nullptr;

// The class object is static: it lives as long as the DLL, and its
// references count towards keeping the DLL loaded.
class ClassFactory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *object = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override {
    FactoryReferenced();
    return 2;
  }
  STDMETHODIMP_(ULONG) Release() override {
    FactoryReleased();
    return 1;
  }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return CreateZedizAdo(riid, object);
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock) {
      ServerLocked();
    } else {
      ServerUnlocked();
    }
    return S_OK;
  }
};

ClassFactory Factory;

}  // namespace

void ObjectCreated() noexcept { ++Objects; }
void ObjectDestroyed() noexcept { --Objects; }
void FactoryReferenced() noexcept { ++FactoryReferences; }
void FactoryReleased() noexcept { --FactoryReferences; }
void ServerLocked() noexcept { ++Locks; }
void ServerUnlocked() noexcept { --Locks; }
bool InUse() noexcept { return Objects > 0 || FactoryReferences > 0 || Locks > 0; }

HRESULT ModulePath(wchar_t (&path)[MAX_PATH]) noexcept {
  const DWORD length = GetModuleFileNameW(Module, path, MAX_PATH);
  if (length == 0) return HRESULT_FROM_WIN32(GetLastError());
  if (length >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
  return S_OK;
}

HRESULT LoadOwnTypeLibrary(ITypeLib** library) noexcept {
  wchar_t path[MAX_PATH];
  const HRESULT hr = ModulePath(path);
  if (FAILED(hr)) return hr;
  return LoadTypeLibEx(path, REGKIND_NONE, library);
}

HRESULT InterfaceTypeInfo(ITypeInfo** interfaceInfo, ITypeInfo** dispatchInfo) noexcept {
  AcquireSRWLockExclusive(&TypeInfoLock);
  HRESULT hr = S_OK;
  if (!CachedInterfaceInfo) {
    ITypeLib* library = nullptr;
    ITypeInfo* dispatch = nullptr;
    ITypeInfo* vtable = nullptr;
    hr = LoadOwnTypeLibrary(&library);
    if (SUCCEEDED(hr)) hr = library->GetTypeInfoOfGuid(IID__ZedizAdo, &dispatch);
    if (SUCCEEDED(hr)) {
      // For a dual interface the library hands out its dispatch part; the
      // vtable part is reached through the reference -1.
      HREFTYPE ref = 0;
      hr = dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref);
      if (SUCCEEDED(hr)) hr = dispatch->GetRefTypeInfo(ref, &vtable);
    }
    if (SUCCEEDED(hr)) {
      CachedInterfaceInfo = vtable;
      CachedDispatchInfo = dispatch;
    } else {
      if (vtable) vtable->Release();
      if (dispatch) dispatch->Release();
    }
    if (library) library->Release();
  }
  if (SUCCEEDED(hr)) {
    CachedInterfaceInfo->AddRef();
    CachedDispatchInfo->AddRef();
    *interfaceInfo = CachedInterfaceInfo;
    *dispatchInfo = CachedDispatchInfo;
  }
  ReleaseSRWLockExclusive(&TypeInfoLock);
  return hr;
}

void ForgetTypeInfo() noexcept {
  AcquireSRWLockExclusive(&TypeInfoLock);
  if (CachedInterfaceInfo) CachedInterfaceInfo->Release();
  if (CachedDispatchInfo) CachedDispatchInfo->Release();
  CachedInterfaceInfo = nullptr;
  CachedDispatchInfo = nullptr;
  ReleaseSRWLockExclusive(&TypeInfoLock);
}

}  // namespace morvane::server

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    morvane::server::Module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsEqualCLSID(clsid, CLSID_ZedizAdo)) return CLASS_E_CLASSNOTAVAILABLE;
  return morvane::server::Factory.QueryInterface(riid, object);
}

STDAPI DllCanUnloadNow() {
  if (morvane::server::InUse()) return S_FALSE;
  // Nobody holds anything of ours: the cached type information can go,
  // so that the DLL leaves nothing behind when it is unloaded.
  morvane::server::ForgetTypeInfo();
  return S_OK;
}

}  // extern "C"
