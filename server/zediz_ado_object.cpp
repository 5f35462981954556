#include "server/zediz_ado_object.hpp"

#include <new>
#include <string>

#include "server/failure_codes.hpp"
#include "server/module.hpp"
#include "server/text.hpp"

namespace morvane::server {
namespace {

// Hands the failure to the caller's thread as error information (which a
// script shows as Err.Description) and gives its HRESULT.
HRESULT Report(FailureKind kind) noexcept {
  const FailureCode code = CodeOf(kind);
  ICreateErrorInfo* create = nullptr;
  if (SUCCEEDED(CreateErrorInfo(&create))) {
    create->SetGUID(IID__ZedizAdo);
    create->SetSource(const_cast<LPOLESTR>(L"Morvane.ZedizAdo"));
    create->SetDescription(const_cast<LPOLESTR>(code.Description));
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
      SetErrorInfo(0, info);
      info->Release();
    }
    create->Release();
  }
  return code.Result;
}

template <typename Body>
HRESULT Guarded(Body&& body) noexcept {
  try {
    body();
    return S_OK;
  } catch (const Failure& failure) {
    return Report(failure.kind());
  } catch (const std::bad_alloc&) {
    SetErrorInfo(0, nullptr);
    return E_OUTOFMEMORY;
  } catch (...) {
    SetErrorInfo(0, nullptr);
    return E_UNEXPECTED;
  }
}

BSTR NewBstr(const std::string& text) {
  BSTR result = ToBstr(text);
  if (!result) throw std::bad_alloc();
  return result;
}

template <typename T>
HRESULT Give(T* out, const T& value) noexcept {
  if (!out) return E_POINTER;
  *out = value;
  return S_OK;
}

}  // namespace

ZedizAdoObject::ZedizAdoObject(ITypeInfo* interfaceInfo, ITypeInfo* dispatchInfo)
    : interfaceInfo_(interfaceInfo), dispatchInfo_(dispatchInfo) {
  ObjectCreated();
}

ZedizAdoObject::~ZedizAdoObject() {
  interfaceInfo_->Release();
  dispatchInfo_->Release();
  ObjectDestroyed();
}

HRESULT CreateZedizAdo(REFIID riid, void** object) noexcept {
  if (!object) return E_POINTER;
  *object = nullptr;
  ITypeInfo* interfaceInfo = nullptr;
  ITypeInfo* dispatchInfo = nullptr;
  HRESULT hr = InterfaceTypeInfo(&interfaceInfo, &dispatchInfo);
  if (FAILED(hr)) return hr;
  ZedizAdoObject* created = nullptr;
  try {
    created = new ZedizAdoObject(interfaceInfo, dispatchInfo);
  } catch (const Failure& failure) {
    hr = CodeOf(failure.kind()).Result;
  } catch (...) {
    hr = E_OUTOFMEMORY;
  }
  if (!created) {
    interfaceInfo->Release();
    dispatchInfo->Release();
    return hr;
  }
  hr = created->QueryInterface(riid, object);
  created->Release();
  return hr;
}

// IUnknown

STDMETHODIMP ZedizAdoObject::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
      IsEqualIID(riid, IID__ZedizAdo)) {
    *object = static_cast<_ZedizAdo*>(this);
  } else if (IsEqualIID(riid, IID_ISupportErrorInfo)) {
    *object = static_cast<ISupportErrorInfo*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) ZedizAdoObject::AddRef() { return ++references_; }

STDMETHODIMP_(ULONG) ZedizAdoObject::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

// IDispatch, through the type information of the vtable interface.

STDMETHODIMP ZedizAdoObject::GetTypeInfoCount(UINT* count) { return Give(count, 1u); }

STDMETHODIMP ZedizAdoObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  dispatchInfo_->AddRef();
  *info = dispatchInfo_;
  return S_OK;
}

STDMETHODIMP ZedizAdoObject::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                           DISPID* ids) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  return interfaceInfo_->GetIDsOfNames(names, count, ids);
}

