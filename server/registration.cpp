// DllRegisterServer, DllUnregisterServer and DllInstall: the class, its
// ProgID, its threading model and the type library, for the machine or for
// the current user only, and their removal.
//
//   <root>\CLSID\{clsid}                  "ZedizAdo"
//          \InprocServer32                <path of this DLL>, ThreadingModel "Apartment"
//          \ProgID                        "Morvane.ZedizAdo"
//          \TypeLib                       "{libid}"
//          \Version                       "1.0"
//   <root>\Morvane.ZedizAdo               "ZedizAdo"
//          \CLSID                         "{clsid}"
//   <root>\TypeLib\{libid}, <root>\Interface\{iid}
//
// For the machine (regsvr32, DllInstall without "user") the root is
// HKEY_CLASSES_ROOT and the type library is registered by RegisterTypeLib.
// For the current user (regsvr32 /n /i:user, DllInstall with "user") the
// root is HKEY_CURRENT_USER\Software\Classes, which needs no administrator,
// and the type library's keys are written here, the same ones
// RegisterTypeLib writes: RegisterTypeLibForUser is not available
// everywhere and, where it is a stub, writes for the machine.
//
// Unregistering removes exactly these keys from the same root, so that
// registering and unregistering leave the registry as they found it; the
// other root is never touched.  What the 32-bit and the 64-bit DLL share
// (the ProgID, the type library's key) stays while the other one is
// registered.
#include <windows.h>
#include <oleauto.h>
#include <olectl.h>

#include <cwchar>
#include <initializer_list>
#include <string>

#include "server/module.hpp"
#include "server/morvane.h"

