// DllRegisterServer and DllUnregisterServer: the class, its ProgID, its
// threading model and the type library, and their removal.
//
//   HKCR\CLSID\{clsid}                  "ZedizAdo"
//        \InprocServer32                <path of this DLL>, ThreadingModel "Apartment"
//        \ProgID                        "Morvane.ZedizAdo"
//        \TypeLib                       "{libid}"
//        \Version                       "1.0"
//   HKCR\Morvane.ZedizAdo               "ZedizAdo"
//        \CLSID                         "{clsid}"
//   HKCR\TypeLib\{libid}, HKCR\Interface\{iid}   written by RegisterTypeLib
//
// Unregistering removes exactly these keys, so that registering and
// unregistering leave the registry as they found it.
#include <windows.h>
#include <oleauto.h>
#include <olectl.h>

#include <cwchar>
#include <string>

#include "server/module.hpp"
#include "server/morvane.h"

namespace morvane::server {
namespace {

constexpr const wchar_t* kProgId = L"Morvane.ZedizAdo";
constexpr const wchar_t* kClassName = L"ZedizAdo";

std::wstring GuidText(REFGUID guid) {
  wchar_t text[40];
  const int length = StringFromGUID2(guid, text, 40);
  return std::wstring(text, length > 0 ? static_cast<std::size_t>(length - 1) : 0);
}

// Sets the value `name` (null: the default value) of HKCR\key, creating
// the key when needed.
LSTATUS SetText(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  HKEY handle = nullptr;
  LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr,
                                   REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &handle,
                                   nullptr);
  if (status != ERROR_SUCCESS) return status;
  const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  status = RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          bytes);
  RegCloseKey(handle);
  return status;
}

// The default value of HKCR\key, or an empty text.
std::wstring DefaultText(const std::wstring& key) {
  wchar_t value[64];
  DWORD bytes = sizeof(value);
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value,
                   &bytes) != ERROR_SUCCESS) {
    return {};
  }
  return value;
}

LSTATUS DeleteTree(const std::wstring& key) {
  const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

HRESULT RegisterClassEntries(const std::wstring& path) {
  const std::wstring clsid = GuidText(CLSID_ZedizAdo);
  const std::wstring classKey = L"CLSID\\" + clsid;
  const std::wstring serverKey = classKey + L"\\InprocServer32";
  const std::wstring progIdKey = kProgId;
  const LSTATUS failures[] = {
      SetText(classKey, nullptr, kClassName),
      SetText(serverKey, nullptr, path),
      SetText(serverKey, L"ThreadingModel", L"Apartment"),
      SetText(classKey + L"\\ProgID", nullptr, kProgId),
      SetText(classKey + L"\\TypeLib", nullptr, GuidText(LIBID_Morvane)),
      SetText(classKey + L"\\Version", nullptr, L"1.0"),
      SetText(progIdKey, nullptr, kClassName),
      SetText(progIdKey + L"\\CLSID", nullptr, clsid),
  };
  for (const LSTATUS status : failures) {
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  }
  return S_OK;
}

HRESULT UnregisterClassEntries() {
  const std::wstring clsid = GuidText(CLSID_ZedizAdo);
  // The ProgID goes only while it still names this class.
  LSTATUS status = ERROR_SUCCESS;
  if (DefaultText(std::wstring(kProgId) + L"\\CLSID") == clsid) status = DeleteTree(kProgId);
  const LSTATUS classStatus = DeleteTree(L"CLSID\\" + clsid);
  if (status == ERROR_SUCCESS) status = classStatus;
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

HRESULT UnregisterTypeLibrary() {
  ITypeLib* library = nullptr;
  HRESULT hr = LoadOwnTypeLibrary(&library);
  if (FAILED(hr)) return hr;
  TLIBATTR* attributes = nullptr;
  hr = library->GetLibAttr(&attributes);
  if (SUCCEEDED(hr)) {
    // Not registered is as good as unregistered (UnRegisterTypeLib would
    // report it as a failure).
    wchar_t version[16];
    std::swprintf(version, 16, L"\\%x.%x", attributes->wMajorVerNum, attributes->wMinorVerNum);
    HKEY key = nullptr;
    const std::wstring versionKey = L"TypeLib\\" + GuidText(attributes->guid) + version;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, versionKey.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
      RegCloseKey(key);
      hr = UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum,
                             attributes->wMinorVerNum, attributes->lcid, attributes->syskind);
    }
    library->ReleaseTLibAttr(attributes);
  }
  library->Release();
  return hr;
}

}  // namespace
}  // namespace morvane::server

extern "C" {

STDAPI DllUnregisterServer() {
  using namespace morvane::server;
  try {
    const HRESULT library = UnregisterTypeLibrary();
    const HRESULT classes = UnregisterClassEntries();
    if (FAILED(library)) return SELFREG_E_TYPELIB;
    if (FAILED(classes)) return SELFREG_E_CLASS;
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

STDAPI DllRegisterServer() {
  using namespace morvane::server;
  try {
    wchar_t path[MAX_PATH];
    HRESULT hr = ModulePath(path);
    if (FAILED(hr)) return hr;
    hr = RegisterClassEntries(path);
    if (FAILED(hr)) {
      DllUnregisterServer();
      return SELFREG_E_CLASS;
    }
    ITypeLib* library = nullptr;
    hr = LoadOwnTypeLibrary(&library);
    if (SUCCEEDED(hr)) {
      hr = RegisterTypeLib(library, path, nullptr);
      library->Release();
    }
    if (FAILED(hr)) {
      DllUnregisterServer();
      return SELFREG_E_TYPELIB;
    }
    return S_OK;
  } catch (...) {
    DllUnregisterServer();
    return E_OUTOFMEMORY;
  }
}

}  // extern "C"