STDMETHODIMP ZedizAdoObject::Invoke(DISPID id, REFIID riid, LCID, WORD flags,
                                    DISPPARAMS* params, VARIANT* result,
                                    EXCEPINFO* exception, UINT* argumentError) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) && params &&
      params->cArgs == 1 && params->rgvarg && V_VT(&params->rgvarg[0]) == (VT_BYREF | VT_VARIANT)) {
    return InvokePutOfVariable(id, flags, *params, result, exception, argumentError);
  }
  return interfaceInfo_->Invoke(static_cast<_ZedizAdo*>(this), id, flags, params, result,
                                exception, argumentError);
}

namespace {

// The automation type of a put's value (an enumeration counts as a 32-bit
// integer) and whether the put takes it by reference; false when the put
// cannot be found or its value is of another kind.
bool PutValueType(ITypeInfo* info, DISPID id, VARTYPE& type, bool& byReference) {
  ITypeInfo2* info2 = nullptr;
  if (FAILED(info->QueryInterface(IID_ITypeInfo2, reinterpret_cast<void**>(&info2)))) {
    return false;
  }
  bool found = false;
  UINT index = 0;
  FUNCDESC* function = nullptr;
  if (SUCCEEDED(info2->GetFuncIndexOfMemId(id, INVOKE_PROPERTYPUT, &index)) &&
      SUCCEEDED(info2->GetFuncDesc(index, &function))) {
    if (function->cParams == 1) {
      const TYPEDESC* value = &function->lprgelemdescParam[0].tdesc;
      byReference = value->vt == VT_PTR;
      if (byReference) value = value->lptdesc;
      type = value->vt;
      found = true;
      if (type == VT_USERDEFINED) {
        ITypeInfo* referenced = nullptr;
        TYPEATTR* attributes = nullptr;
        found = false;
        if (SUCCEEDED(info2->GetRefTypeInfo(value->hreftype, &referenced))) {
          if (SUCCEEDED(referenced->GetTypeAttr(&attributes))) {
            found = attributes->typekind == TKIND_ENUM;
            referenced->ReleaseTypeAttr(attributes);
          }
          referenced->Release();
        }
        type = VT_I4;
      }
    }
    info2->ReleaseFuncDesc(function);
  }
  info2->Release();
  return found;
}

}  // namespace

// Script engines hand a variable to a put as a reference to a VARIANT
// (VT_BYREF | VT_VARIANT).  The type information cannot coerce such a
// reference into the typed reference that most puts declare, so the put
// receives a reference to a converted copy instead; when the put rewrote
// the value (IFBL tidies its text), the new value goes back into the
// caller's variable, as a reference argument should.
HRESULT ZedizAdoObject::InvokePutOfVariable(DISPID id, WORD flags, DISPPARAMS& params,
                                            VARIANT* result, EXCEPINFO* exception,
                                            UINT* argumentError) {
  VARTYPE type = VT_EMPTY;
  bool byReference = false;
  if (!PutValueType(interfaceInfo_, id, type, byReference)) {
    return interfaceInfo_->Invoke(static_cast<_ZedizAdo*>(this), id, flags, &params, result,
                                  exception, argumentError);
  }
  VARIANT* variable = V_VARIANTREF(&params.rgvarg[0]);
  VARIANT entered, value;
  VariantInit(&entered);
  VariantInit(&value);
  HRESULT hr = VariantCopyInd(&entered, variable);
  if (SUCCEEDED(hr)) hr = VariantChangeType(&value, &entered, 0, type);
  if (FAILED(hr)) {
    VariantClear(&entered);
    if (argumentError) *argumentError = 0;
    return DISP_E_TYPEMISMATCH;
  }
  VariantClear(&entered);
  VariantCopy(&entered, &value);

  VARIANT argument;
  VariantInit(&argument);
  if (byReference) {
    // Every member of the value union starts at the same address.
    V_VT(&argument) = static_cast<VARTYPE>(VT_BYREF | type);
    V_BYREF(&argument) = static_cast<void*>(&V_BSTR(&value));
  } else {
    argument = value;
  }
  DISPPARAMS converted = params;
  converted.rgvarg = &argument;
  hr = interfaceInfo_->Invoke(static_cast<_ZedizAdo*>(this), id, flags, &converted, result,
                              exception, argumentError);
  if (SUCCEEDED(hr) && byReference && !(V_VT(variable) & VT_BYREF) &&
      VarCmp(&entered, &value, LOCALE_USER_DEFAULT, 0) != VARCMP_EQ) {
    VariantClear(variable);
    VariantCopy(variable, &value);
  }
  VariantClear(&entered);
  VariantClear(&value);
  return hr;
}