namespace morvane::server {
namespace {

constexpr const wchar_t* kProgId = L"Morvane.ZedizAdo";
constexpr const wchar_t* kClassName = L"ZedizAdo";
constexpr const wchar_t* kInterfaceName = L"_ZedizAdo";
constexpr const wchar_t* kUserClasses = L"Software\\Classes";
// The type library marshaler of automation interfaces (PSOAInterface).
constexpr const wchar_t* kTypeLibraryMarshaler = L"{00020424-0000-0000-C000-000000000046}";
#ifdef _WIN64
constexpr const wchar_t* kPlatform = L"win64";
constexpr const wchar_t* kOtherPlatform = L"win32";
#else
constexpr const wchar_t* kPlatform = L"win32";
constexpr const wchar_t* kOtherPlatform = L"win64";
#endif

std::wstring GuidText(REFGUID guid) {
  wchar_t text[40];
  const int length = StringFromGUID2(guid, text, 40);
  return std::wstring(text, length > 0 ? static_cast<std::size_t>(length - 1) : 0);
}

// The root under which the classes of one scope lie, open for the caller
// (closed by the destructor when it was opened here).
class ClassesRoot {
 public:
  explicit ClassesRoot(bool perUser) {
    if (!perUser) {
      key_ = HKEY_CLASSES_ROOT;
      return;
    }
    status_ = RegCreateKeyExW(HKEY_CURRENT_USER, kUserClasses, 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    owned_ = status_ == ERROR_SUCCESS;
  }
  ~ClassesRoot() {
    if (owned_) RegCloseKey(key_);
  }
  ClassesRoot(const ClassesRoot&) = delete;
  ClassesRoot& operator=(const ClassesRoot&) = delete;

  HKEY Key() const { return key_; }
  LSTATUS Status() const { return status_; }

 private:
  HKEY key_ = nullptr;
  LSTATUS status_ = ERROR_SUCCESS;
  bool owned_ = false;
};

// Sets the value `name` (null: the default value) of root\key, creating
// the key when needed.
LSTATUS SetText(HKEY root, const std::wstring& key, const wchar_t* name,
                const std::wstring& value) {
  HKEY handle = nullptr;
  LSTATUS status = RegCreateKeyExW(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_SET_VALUE, nullptr, &handle, nullptr);
  if (status != ERROR_SUCCESS) return status;
  const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  status = RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          bytes);
  RegCloseKey(handle);
  return status;
}

// The default value of root\key, or an empty text.
std::wstring DefaultText(HKEY root, const std::wstring& key) {
  wchar_t value[64];
  DWORD bytes = sizeof(value);
  if (RegGetValueW(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &bytes) !=
      ERROR_SUCCESS) {
    return {};
  }
  return value;
}

bool KeyExists(HKEY root, const std::wstring& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

// True when root\key exists and holds no subkey.
bool KeyHasNoSubkeys(HKEY root, const std::wstring& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  DWORD subkeys = 0;
  const LSTATUS status = RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, &subkeys, nullptr,
                                          nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(handle);
  return status == ERROR_SUCCESS && subkeys == 0;
}

// Deletes root\key when it holds neither subkeys nor values.
void DeleteIfEmpty(HKEY root, const std::wstring& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return;
  DWORD subkeys = 0, values = 0;
  const LSTATUS status = RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, &subkeys, nullptr,
                                          nullptr, &values, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(handle);
  if (status == ERROR_SUCCESS && subkeys == 0 && values == 0) RegDeleteKeyW(root, key.c_str());
}

LSTATUS DeleteTree(HKEY root, const std::wstring& key) {
  const LSTATUS status = RegDeleteTreeW(root, key.c_str());
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

HRESULT FirstFailure(std::initializer_list<LSTATUS> statuses) {
  for (const LSTATUS status : statuses) {
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  }
  return S_OK;
}

HRESULT RegisterClassEntries(HKEY root, const std::wstring& path) {
  const std::wstring clsid = GuidText(CLSID_ZedizAdo);
  const std::wstring classKey = L"CLSID\\" + clsid;
  const std::wstring serverKey = classKey + L"\\InprocServer32";
  const std::wstring progIdKey = kProgId;
  return FirstFailure({
      SetText(root, classKey, nullptr, kClassName),
      SetText(root, serverKey, nullptr, path),
      SetText(root, serverKey, L"ThreadingModel", L"Apartment"),
      SetText(root, classKey + L"\\ProgID", nullptr, kProgId),
      SetText(root, classKey + L"\\TypeLib", nullptr, GuidText(LIBID_Morvane)),
      SetText(root, classKey + L"\\Version", nullptr, L"1.0"),
      SetText(root, progIdKey, nullptr, kClassName),
      SetText(root, progIdKey + L"\\CLSID", nullptr, clsid),
  });
}

// True when the class is still registered in the other platform's view of
// the classes (on 64-bit Windows the 32-bit DLL's CLSID key lies apart,
// under Wow6432Node, but both share the ProgID).
bool RegisteredInOtherView(bool perUser) {
#ifdef _WIN64
  constexpr REGSAM kOtherView = KEY_WOW64_32KEY;
#else
  constexpr REGSAM kOtherView = KEY_WOW64_64KEY;
#endif
  const std::wstring key = std::wstring(perUser ? L"Software\\Classes\\" : L"") + L"CLSID\\" +
                           GuidText(CLSID_ZedizAdo) + L"\\InprocServer32";
  HKEY handle = nullptr;
  if (RegOpenKeyExW(perUser ? HKEY_CURRENT_USER : HKEY_CLASSES_ROOT, key.c_str(), 0,
                    KEY_READ | kOtherView, &handle) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(handle);
  return true;
}

HRESULT UnregisterClassEntries(HKEY root, bool perUser) {
  const std::wstring clsid = GuidText(CLSID_ZedizAdo);
  LSTATUS status = DeleteTree(root, L"CLSID\\" + clsid);
  // The ProgID goes only while it still names this class and no DLL of
  // the other platform is registered with it.
  if (DefaultText(root, std::wstring(kProgId) + L"\\CLSID") == clsid &&
      !RegisteredInOtherView(perUser)) {
    const LSTATUS progIdStatus = DeleteTree(root, kProgId);
    if (status == ERROR_SUCCESS) status = progIdStatus;
  }
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

// The version key of the type library, "TypeLib\{libid}\1.0".
std::wstring TypeLibraryKey(const TLIBATTR& attributes) {
  wchar_t version[16];
  std::swprintf(version, 16, L"\\%x.%x", attributes.wMajorVerNum, attributes.wMinorVerNum);
  return L"TypeLib\\" + GuidText(attributes.guid) + version;
}

// Calls body(attributes) with the attributes of the embedded type library.
template <typename Body>
HRESULT WithLibraryAttributes(Body&& body) {
  ITypeLib* library = nullptr;
  HRESULT hr = LoadOwnTypeLibrary(&library);
  if (FAILED(hr)) return hr;
  TLIBATTR* attributes = nullptr;
  hr = library->GetLibAttr(&attributes);
  if (SUCCEEDED(hr)) {
    hr = body(*library, *attributes);
    library->ReleaseTLibAttr(attributes);
  }
  library->Release();
  return hr;
}

HRESULT RegisterTypeLibraryForMachine(const std::wstring& path) {
  ITypeLib* library = nullptr;
  HRESULT hr = LoadOwnTypeLibrary(&library);
  if (FAILED(hr)) return hr;
  hr = RegisterTypeLib(library, const_cast<wchar_t*>(path.c_str()), nullptr);
  library->Release();
  return hr;
}

HRESULT UnregisterTypeLibraryForMachine() {
  return WithLibraryAttributes([](ITypeLib&, const TLIBATTR& attributes) {
    // Not registered is as good as unregistered (UnRegisterTypeLib would
    // report it as a failure).
    const std::wstring key = TypeLibraryKey(attributes);
    if (!KeyExists(HKEY_CLASSES_ROOT, key)) return S_OK;
    // While the other platform's DLL is registered with the library, only
    // this platform's path goes: UnRegisterTypeLib would take the
    // interface's keys, which both share, with it.
    wchar_t lcid[16];
    std::swprintf(lcid, 16, L"\\%lx\\", static_cast<unsigned long>(attributes.lcid));
    if (KeyExists(HKEY_CLASSES_ROOT, key + lcid + kOtherPlatform)) {
      const LSTATUS status = DeleteTree(HKEY_CLASSES_ROOT, key + lcid + kPlatform);
      return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
    }
    return UnRegisterTypeLib(attributes.guid, attributes.wMajorVerNum, attributes.wMinorVerNum,
                             attributes.lcid, attributes.syskind);
  });
}

// The keys RegisterTypeLib writes, under the user's classes: the library
// with its name, flags, folder and this platform's path, and the
// interface with the type library marshaler.
HRESULT RegisterTypeLibraryForUser(HKEY root, const std::wstring& path) {
  return WithLibraryAttributes([&](ITypeLib& library, const TLIBATTR& attributes) {
    BSTR name = nullptr;
    HRESULT hr = library.GetDocumentation(-1, nullptr, &name, nullptr, nullptr);
    if (FAILED(hr)) return hr;
    const std::wstring description = name ? name : L"";
    SysFreeString(name);
    const std::wstring key = TypeLibraryKey(attributes);
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
    wchar_t lcid[16];
    std::swprintf(lcid, 16, L"\\%lx\\", static_cast<unsigned long>(attributes.lcid));
    const std::wstring interfaceKey = L"Interface\\" + GuidText(IID__ZedizAdo);
    const std::wstring typeLibrary = GuidText(attributes.guid);
    wchar_t version[16];
    std::swprintf(version, 16, L"%x.%x", attributes.wMajorVerNum, attributes.wMinorVerNum);
    return FirstFailure({
        SetText(root, key, nullptr, description),
        SetText(root, key + L"\\FLAGS", nullptr, std::to_wstring(attributes.wLibFlags)),
        SetText(root, key + L"\\HELPDIR", nullptr, folder),
        SetText(root, key + lcid + kPlatform, nullptr, path),
        SetText(root, interfaceKey, nullptr, kInterfaceName),
        SetText(root, interfaceKey + L"\\ProxyStubClsid", nullptr, kTypeLibraryMarshaler),
        SetText(root, interfaceKey + L"\\ProxyStubClsid32", nullptr, kTypeLibraryMarshaler),
        SetText(root, interfaceKey + L"\\TypeLib", nullptr, typeLibrary),
        SetText(root, interfaceKey + L"\\TypeLib", L"Version", version),
    });
  });
}

// Removes this platform's path; the library and its interface go when no
// other platform's DLL is registered with them (a 32-bit and a 64-bit DLL
// share the user's TypeLib key).
HRESULT UnregisterTypeLibraryForUser(HKEY root) {
  return WithLibraryAttributes([&](ITypeLib&, const TLIBATTR& attributes) {
    const std::wstring key = TypeLibraryKey(attributes);
    if (!KeyExists(root, key)) return S_OK;
    wchar_t lcid[16];
    std::swprintf(lcid, 16, L"\\%lx", static_cast<unsigned long>(attributes.lcid));
    const std::wstring lcidKey = key + lcid;
    LSTATUS status = DeleteTree(root, lcidKey + L"\\" + kPlatform);
    if (status == ERROR_SUCCESS && KeyHasNoSubkeys(root, lcidKey)) {
      status = DeleteTree(root, lcidKey);
    }
    if (status != ERROR_SUCCESS || KeyExists(root, lcidKey)) {
      return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
    }
    const std::wstring libraryKey = L"TypeLib\\" + GuidText(attributes.guid);
    status = DeleteTree(root, key);
    if (status == ERROR_SUCCESS && KeyHasNoSubkeys(root, libraryKey)) {
      status = DeleteTree(root, libraryKey);
    }
    const std::wstring interfaceKey = L"Interface\\" + GuidText(IID__ZedizAdo);
    if (status == ERROR_SUCCESS &&
        DefaultText(root, interfaceKey + L"\\TypeLib") == GuidText(attributes.guid)) {
      status = DeleteTree(root, interfaceKey);
    }
    return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
  });
}

HRESULT Unregister(bool perUser) noexcept {
  try {
    HRESULT library = S_OK, classes = S_OK;
    {
      ClassesRoot root(perUser);
      if (root.Status() != ERROR_SUCCESS) return SELFREG_E_CLASS;
      library =
          perUser ? UnregisterTypeLibraryForUser(root.Key()) : UnregisterTypeLibraryForMachine();
      classes = UnregisterClassEntries(root.Key(), perUser);
      // The user's folders that registering created (a new profile has
      // none) go again when nothing else is left in them.
      if (perUser) {
        for (const wchar_t* folder : {L"CLSID", L"Interface", L"TypeLib"}) {
          DeleteIfEmpty(root.Key(), folder);
        }
      }
    }
    if (perUser) DeleteIfEmpty(HKEY_CURRENT_USER, kUserClasses);
    if (FAILED(library)) return SELFREG_E_TYPELIB;
    if (FAILED(classes)) return SELFREG_E_CLASS;
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT Register(bool perUser) noexcept {
  try {
    wchar_t modulePath[MAX_PATH];
    HRESULT hr = ModulePath(modulePath);
    if (FAILED(hr)) return hr;
    const std::wstring path = modulePath;
    ClassesRoot root(perUser);
    if (root.Status() != ERROR_SUCCESS) return SELFREG_E_CLASS;
    hr = RegisterClassEntries(root.Key(), path);
    if (FAILED(hr)) {
      Unregister(perUser);
      return SELFREG_E_CLASS;
    }
    hr = perUser ? RegisterTypeLibraryForUser(root.Key(), path)
                 : RegisterTypeLibraryForMachine(path);
    if (FAILED(hr)) {
      Unregister(perUser);
      return SELFREG_E_TYPELIB;
    }
    return S_OK;
  } catch (...) {
    Unregister(perUser);
    return E_OUTOFMEMORY;
  }
}

// The scope a DllInstall command line names: empty for the machine,
// "user" (in any case) for the current user; anything else is refused.
bool ParseScope(const wchar_t* commandLine, bool& perUser) {
  if (!commandLine || !*commandLine) {
    perUser = false;
    return true;
  }
  perUser = _wcsicmp(commandLine, L"user") == 0;
  return perUser;
}

}  // namespace
}  // namespace morvane::server

extern "C" {

STDAPI DllUnregisterServer() { return morvane::server::Unregister(false); }

STDAPI DllRegisterServer() { return morvane::server::Register(false); }

// regsvr32 /n /i:user registers for the current user only, regsvr32 /u /n
// /i:user removes that registration; without "user" it acts as
// DllRegisterServer and DllUnregisterServer do.
STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
  bool perUser = false;
  if (!morvane::server::ParseScope(commandLine, perUser)) return E_INVALIDARG;
  return install ? morvane::server::Register(perUser) : morvane::server::Unregister(perUser);
}

}  // extern "C"
