// The COM object around one morvane::ZedizAdo: the dual interface
// _ZedizAdo (vtable and IDispatch through the type library) and
// ISupportErrorInfo.
//
// Every accessor and method catches what the core throws: a
// morvane::Failure becomes its failure HRESULT with error information, and
// running out of memory E_OUTOFMEMORY.  Nothing leaves through the vtable
// as a C++ exception.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <atomic>

#include <morvane/zediz_ado.hpp>
#include "server/morvane.h"

namespace morvane::server {

class ZedizAdoObject final : public _ZedizAdo, public ISupportErrorInfo {
 public:
  // Takes over one reference to each type information.
  ZedizAdoObject(ITypeInfo* interfaceInfo, ITypeInfo* dispatchInfo);
  ~ZedizAdoObject();
  ZedizAdoObject(const ZedizAdoObject&) = delete;
  ZedizAdoObject& operator=(const ZedizAdoObject&) = delete;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                             DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

  // ISupportErrorInfo
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;

  // _ZedizAdo, in slot order.
  STDMETHODIMP get_IfblPrecision(short* value) override;
  STDMETHODIMP put_IfblPrecision(short value) override;
  STDMETHODIMP get_mgrsPrecision(LONG* value) override;
  STDMETHODIMP put_mgrsPrecision(LONG value) override;
  STDMETHODIMP Conversion() override;
  STDMETHODIMP get_LatDmsDeg(short* value) override;
  STDMETHODIMP put_LatDmsDeg(short* value) override;
  STDMETHODIMP get_LonDmsMin(short* value) override;
  STDMETHODIMP get_LatDmsMin(short* value) override;
  STDMETHODIMP put_LatDmsMin(short* value) override;
  STDMETHODIMP get_LatDmsSec(float* value) override;
  STDMETHODIMP put_LatDmsSec(float* value) override;
  STDMETHODIMP get_LonDmsDeg(short* value) override;
  STDMETHODIMP put_LonDmsDeg(short* value) override;
  STDMETHODIMP put_LonDmsMin(short* value) override;
  STDMETHODIMP get_LonDmsSec(float* value) override;
  STDMETHODIMP put_LonDmsSec(float* value) override;
  STDMETHODIMP get_Easting(double* value) override;
  STDMETHODIMP put_Easting(double* value) override;
  STDMETHODIMP put_DatumDest(::InternalDatums* value) override;
  STDMETHODIMP put_DatumFrom(::InternalDatums* value) override;
  STDMETHODIMP get_Error(BSTR* value) override;
  STDMETHODIMP get_IFBL(BSTR* value) override;
  STDMETHODIMP put_IFBL(BSTR* value) override;
  STDMETHODIMP get_Latitude(double* value) override;
  STDMETHODIMP put_Latitude(double* value) override;
  STDMETHODIMP put_Longitude(double* value) override;
  STDMETHODIMP get_Longitude(double* value) override;
  STDMETHODIMP get_MGRS(BSTR* value) override;
  STDMETHODIMP put_MGRS(BSTR* value) override;
  STDMETHODIMP get_Northing(double* value) override;
  STDMETHODIMP put_Northing(double* value) override;
  STDMETHODIMP get_X(double* value) override;
  STDMETHODIMP put_X(double* value) override;
  STDMETHODIMP get_OrigType(::OriginalCoordinates* value) override;
  STDMETHODIMP put_OrigType(::OriginalCoordinates* value) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP get_Y(double* value) override;
  STDMETHODIMP put_Y(double* value) override;

 private:
  HRESULT InvokePutOfVariable(DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result,
                              EXCEPINFO* exception, UINT* argumentError);

  std::atomic<ULONG> references_{1};
  ITypeInfo* interfaceInfo_;
  ITypeInfo* dispatchInfo_;
  morvane::ZedizAdo core_;
};

}  // namespace morvane::server