// ISupportErrorInfo

STDMETHODIMP ZedizAdoObject::InterfaceSupportsErrorInfo(REFIID riid) {
  return IsEqualIID(riid, IID__ZedizAdo) ? S_OK : S_FALSE;
}

// _ZedizAdo

STDMETHODIMP ZedizAdoObject::get_IfblPrecision(short* value) {
  return Give(value, core_.IfblPrecision);
}

STDMETHODIMP ZedizAdoObject::put_IfblPrecision(short value) {
  core_.IfblPrecision = value;
  return S_OK;
}

STDMETHODIMP ZedizAdoObject::get_mgrsPrecision(LONG* value) {
  return Give(value, static_cast<LONG>(core_.mgrsPrecision));
}

STDMETHODIMP ZedizAdoObject::put_mgrsPrecision(LONG value) {
  core_.mgrsPrecision = static_cast<std::int32_t>(value);
  return S_OK;
}

// The core runs the conversion in the floating-point environment its
// results are defined for (and hands the caller's back), whatever the host
// left on this thread: x87 precision, rounding, masks, pending flags.
STDMETHODIMP ZedizAdoObject::Conversion() {
  return Guarded([this] { core_.Conversion(); });
}

STDMETHODIMP ZedizAdoObject::get_LatDmsDeg(short* value) { return Give(value, core_.LatDmsDeg()); }

STDMETHODIMP ZedizAdoObject::put_LatDmsDeg(short* value) {
  if (!value) return E_POINTER;
  core_.LatDmsDeg(*value);
  return S_OK;
}

STDMETHODIMP ZedizAdoObject::get_LonDmsMin(short* value) { return Give(value, core_.LonDmsMin()); }

STDMETHODIMP ZedizAdoObject::get_LatDmsMin(short* value) { return Give(value, core_.LatDmsMin()); }

STDMETHODIMP ZedizAdoObject::put_LatDmsMin(short* value) {
  if (!value) return E_POINTER;
  core_.LatDmsMin(*value);
  return S_OK;
}

STDMETHODIMP ZedizAdoObject::get_LatDmsSec(float* value) { return Give(value, core_.LatDmsSec()); }

STDMETHODIMP ZedizAdoObject::put_LatDmsSec(float* value) {
  if (!value) return E_POINTER;
  core_.LatDmsSec(*value);
  return S_OK;
}

STDMETHODIMP ZedizAdoObject::get_LonDmsDeg(short* value) { return Give(value, core_.LonDmsDeg()); }

STDMETHODIMP ZedizAdoObject::put_LonDmsDeg(short* value) {
  if (!value) return E_POINTER;
  core_.LonDmsDeg(*value);
  return S_OK;
}

STDMETHODIMP ZedizAdoObject::put_LonDmsMin(short* value) {
  if (!value) return E_POINTER;
  core_.LonDmsMin(*value);
  return S_OK;
}

STDMETHODIMP ZedizAdoObject::get_LonDmsSec(float* value) { return Give(value, core_.LonDmsSec()); }

STDMETHODIMP ZedizAdoObject::put_LonDmsSec(float* value) {
  if (!value) return E_POINTER;
  core_.LonDmsSec(*value);
  return S_OK;
}

STDMETHODIMP ZedizAdoObject::get_Easting(double* value) { return Give(value, core_.Easting()); }

