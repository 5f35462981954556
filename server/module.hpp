// State of the in-process server as a whole: the module handle, the
// counts that DllCanUnloadNow reports on, and the type information that
// every object's IDispatch works through.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace morvane::server {

extern HMODULE Module;

// Live ZedizAdo objects, outstanding references to the class object and
// LockServer locks.  The server may unload only when all three are zero.
void ObjectCreated() noexcept;
void ObjectDestroyed() noexcept;
void FactoryReferenced() noexcept;
void FactoryReleased() noexcept;
void ServerLocked() noexcept;
void ServerUnlocked() noexcept;
bool InUse() noexcept;

// The full path of this DLL, as registered and as given to the type
// library loader.
HRESULT ModulePath(wchar_t (&path)[MAX_PATH]) noexcept;

// The type library embedded in this DLL (one reference for the caller).
HRESULT LoadOwnTypeLibrary(ITypeLib** library) noexcept;

// The type information of _ZedizAdo, one reference for the caller each:
// the interface part (vtable, used to invoke) and the dispatch part (what
// GetTypeInfo hands to clients).  Loaded once and kept until the server
// is about to unload.
HRESULT InterfaceTypeInfo(ITypeInfo** interfaceInfo, ITypeInfo** dispatchInfo) noexcept;
void ForgetTypeInfo() noexcept;

// Creates a ZedizAdo object and asks it for riid.
HRESULT CreateZedizAdo(REFIID riid, void** object) noexcept;

}  // namespace morvane::server