STDMETHODIMP ZedizAdoObject::put_Easting(double* value) {
  if (!value) return E_POINTER;
  core_.Easting(*value);
  return S_OK;
}

// Both datum puts store any number (with a message outside the catalogue).
STDMETHODIMP ZedizAdoObject::put_DatumDest(::InternalDatums* value) {
  if (!value) return E_POINTER;
  return Guarded([&] { core_.DatumDest(static_cast<morvane::InternalDatums>(*value)); });
}

STDMETHODIMP ZedizAdoObject::put_DatumFrom(::InternalDatums* value) {
  if (!value) return E_POINTER;
  return Guarded([&] { core_.DatumFrom(static_cast<morvane::InternalDatums>(*value)); });
}

STDMETHODIMP ZedizAdoObject::get_Error(BSTR* value) {
  if (!value) return E_POINTER;
  *value = nullptr;
  return Guarded([&] { *value = NewBstr(core_.Error()); });
}

STDMETHODIMP ZedizAdoObject::get_IFBL(BSTR* value) {
  if (!value) return E_POINTER;
  *value = nullptr;
  return Guarded([&] { *value = NewBstr(core_.IFBL()); });
}

// The caller's text comes back tidied, as it was stored.
STDMETHODIMP ZedizAdoObject::put_IFBL(BSTR* value) {
  if (!value) return E_POINTER;
  return Guarded([&] {
    std::string text = ToUtf8(*value);
    core_.IFBL(text);
    BSTR tidied = NewBstr(text);
    SysFreeString(*value);
    *value = tidied;
  });
}

STDMETHODIMP ZedizAdoObject::get_Latitude(double* value) { return Give(value, core_.Latitude()); }

STDMETHODIMP ZedizAdoObject::put_Latitude(double* value) {
  if (!value) return E_POINTER;
  core_.Latitude(*value);
  return S_OK;
}

STDMETHODIMP ZedizAdoObject::put_Longitude(double* value) {
  if (!value) return E_POINTER;
  core_.Longitude(*value);
  return S_OK;
}

STDMETHODIMP ZedizAdoObject::get_Longitude(double* value) {
  return Give(value, core_.Longitude());
}

STDMETHODIMP ZedizAdoObject::get_MGRS(BSTR* value) {
  if (!value) return E_POINTER;
  *value = nullptr;
  return Guarded([&] { *value = NewBstr(core_.MGRS()); });
}

STDMETHODIMP ZedizAdoObject::put_MGRS(BSTR* value) {
  if (!value) return E_POINTER;
  return Guarded([&] { core_.MGRS(ToUtf8(*value)); });
}

STDMETHODIMP ZedizAdoObject::get_Northing(double* value) { return Give(value, core_.Northing()); }

STDMETHODIMP ZedizAdoObject::put_Northing(double* value) {
  if (!value) return E_POINTER;
  core_.Northing(*value);
  return S_OK;
}

STDMETHODIMP ZedizAdoObject::get_X(double* value) { return Give(value, core_.X()); }

STDMETHODIMP ZedizAdoObject::put_X(double* value) {
  if (!value) return E_POINTER;
  core_.X(*value);
  return S_OK;
}

STDMETHODIMP ZedizAdoObject::get_OrigType(::OriginalCoordinates* value) {
  return Give(value, static_cast<::OriginalCoordinates>(core_.OrigType()));
}

STDMETHODIMP ZedizAdoObject::put_OrigType(::OriginalCoordinates* value) {
  if (!value) return E_POINTER;
  return Guarded([&] { core_.OrigType(static_cast<morvane::OriginalCoordinates>(*value)); });
}

STDMETHODIMP ZedizAdoObject::Reset() {
  return Guarded([this] { core_.Reset(); });
}

STDMETHODIMP ZedizAdoObject::get_Y(double* value) { return Give(value, core_.Y()); }

STDMETHODIMP ZedizAdoObject::put_Y(double* value) {
  if (!value) return E_POINTER;
  core_.Y(*value);
  return S_OK;
}

}  // namespace morvane::server
