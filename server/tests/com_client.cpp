// Client test of the registered automation server, run under Wine or on
// Windows after regsvr32: creates ZedizAdo by its ProgID, checks the type
// library against the interface's slot table, walks every operation
// through the raw vtable in slot order and through IDispatch by name,
// checks conversions against known values, the failure HRESULTs with their
// error information, reference counting, the class object and
// DllCanUnloadNow.  Prints one line per failed check and a summary; the
// exit code is the number of failed checks (0: all passed).
#include <windows.h>
#include <oleauto.h>

#include <float.h>

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <source_location>
#include <string>

#include <initguid.h>

#include "server/morvane.h"

namespace {

int Checks = 0;
int Failures = 0;

bool Check(bool ok, const char* what, std::source_location where = std::source_location::current()) {
  ++Checks;
  if (!ok) {
    ++Failures;
    std::printf("FAIL line %u: %s\n", static_cast<unsigned>(where.line()), what);
  }
  return ok;
}

bool CheckHr(HRESULT actual, HRESULT expected, const char* what,
             std::source_location where = std::source_location::current()) {
  ++Checks;
  if (actual != expected) {
    ++Failures;
    std::printf("FAIL line %u: %s: HRESULT 0x%08lX, expected 0x%08lX\n",
                static_cast<unsigned>(where.line()), what, static_cast<unsigned long>(actual),
                static_cast<unsigned long>(expected));
    return false;
  }
  return true;
}

bool CheckNear(double actual, double expected, double tolerance, const char* what,
               std::source_location where = std::source_location::current()) {
  ++Checks;
  if (!(std::fabs(actual - expected) <= tolerance)) {
    ++Failures;
    std::printf("FAIL line %u: %s: %.17g, expected %.17g within %g\n",
                static_cast<unsigned>(where.line()), what, actual, expected, tolerance);
    return false;
  }
  return true;
}

std::string Narrow(const std::wstring& text) {
  std::string result;
  for (wchar_t c : text) result += (c >= 32 && c < 127) ? static_cast<char>(c) : '?';
  return result;
}

bool CheckText(const std::wstring& actual, const std::wstring& expected, const char* what,
               std::source_location where = std::source_location::current()) {
  ++Checks;
  if (actual != expected) {
    ++Failures;
    std::printf("FAIL line %u: %s: \"%s\", expected \"%s\"\n", static_cast<unsigned>(where.line()),
                what, Narrow(actual).c_str(), Narrow(expected).c_str());
    return false;
  }
  return true;
}

// The failure HRESULTs, as documented for clients.
constexpr HRESULT kIndexOutOfRange = static_cast<HRESULT>(0x80040201);
constexpr HRESULT kIntegerOverflow = static_cast<HRESULT>(0x80040202);

// The messages of Error.
const std::wstring kUnknownOrigType = L"Type de coordonn\u00e9es originales inconnu";
const std::wstring kUnknownDatumFrom = L"Datum de d\u00e9part inconnu";
const std::wstring kUnknownDatumDest = L"Datum destination inconnu";
const std::wstring kDatumNotSet = L"Datum non initialis\u00e9";
const std::wstring kBadDeg = L"Coordonn\u00e9es DEG incorrectes";
const std::wstring kBadDms = L"Coordonn\u00e9es DMS incorrectes";
const std::wstring kBadLambert = L"Coordonn\u00e9es Lambert incorrectes";
const std::wstring kBadIfbl = L"Coordonn\u00e9e IFBL incorrecte";
const std::wstring kBadMgrsPrefix = L"Coordonn\u00e9es MGRS erron\u00e9es (";

// A BSTR that frees itself.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const wchar_t* text) : value_(SysAllocString(text)) {}
  ~Bstr() { SysFreeString(value_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR* Out() {
    SysFreeString(value_);
    value_ = nullptr;
    return &value_;
  }
  BSTR* InOut() { return &value_; }
  std::wstring Text() const { return std::wstring(value_ ? value_ : L"", SysStringLen(value_)); }

 private:
  BSTR value_ = nullptr;
};

// --- The slot table of _ZedizAdo -------------------------------------------

enum class Kind { Get, PutValue, PutReference, Method };

struct Slot {
  const wchar_t* Name;
  Kind Operation;
  VARTYPE Type;              // VT_EMPTY for the methods
  const wchar_t* TypeName;   // the enumeration for VT_USERDEFINED
};

constexpr Slot kSlots[39] = {
    {L"IfblPrecision", Kind::Get, VT_I2, nullptr},
    {L"IfblPrecision", Kind::PutValue, VT_I2, nullptr},
    {L"mgrsPrecision", Kind::Get, VT_I4, nullptr},
    {L"mgrsPrecision", Kind::PutValue, VT_I4, nullptr},
    {L"Conversion", Kind::Method, VT_EMPTY, nullptr},
    {L"LatDmsDeg", Kind::Get, VT_I2, nullptr},
    {L"LatDmsDeg", Kind::PutReference, VT_I2, nullptr},
    {L"LonDmsMin", Kind::Get, VT_I2, nullptr},
    {L"LatDmsMin", Kind::Get, VT_I2, nullptr},
    {L"LatDmsMin", Kind::PutReference, VT_I2, nullptr},
    {L"LatDmsSec", Kind::Get, VT_R4, nullptr},
    {L"LatDmsSec", Kind::PutReference, VT_R4, nullptr},
    {L"LonDmsDeg", Kind::Get, VT_I2, nullptr},
    {L"LonDmsDeg", Kind::PutReference, VT_I2, nullptr},
    {L"LonDmsMin", Kind::PutReference, VT_I2, nullptr},
    {L"LonDmsSec", Kind::Get, VT_R4, nullptr},
    {L"LonDmsSec", Kind::PutReference, VT_R4, nullptr},
    {L"Easting", Kind::Get, VT_R8, nullptr},
    {L"Easting", Kind::PutReference, VT_R8, nullptr},
    {L"DatumDest", Kind::PutReference, VT_USERDEFINED, L"InternalDatums"},
    {L"DatumFrom", Kind::PutReference, VT_USERDEFINED, L"InternalDatums"},
    {L"Error", Kind::Get, VT_BSTR, nullptr},
    {L"IFBL", Kind::Get, VT_BSTR, nullptr},
    {L"IFBL", Kind::PutReference, VT_BSTR, nullptr},
    {L"Latitude", Kind::Get, VT_R8, nullptr},
    {L"Latitude", Kind::PutReference, VT_R8, nullptr},
    {L"Longitude", Kind::PutReference, VT_R8, nullptr},
    {L"Longitude", Kind::Get, VT_R8, nullptr},
    {L"MGRS", Kind::Get, VT_BSTR, nullptr},
    {L"MGRS", Kind::PutReference, VT_BSTR, nullptr},
    {L"Northing", Kind::Get, VT_R8, nullptr},
    {L"Northing", Kind::PutReference, VT_R8, nullptr},
    {L"X", Kind::Get, VT_R8, nullptr},
    {L"X", Kind::PutReference, VT_R8, nullptr},
    {L"OrigType", Kind::Get, VT_USERDEFINED, L"OriginalCoordinates"},
    {L"OrigType", Kind::PutReference, VT_USERDEFINED, L"OriginalCoordinates"},
    {L"Reset", Kind::Method, VT_EMPTY, nullptr},
    {L"Y", Kind::Get, VT_R8, nullptr},
    {L"Y", Kind::PutReference, VT_R8, nullptr},
};

std::wstring MemberName(ITypeInfo* info, MEMBERID id) {
  Bstr name;
  if (FAILED(info->GetDocumentation(id, name.Out(), nullptr, nullptr, nullptr))) return L"?";
  return name.Text();
}

std::wstring ReferencedName(ITypeInfo* info, const TYPEDESC& type) {
  ITypeInfo* referenced = nullptr;
  if (FAILED(info->GetRefTypeInfo(type.hreftype, &referenced))) return L"?";
  const std::wstring name = MemberName(referenced, MEMBERID_NIL);
  referenced->Release();
  return name;
}

// The vtable part of the dual interface matches the slot table: names,
// kinds, vtable offsets, value types and parameter directions.
void CheckInterfaceLayout(ITypeInfo* dispatch) {
  TYPEATTR* attributes = nullptr;
  if (!CheckHr(dispatch->GetTypeAttr(&attributes), S_OK, "dispatch type attributes")) return;
  Check(attributes->typekind == TKIND_DISPATCH, "GetTypeInfo gives the dispatch part");
  Check((attributes->wTypeFlags & TYPEFLAG_FDUAL) != 0, "_ZedizAdo is dual");
  dispatch->ReleaseTypeAttr(attributes);

  HREFTYPE reference = 0;
  ITypeInfo* vtable = nullptr;
  if (!CheckHr(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &reference), S_OK,
               "vtable part of the dual interface") ||
      !CheckHr(dispatch->GetRefTypeInfo(reference, &vtable), S_OK, "vtable type information")) {
    return;
  }
  CheckHr(vtable->GetTypeAttr(&attributes), S_OK, "vtable type attributes");
  Check(attributes->typekind == TKIND_INTERFACE, "vtable part is an interface");
  Check(attributes->cFuncs == 39, "39 operations");
  Check(attributes->cImplTypes == 1, "one base interface");
  const WORD functions = attributes->cFuncs;
  vtable->ReleaseTypeAttr(attributes);

  ITypeInfo* base = nullptr;
  if (SUCCEEDED(vtable->GetRefTypeOfImplType(0, &reference)) &&
      SUCCEEDED(vtable->GetRefTypeInfo(reference, &base))) {
    CheckText(MemberName(base, MEMBERID_NIL), L"IDispatch", "derived from IDispatch");
    base->Release();
  }

  for (WORD i = 0; i < functions && i < 39; ++i) {
    const Slot& slot = kSlots[i];
    FUNCDESC* function = nullptr;
    if (!CheckHr(vtable->GetFuncDesc(i, &function), S_OK, "function description")) continue;
    char what[96];
    std::snprintf(what, sizeof(what), "slot %d (%s)", i + 1, Narrow(slot.Name).c_str());
    CheckText(MemberName(vtable, function->memid), slot.Name, what);
    Check(function->oVft == static_cast<SHORT>((7 + i) * sizeof(void*)), what);
    Check(function->callconv == CC_STDCALL && function->elemdescFunc.tdesc.vt == VT_HRESULT, what);
    const INVOKEKIND expectedKind = slot.Operation == Kind::Get      ? INVOKE_PROPERTYGET
                                    : slot.Operation == Kind::Method ? INVOKE_FUNC
                                                                     : INVOKE_PROPERTYPUT;
    Check(function->invkind == expectedKind, what);
    if (slot.Operation == Kind::Method) {
      Check(function->cParams == 0, what);
    } else if (Check(function->cParams == 1, what)) {
      const ELEMDESC& parameter = function->lprgelemdescParam[0];
      const USHORT flags = parameter.paramdesc.wParamFlags;
      const TYPEDESC* type = &parameter.tdesc;
      if (slot.Operation == Kind::PutValue) {
        Check(flags == PARAMFLAG_FIN, what);
      } else {
        Check(type->vt == VT_PTR, what);
        if (type->vt == VT_PTR) type = type->lptdesc;
        Check(flags == (slot.Operation == Kind::Get ? (PARAMFLAG_FOUT | PARAMFLAG_FRETVAL)
                                                    : (PARAMFLAG_FIN | PARAMFLAG_FOUT)),
              what);
      }
      Check(type->vt == slot.Type, what);
      if (slot.Type == VT_USERDEFINED) CheckText(ReferencedName(vtable, *type), slot.TypeName, what);
    }
    vtable->ReleaseFuncDesc(function);
  }
  vtable->Release();
}

// The two enumerations and the coclass of the library.
void CheckLibrary(ITypeLib* library) {
  struct Member {
    const wchar_t* Name;
    LONG Value;
  };
  struct Enumeration {
    GUID Id;
    const wchar_t* Name;
    Member Members[5];
    int Count;
  };
  const Enumeration enumerations[] = {
      {{0x959973CD, 0x0D83, 0x439A, {0xBB, 0x01, 0x41, 0x73, 0xF8, 0xF1, 0xB9, 0xA7}},
       L"OriginalCoordinates",
       {{L"mvMgrs", 1}, {L"mvDeg", 2}, {L"mvIFBL", 3}, {L"mvLambert72", 4}, {L"mvDegMinSec", 5}},
       5},
      {{0x81D8BEBB, 0xB648, 0x4EE2, {0xB6, 0x2D, 0x5C, 0x13, 0x70, 0xE6, 0xBE, 0xB4}},
       L"InternalDatums",
       {{L"mvEuropeanData1950", 1}, {L"mvBelgium1972", 2}, {L"mvWGS1984", 3}, {L"mvNTF", 4}, {}},
       4},
  };
  for (const Enumeration& enumeration : enumerations) {
    ITypeInfo* info = nullptr;
    if (!CheckHr(library->GetTypeInfoOfGuid(enumeration.Id, &info), S_OK, "enumeration")) continue;
    CheckText(MemberName(info, MEMBERID_NIL), enumeration.Name, "enumeration name");
    TYPEATTR* attributes = nullptr;
    info->GetTypeAttr(&attributes);
    Check(attributes->typekind == TKIND_ENUM && attributes->cVars == enumeration.Count,
          "enumeration members");
    Check(attributes->cbSizeInstance == 4, "32-bit enumeration");
    for (int i = 0; i < enumeration.Count && i < attributes->cVars; ++i) {
      VARDESC* variable = nullptr;
      info->GetVarDesc(static_cast<UINT>(i), &variable);
      CheckText(MemberName(info, variable->memid), enumeration.Members[i].Name, "member name");
      Check(V_VT(variable->lpvarValue) == VT_I4 &&
                V_I4(variable->lpvarValue) == enumeration.Members[i].Value,
            "member value");
      info->ReleaseVarDesc(variable);
    }
    info->ReleaseTypeAttr(attributes);
    info->Release();
  }

  ITypeInfo* coclass = nullptr;
  if (CheckHr(library->GetTypeInfoOfGuid(CLSID_ZedizAdo, &coclass), S_OK, "coclass")) {
    CheckText(MemberName(coclass, MEMBERID_NIL), L"ZedizAdo", "coclass name");
    HREFTYPE reference = 0;
    ITypeInfo* defaultInterface = nullptr;
    INT flags = 0;
    coclass->GetImplTypeFlags(0, &flags);
    Check((flags & IMPLTYPEFLAG_FDEFAULT) != 0, "default interface");
    if (SUCCEEDED(coclass->GetRefTypeOfImplType(0, &reference)) &&
        SUCCEEDED(coclass->GetRefTypeInfo(reference, &defaultInterface))) {
      CheckText(MemberName(defaultInterface, MEMBERID_NIL), L"_ZedizAdo", "default interface name");
      defaultInterface->Release();
    }
    coclass->Release();
  }
}

// --- Raw vtable calls ------------------------------------------------------

// Calls slot n (1 to 39) of _ZedizAdo by its position in the vtable, not by
// the generated header: this is what pins the slot order.
template <typename... Arguments>
HRESULT CallSlot(IUnknown* object, int slot, Arguments... arguments) {
  using Function = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, Arguments...);
  void** table = *reinterpret_cast<void***>(object);
  Function function;
  std::memcpy(&function, &table[6 + slot], sizeof(function));
  return function(object, arguments...);
}

short GetShort(IUnknown* object, int slot) {
  short value = -999;
  CheckHr(CallSlot(object, slot, &value), S_OK, "short get");
  return value;
}
float GetFloat(IUnknown* object, int slot) {
  float value = -999;
  CheckHr(CallSlot(object, slot, &value), S_OK, "float get");
  return value;
}
double GetDouble(IUnknown* object, int slot) {
  double value = -999;
  CheckHr(CallSlot(object, slot, &value), S_OK, "double get");
  return value;
}
std::wstring GetText(IUnknown* object, int slot) {
  Bstr value;
  CheckHr(CallSlot(object, slot, value.Out()), S_OK, "text get");
  return value.Text();
}

// Every slot once, in order, with the effect of each checked.
void WalkSlots(_ZedizAdo* object) {
  IUnknown* o = object;
  short s = 0;
  LONG l = 0;
  float f = 0;
  double d = 0;
  LONG e = 0;

  Check(GetShort(o, 1) == 0, "1 IfblPrecision get: 0 on a new object");
  CheckHr(CallSlot(o, 2, static_cast<short>(4)), S_OK, "2 IfblPrecision put by value");
  CheckHr(CallSlot(o, 3, &l), S_OK, "3 mgrsPrecision get");
  Check(l == 0, "3 mgrsPrecision: 0 on a new object");
  CheckHr(CallSlot(o, 4, static_cast<LONG>(1000)), S_OK, "4 mgrsPrecision put by value");
  CheckHr(CallSlot(o, 5), S_OK, "5 Conversion with no input kind");
  Check(GetShort(o, 6) == 0, "6 LatDmsDeg get");
  s = 50;
  CheckHr(CallSlot(o, 7, &s), S_OK, "7 LatDmsDeg put");
  Check(GetShort(o, 8) == 0, "8 LonDmsMin get");
  Check(GetShort(o, 9) == 0, "9 LatDmsMin get");
  s = 48;
  CheckHr(CallSlot(o, 10, &s), S_OK, "10 LatDmsMin put");
  Check(GetFloat(o, 11) == 0, "11 LatDmsSec get");
  f = 0;
  CheckHr(CallSlot(o, 12, &f), S_OK, "12 LatDmsSec put");
  Check(GetShort(o, 13) == 0, "13 LonDmsDeg get");
  s = 4;
  CheckHr(CallSlot(o, 14, &s), S_OK, "14 LonDmsDeg put");
  s = 21;
  CheckHr(CallSlot(o, 15, &s), S_OK, "15 LonDmsMin put");
  Check(GetFloat(o, 16) == 0, "16 LonDmsSec get");
  f = 0;
  CheckHr(CallSlot(o, 17, &f), S_OK, "17 LonDmsSec put");
  Check(GetDouble(o, 18) == 0, "18 Easting get");
  d = 1.5;
  CheckHr(CallSlot(o, 19, &d), S_OK, "19 Easting put");
  e = 2;
  CheckHr(CallSlot(o, 20, &e), S_OK, "20 DatumDest put");
  e = 2;
  CheckHr(CallSlot(o, 21, &e), S_OK, "21 DatumFrom put");
  CheckText(GetText(o, 22), kUnknownOrigType, "22 Error get: Conversion without input kind");
  CheckText(GetText(o, 23), L"", "23 IFBL get");
  {
    Bstr ifbl(L" e5.35.41 ");
    CheckHr(CallSlot(o, 24, ifbl.InOut()), S_OK, "24 IFBL put");
    CheckText(ifbl.Text(), L"e53541", "24 IFBL put writes the tidied text back");
  }
  Check(GetDouble(o, 25) == 0, "25 Latitude get");
  d = 50.8;
  CheckHr(CallSlot(o, 26, &d), S_OK, "26 Latitude put");
  d = 4.35;
  CheckHr(CallSlot(o, 27, &d), S_OK, "27 Longitude put");
  Check(GetDouble(o, 28) == 4.35, "28 Longitude get");
  CheckText(GetText(o, 29), L"", "29 MGRS get");
  {
    Bstr mgrs(L"  31ufs1234 ");
    CheckHr(CallSlot(o, 30, mgrs.InOut()), S_OK, "30 MGRS put");
    CheckText(mgrs.Text(), L"  31ufs1234 ", "30 MGRS put leaves the caller's text");
  }
  Check(GetDouble(o, 31) == 0, "31 Northing get");
  d = 2.5;
  CheckHr(CallSlot(o, 32, &d), S_OK, "32 Northing put");
  Check(GetDouble(o, 33) == 0, "33 X get");
  d = 7;
  CheckHr(CallSlot(o, 34, &d), S_OK, "34 X put");
  CheckHr(CallSlot(o, 35, &e), S_OK, "35 OrigType get");
  Check(e == 0, "35 OrigType: 0 on a new object");
  e = 5;
  CheckHr(CallSlot(o, 36, &e), S_OK, "36 OrigType put");

  // What the puts stored, read back before Reset clears part of it.
  Check(GetShort(o, 1) == 4, "IfblPrecision stored");
  CheckHr(CallSlot(o, 3, &l), S_OK, "mgrsPrecision get");
  Check(l == 1000, "mgrsPrecision stored");
  Check(GetShort(o, 6) == 50 && GetShort(o, 9) == 48 && GetShort(o, 13) == 4 &&
            GetShort(o, 8) == 21,
        "DMS fields stored");
  Check(GetDouble(o, 18) == 1.5 && GetDouble(o, 31) == 2.5, "Easting and Northing stored");
  CheckText(GetText(o, 23), L"e53541", "IFBL stored tidied");
  CheckText(GetText(o, 29), L"31ufs1234", "MGRS stored without outer blanks");
  Check(GetDouble(o, 25) == 50.8 && GetDouble(o, 33) == 7, "Latitude and X stored");
  CallSlot(o, 35, &e);
  Check(e == 5, "OrigType stored");

  CheckHr(CallSlot(o, 37), S_OK, "37 Reset");
  Check(GetDouble(o, 38) == 0, "38 Y get after Reset");
  d = 9;
  CheckHr(CallSlot(o, 39, &d), S_OK, "39 Y put");
  Check(GetDouble(o, 38) == 9, "Y stored");

  CheckText(GetText(o, 22), L"", "Reset empties Error");
  Check(GetDouble(o, 33) == 0 && GetDouble(o, 25) == 0 && GetDouble(o, 28) == 0 &&
            GetDouble(o, 31) == 0 && GetDouble(o, 18) == 0,
        "Reset zeroes X, Latitude, Longitude, Northing, Easting");
  CheckText(GetText(o, 23), L"", "Reset empties IFBL");
  CheckText(GetText(o, 29), L"", "Reset empties MGRS");
  CallSlot(o, 35, &e);
  Check(e == 0, "Reset zeroes OrigType");
  Check(GetShort(o, 6) == 50 && GetShort(o, 9) == 48 && GetShort(o, 13) == 4 &&
            GetShort(o, 8) == 21,
        "Reset keeps the DMS fields");
  Check(GetShort(o, 1) == 4, "Reset keeps IfblPrecision");

  // A null pointer is refused, never dereferenced.
  CheckHr(CallSlot(o, 1, static_cast<short*>(nullptr)), E_POINTER, "null get");
  CheckHr(CallSlot(o, 26, static_cast<double*>(nullptr)), E_POINTER, "null put");
  CheckHr(CallSlot(o, 24, static_cast<BSTR*>(nullptr)), E_POINTER, "null text put");
}

// --- Conversions through the typed interface --------------------------------

struct Outputs {
  double Latitude, Longitude, X, Y, Northing, Easting;
  short LatDeg, LatMin, LonDeg, LonMin;
  float LatSec, LonSec;
  std::wstring Ifbl, Mgrs, Error;
  LONG OrigType;
};

Outputs Read(_ZedizAdo* o) {
  Outputs r{};
  Bstr ifbl, mgrs, error;
  OriginalCoordinates type{};
  const HRESULT results[] = {
      o->get_Latitude(&r.Latitude), o->get_Longitude(&r.Longitude), o->get_X(&r.X),
      o->get_Y(&r.Y),               o->get_Northing(&r.Northing),   o->get_Easting(&r.Easting),
      o->get_LatDmsDeg(&r.LatDeg),  o->get_LatDmsMin(&r.LatMin),    o->get_LatDmsSec(&r.LatSec),
      o->get_LonDmsDeg(&r.LonDeg),  o->get_LonDmsMin(&r.LonMin),    o->get_LonDmsSec(&r.LonSec),
      o->get_IFBL(ifbl.Out()),      o->get_MGRS(mgrs.Out()),        o->get_Error(error.Out()),
      o->get_OrigType(&type)};
  bool ok = true;
  for (HRESULT hr : results) ok = ok && hr == S_OK;
  Check(ok, "every get succeeds");
  r.Ifbl = ifbl.Text();
  r.Mgrs = mgrs.Text();
  r.Error = error.Text();
  r.OrigType = type;
  return r;
}

bool Same(const Outputs& a, const Outputs& b) {
  auto same = [](double x, double y) { return std::memcmp(&x, &y, sizeof(x)) == 0; };
  return same(a.Latitude, b.Latitude) && same(a.Longitude, b.Longitude) && same(a.X, b.X) &&
         same(a.Y, b.Y) && same(a.Northing, b.Northing) && same(a.Easting, b.Easting) &&
         a.LatDeg == b.LatDeg && a.LatMin == b.LatMin && a.LonDeg == b.LonDeg &&
         a.LonMin == b.LonMin && a.LatSec == b.LatSec && a.LonSec == b.LonSec &&
         a.Ifbl == b.Ifbl && a.Mgrs == b.Mgrs && a.Error == b.Error && a.OrigType == b.OrigType;
}

void SetDatums(_ZedizAdo* o, InternalDatums from, InternalDatums to) {
  CheckHr(o->put_DatumFrom(&from), S_OK, "DatumFrom put");
  CheckHr(o->put_DatumDest(&to), S_OK, "DatumDest put");
}

void SetKind(_ZedizAdo* o, OriginalCoordinates kind) {
  CheckHr(o->put_OrigType(&kind), S_OK, "OrigType put");
}

HRESULT Degrees(_ZedizAdo* o, InternalDatums from, InternalDatums to, double latitude,
                double longitude) {
  o->Reset();
  SetDatums(o, from, to);
  SetKind(o, mvDeg);
  o->put_Latitude(&latitude);
  o->put_Longitude(&longitude);
  return o->Conversion();
}

HRESULT Lambert(_ZedizAdo* o, double x, double y) {
  o->Reset();
  SetDatums(o, mvBelgium1972, mvBelgium1972);
  SetKind(o, mvLambert72);
  o->put_X(&x);
  o->put_Y(&y);
  return o->Conversion();
}

std::wstring ErrorAfter(_ZedizAdo* o) {
  Bstr error;
  o->get_Error(error.Out());
  return error.Text();
}

void CheckConversions(_ZedizAdo* o) {
  o->put_IfblPrecision(0);
  o->put_mgrsPrecision(1000);
  // Degrees on WGS 1984 to the Belgian datum 1972.
  CheckHr(Degrees(o, mvWGS1984, mvBelgium1972, 50.8, 4.35), S_OK, "degrees WGS 84 -> BD 72");
  Outputs r = Read(o);
  CheckText(r.Error, L"", "no message");
  CheckNear(r.Latitude, 50.8005444904614, 1e-9, "latitude on BD 72");
  CheckNear(r.Longitude, 4.348734630115332, 1e-9, "longitude on BD 72");
  Check(r.LatDeg == 50 && r.LatMin == 48 && r.LonDeg == 4 && r.LonMin == 20, "DMS degrees and minutes");
  CheckNear(r.LatSec, 1.96, 0.01, "latitude seconds");
  CheckNear(r.LonSec, 55.445, 0.01, "longitude seconds");
  CheckNear(r.X, 148767.229 - 89.2, 3, "Lambert X after the datum shift");
  CheckNear(r.Y, 165444.050 + 60.6, 3, "Lambert Y after the datum shift");
  Check(r.Ifbl.size() == 6 && r.Ifbl[0] == L'E', "IFBL square of Brussels");
  Check(r.Mgrs.size() == 9 && r.Mgrs.compare(0, 3, L"31U") == 0, "MGRS cut to 1 km");
  CheckNear(r.Northing, 5628565, 150, "UTM northing");
  CheckNear(r.Easting, 595138, 150, "UTM easting");
  Check(r.OrigType == mvDeg, "OrigType kept");

  // On one datum the input stays as entered, bit for bit.
  CheckHr(Degrees(o, mvBelgium1972, mvBelgium1972, 50.8, 4.35), S_OK, "degrees on BD 72");
  r = Read(o);
  Check(r.Latitude == 50.8 && r.Longitude == 4.35, "input kept bit for bit");
  CheckNear(r.X, 148767.22907939507, 1e-6, "Lambert X");
  CheckNear(r.Y, 165444.04955425858, 1e-6, "Lambert Y");

  // UTM on the Hayford ellipsoid, and the MGRS text cut to 1 km.
  CheckHr(Degrees(o, mvBelgium1972, mvBelgium1972, 50.85, 4.35), S_OK, "degrees for UTM");
  r = Read(o);
  CheckNear(r.Northing, 5634127.92, 0.02, "UTM northing on Hayford");
  CheckNear(r.Easting, 595036.85, 0.02, "UTM easting on Hayford");
  Check(r.Mgrs.size() == 9 && r.Mgrs.compare(0, 3, L"31U") == 0 &&
            r.Mgrs.compare(5, 4, L"9534") == 0,
        "MGRS 31U.. 95 34");
  {
    // The full-precision text decodes back to the point.
    LONG full = 0;
    o->put_mgrsPrecision(full);
    CheckHr(o->Conversion(), S_OK, "again at 1 m");
    Bstr text;
    o->get_MGRS(text.Out());
    Check(text.Text().size() == 15, "MGRS at 1 m");
    const std::wstring reference = text.Text();
    o->Reset();
    SetDatums(o, mvBelgium1972, mvBelgium1972);
    SetKind(o, mvMgrs);
    Bstr input(reference.c_str());
    o->put_MGRS(input.InOut());
    CheckHr(o->Conversion(), S_OK, "MGRS input");
    r = Read(o);
    CheckText(r.Error, L"", "MGRS decodes");
    CheckNear(r.Latitude, 50.85, 2e-5, "MGRS decoded latitude");
    CheckNear(r.Longitude, 4.35, 2e-5, "MGRS decoded longitude");
    CheckText(r.Mgrs, reference, "MGRS input kept");
    o->put_mgrsPrecision(1000);
  }

  // Lambert input.
  CheckHr(Lambert(o, 148767.22907939507, 165444.04955425858), S_OK, "Lambert input");
  r = Read(o);
  CheckNear(r.Latitude, 50.79999999932743, 1e-9, "latitude from Lambert");
  CheckNear(r.Longitude, 4.35, 1e-9, "longitude from Lambert");

  // IFBL in and out, with the precision of the code.
  {
    o->Reset();
    SetDatums(o, mvBelgium1972, mvBelgium1972);
    SetKind(o, mvIFBL);
    Bstr code(L"e5.35.41");
    o->put_IFBL(code.InOut());
    CheckHr(o->Conversion(), S_OK, "IFBL input");
    r = Read(o);
    Check(r.X == 180512 && r.Y == 167680, "centre of square E5.35.41");
    CheckText(r.Ifbl, L"E53541", "IFBL upper-cased by the decoder");
  }
  const struct {
    short Precision;
    const wchar_t* Code;
  } precisions[] = {{4, L"E535"}, {2, L"E5"}, {0, L"E53541"}, {6, L"E53541"}};
  for (const auto& p : precisions) {
    o->put_IfblPrecision(p.Precision);
    CheckHr(Lambert(o, 180512, 167680), S_OK, "Lambert to IFBL");
    CheckText(Read(o).Ifbl, p.Code, "IFBL at its precision");
  }

  // DMS input on one datum keeps its fields.
  {
    o->Reset();
    SetDatums(o, mvBelgium1972, mvBelgium1972);
    SetKind(o, mvDegMinSec);
    short deg = 50, min = 30, lonDeg = 4, lonMin = 15;
    float sec = 0;
    o->put_LatDmsDeg(&deg);
    o->put_LatDmsMin(&min);
    o->put_LatDmsSec(&sec);
    o->put_LonDmsDeg(&lonDeg);
    o->put_LonDmsMin(&lonMin);
    o->put_LonDmsSec(&sec);
    CheckHr(o->Conversion(), S_OK, "DMS input");
    r = Read(o);
    Check(r.Latitude == 50.5 && r.Longitude == 4.25, "DMS to degrees");
    Check(r.LatDeg == 50 && r.LatMin == 30 && r.LonMin == 15, "DMS fields kept");
  }
}

// The messages of Error: input problems are no failures.
void CheckMessages(_ZedizAdo* o) {
  o->Reset();
  InternalDatums bad = static_cast<InternalDatums>(0);
  CheckHr(o->put_DatumFrom(&bad), S_OK, "DatumFrom put 0 succeeds");
  CheckText(ErrorAfter(o), kUnknownDatumFrom, "DatumFrom 0");
  CheckHr(o->Conversion(), S_OK, "Conversion without datum succeeds");
  CheckText(ErrorAfter(o), kDatumNotSet, "datum not set");
  bad = static_cast<InternalDatums>(9);
  o->put_DatumDest(&bad);
  CheckText(ErrorAfter(o), kUnknownDatumDest, "DatumDest 9");
  SetDatums(o, mvBelgium1972, mvBelgium1972);
  CheckText(ErrorAfter(o), kUnknownDatumDest, "a message stays until Reset");
  o->Reset();
  CheckText(ErrorAfter(o), L"", "Reset empties Error");
  CheckHr(o->Conversion(), S_OK, "Conversion without input kind");
  CheckText(ErrorAfter(o), kUnknownOrigType, "no input kind");

  CheckHr(Degrees(o, mvBelgium1972, mvBelgium1972, 90.0000001, 4), S_OK, "latitude above 90");
  CheckText(ErrorAfter(o), kBadDeg, "bad degrees");
  CheckHr(Lambert(o, -1, 100), S_OK, "negative Lambert X");
  CheckText(ErrorAfter(o), kBadLambert, "bad Lambert");

  o->Reset();
  SetKind(o, mvDegMinSec);
  short minutes = 61;
  o->put_LatDmsMin(&minutes);
  o->Conversion();
  CheckText(ErrorAfter(o), kBadDms, "bad DMS");
  minutes = 0;
  o->put_LatDmsMin(&minutes);

  o->Reset();
  SetKind(o, mvIFBL);
  Bstr code(L"E");
  o->put_IFBL(code.InOut());
  o->Conversion();
  CheckText(ErrorAfter(o), kBadIfbl, "bad IFBL");

  o->Reset();
  SetKind(o, mvMgrs);
  Bstr reference(L"31UFS1");
  o->put_MGRS(reference.InOut());
  o->Conversion();
  CheckText(ErrorAfter(o), kBadMgrsPrefix + L"31UFS1)", "bad MGRS, with its text");

  // Text other than ASCII survives the trip to UTF-8 and back.
  Bstr unicode(L"  \u00e9\u20ac\U0001F600x  ");
  o->put_MGRS(unicode.InOut());
  Bstr back;
  o->get_MGRS(back.Out());
  CheckText(back.Text(), L"\u00e9\u20ac\U0001F600x", "MGRS text beyond ASCII");
}

std::wstring ErrorDescription(const GUID* expectedSource) {
  IErrorInfo* info = nullptr;
  if (!CheckHr(GetErrorInfo(0, &info), S_OK, "error information") || !info) return L"";
  Bstr description, source;
  GUID guid{};
  info->GetDescription(description.Out());
  info->GetSource(source.Out());
  info->GetGUID(&guid);
  CheckText(source.Text(), L"Morvane.ZedizAdo", "error source");
  Check(IsEqualGUID(guid, *expectedSource), "error interface");
  info->Release();
  return description.Text();
}

// Failures reach the client as their HRESULTs, with error information,
// and leave the object as it was.
void CheckFailures(_ZedizAdo* o) {
  ISupportErrorInfo* support = nullptr;
  if (CheckHr(o->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)), S_OK,
              "ISupportErrorInfo")) {
    CheckHr(support->InterfaceSupportsErrorInfo(IID__ZedizAdo), S_OK, "error info for _ZedizAdo");
    CheckHr(support->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE, "none for IDispatch");
    support->Release();
  }

  CheckHr(Degrees(o, mvWGS1984, mvBelgium1972, 50.8, 4.35), S_OK, "a conversion");
  OriginalCoordinates six = static_cast<OriginalCoordinates>(6);
  CheckHr(o->put_OrigType(&six), S_OK, "OrigType 6 is stored");
  const Outputs before = Read(o);
  CheckText(before.Error, kUnknownOrigType, "OrigType 6 leaves its message");
  CheckHr(o->Conversion(), kIndexOutOfRange, "OrigType 6: index outside the table");
  const std::wstring description = ErrorDescription(&IID__ZedizAdo);
  Check(description.rfind(L"IndexOutOfRange", 0) == 0, "description names the failure");
  Check(Same(Read(o), before), "a failed Conversion changes nothing");

  SetKind(o, mvDeg);
  InternalDatums seven = static_cast<InternalDatums>(7);
  o->put_DatumFrom(&seven);
  CheckText(ErrorAfter(o), kUnknownDatumFrom, "DatumFrom 7 leaves its message");
  const Outputs before7 = Read(o);
  CheckHr(o->Conversion(), kIndexOutOfRange, "DatumFrom 7: index outside the table");
  ErrorDescription(&IID__ZedizAdo);
  Check(Same(Read(o), before7), "unchanged after the failure");
  SetDatums(o, mvWGS1984, mvBelgium1972);
  CheckHr(o->Conversion(), S_OK, "works again with sound datums");
}

// --- IDispatch by name -----------------------------------------------------

struct Dispatcher {
  IDispatch* Object;

  DISPID Id(const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    CheckHr(Object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK, "dispatch id");
    return id;
  }

  HRESULT Get(const wchar_t* name, VARIANT& result, EXCEPINFO* exception = nullptr) {
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    VariantInit(&result);
    return Object->Invoke(Id(name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                          &result, exception, nullptr);
  }

  HRESULT Put(const wchar_t* name, VARIANT value) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&value, &named, 1, 1};
    return Object->Invoke(Id(name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params,
                          nullptr, nullptr, nullptr);
  }

  HRESULT Call(const wchar_t* name, EXCEPINFO* exception) {
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    const HRESULT hr = Object->Invoke(Id(name), IID_NULL, LOCALE_USER_DEFAULT,
                                      DISPATCH_METHOD, &none, &result, exception, nullptr);
    VariantClear(&result);
    return hr;
  }

  double Double(const wchar_t* name) {
    VARIANT v;
    CheckHr(Get(name, v), S_OK, "dispatch get");
    VariantChangeType(&v, &v, 0, VT_R8);
    return V_R8(&v);
  }

  std::wstring Text(const wchar_t* name) {
    VARIANT v;
    CheckHr(Get(name, v), S_OK, "dispatch text get");
    Check(V_VT(&v) == VT_BSTR, "text comes as a BSTR");
    std::wstring text(V_VT(&v) == VT_BSTR && V_BSTR(&v) ? V_BSTR(&v) : L"");
    VariantClear(&v);
    return text;
  }
};

VARIANT Int(LONG value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}
VARIANT Real(double value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_R8;
  V_R8(&v) = value;
  return v;
}

void CheckDispatch(IDispatch* object) {
  Dispatcher d{object};
  UINT count = 0;
  CheckHr(object->GetTypeInfoCount(&count), S_OK, "GetTypeInfoCount");
  Check(count == 1, "one type information");

  // Every name resolves, in any case; get and put share their identifier.
  const wchar_t* names[] = {L"IfblPrecision", L"mgrsPrecision", L"Conversion", L"LatDmsDeg",
                            L"LonDmsMin",     L"LatDmsMin",     L"LatDmsSec",  L"LonDmsDeg",
                            L"LonDmsSec",     L"Easting",       L"DatumDest",  L"DatumFrom",
                            L"Error",         L"IFBL",          L"Latitude",   L"Longitude",
                            L"MGRS",          L"Northing",      L"X",          L"OrigType",
                            L"Reset",         L"Y"};
  for (const wchar_t* name : names) Check(d.Id(name) > 0, "named member");
  Check(d.Id(L"conversion") == d.Id(L"Conversion"), "names ignore case");
  {
    DISPID id = 0;
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"Altitude")};
    CheckHr(object->GetIDsOfNames(IID_NULL, unknown, 1, 0, &id), DISP_E_UNKNOWNNAME, "unknown name");
    VARIANT v;
    CheckHr(object->Invoke(d.Id(L"X"), IID_IDispatch, 0, DISPATCH_PROPERTYGET, nullptr, &v,
                           nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE, "riid must be IID_NULL");
  }

  // Every put by name, by value, as a script engine passes a constant.
  CheckHr(d.Call(L"Reset", nullptr), S_OK, "Reset by name");
  CheckHr(d.Put(L"IfblPrecision", Int(4)), S_OK, "IfblPrecision by name");
  CheckHr(d.Put(L"mgrsPrecision", Int(10000)), S_OK, "mgrsPrecision by name");
  CheckHr(d.Put(L"DatumFrom", Int(mvWGS1984)), S_OK, "DatumFrom by name");
  CheckHr(d.Put(L"DatumDest", Int(mvBelgium1972)), S_OK, "DatumDest by name");
  CheckHr(d.Put(L"OrigType", Int(mvDegMinSec)), S_OK, "OrigType by name");
  CheckHr(d.Put(L"LatDmsDeg", Int(50)), S_OK, "LatDmsDeg by name");
  CheckHr(d.Put(L"LatDmsMin", Int(48)), S_OK, "LatDmsMin by name");
  CheckHr(d.Put(L"LatDmsSec", Real(0)), S_OK, "LatDmsSec by name");
  CheckHr(d.Put(L"LonDmsDeg", Int(4)), S_OK, "LonDmsDeg by name");
  CheckHr(d.Put(L"LonDmsMin", Int(21)), S_OK, "LonDmsMin by name");
  CheckHr(d.Put(L"LonDmsSec", Real(0)), S_OK, "LonDmsSec by name");
  CheckHr(d.Put(L"Latitude", Real(1)), S_OK, "Latitude by name");
  CheckHr(d.Put(L"Longitude", Real(2)), S_OK, "Longitude by name");
  CheckHr(d.Put(L"X", Real(3)), S_OK, "X by name");
  CheckHr(d.Put(L"Y", Real(4)), S_OK, "Y by name");
  CheckHr(d.Put(L"Northing", Real(5)), S_OK, "Northing by name");
  CheckHr(d.Put(L"Easting", Real(6)), S_OK, "Easting by name");
  {
    VARIANT text;
    VariantInit(&text);
    V_VT(&text) = VT_BSTR;
    V_BSTR(&text) = SysAllocString(L" 31ufs ");
    CheckHr(d.Put(L"MGRS", text), S_OK, "MGRS by name");
    VariantClear(&text);
    CheckText(d.Text(L"MGRS"), L"31ufs", "MGRS stored");
    V_VT(&text) = VT_BSTR;
    V_BSTR(&text) = SysAllocString(L"e5 ");
    CheckHr(d.Put(L"IFBL", text), S_OK, "IFBL by name");
    VariantClear(&text);
    CheckText(d.Text(L"IFBL"), L"e5", "IFBL stored");
  }
  Check(d.Double(L"IfblPrecision") == 4 && d.Double(L"mgrsPrecision") == 10000, "precisions");
  Check(d.Double(L"Latitude") == 1 && d.Double(L"Longitude") == 2 && d.Double(L"X") == 3 &&
            d.Double(L"Y") == 4 && d.Double(L"Northing") == 5 && d.Double(L"Easting") == 6,
        "numbers stored by name");

  // A conversion by name, every get by name.
  CheckHr(d.Call(L"Conversion", nullptr), S_OK, "Conversion by name");
  CheckText(d.Text(L"Error"), L"", "no message");
  Check(d.Double(L"OrigType") == static_cast<double>(mvDegMinSec), "OrigType by name");
  CheckNear(d.Double(L"Latitude"), 50.8005444904614, 1e-6, "latitude from DMS on BD 72");
  CheckNear(d.Double(L"Longitude"), 4.35 - 0.00126537, 1e-6, "longitude from DMS on BD 72");
  Check(d.Double(L"LatDmsDeg") == 50 && d.Double(L"LatDmsMin") == 48, "DMS recomputed: latitude");
  Check(d.Double(L"LonDmsDeg") == 4 && d.Double(L"LonDmsMin") == 20, "DMS recomputed: longitude");
  CheckNear(d.Double(L"LatDmsSec"), 1.96, 0.01, "latitude seconds");
  CheckNear(d.Double(L"LonDmsSec"), 55.445, 0.01, "longitude seconds");
  CheckNear(d.Double(L"X"), 148678, 3, "X");
  CheckNear(d.Double(L"Y"), 165505, 3, "Y");
  Check(d.Text(L"IFBL").size() == 4, "IFBL at precision 4");
  Check(d.Text(L"MGRS").size() == 7, "MGRS at 10 km");
  Check(d.Double(L"Northing") > 5600000 && d.Double(L"Easting") > 500000, "UTM");

  // A reference to the caller's own text is written back, whether it
  // refers to a BSTR or (as scripts pass variables) to a VARIANT.
  {
    DISPID named = DISPID_PROPERTYPUT;
    BSTR text = SysAllocString(L" e5.35.41 ");
    VARIANT reference;
    VariantInit(&reference);
    V_VT(&reference) = VT_BYREF | VT_BSTR;
    V_BSTRREF(&reference) = &text;
    DISPPARAMS params = {&reference, &named, 1, 1};
    CheckHr(object->Invoke(d.Id(L"IFBL"), IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr,
                           nullptr, nullptr),
            S_OK, "IFBL put of a BSTR reference");
    CheckText(std::wstring(text, SysStringLen(text)), L"e53541", "BSTR written back");
    SysFreeString(text);

    VARIANT variable;
    VariantInit(&variable);
    V_VT(&variable) = VT_BSTR;
    V_BSTR(&variable) = SysAllocString(L"f5 16 34");
    V_VT(&reference) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&reference) = &variable;
    CheckHr(object->Invoke(d.Id(L"IFBL"), IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr,
                           nullptr, nullptr),
            S_OK, "IFBL put of a VARIANT reference");
    Check(V_VT(&variable) == VT_BSTR, "variable still text");
    CheckText(V_BSTR(&variable), L"f51634", "VARIANT written back");
    CheckText(d.Text(L"IFBL"), L"f51634", "IFBL stored");

    // A number variable keeps its own type when the put leaves it alone.
    VariantClear(&variable);
    V_VT(&variable) = VT_I2;
    V_I2(&variable) = 7;
    CheckHr(object->Invoke(d.Id(L"X"), IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr,
                           nullptr, nullptr),
            S_OK, "X put of a VARIANT reference");
    Check(V_VT(&variable) == VT_I2 && V_I2(&variable) == 7, "variable untouched");
    Check(d.Double(L"X") == 7, "X stored from the variable");
    V_VT(&variable) = VT_I4;
    V_I4(&variable) = 3;
    CheckHr(object->Invoke(d.Id(L"OrigType"), IID_NULL, 0, DISPATCH_PROPERTYPUT, &params,
                           nullptr, nullptr, nullptr),
            S_OK, "OrigType put of a VARIANT reference");
    Check(d.Double(L"OrigType") == 3, "OrigType stored from the variable");
    V_VT(&variable) = VT_I4;
    V_I4(&variable) = 2;
    CheckHr(object->Invoke(d.Id(L"IfblPrecision"), IID_NULL, 0, DISPATCH_PROPERTYPUT, &params,
                           nullptr, nullptr, nullptr),
            S_OK, "IfblPrecision put of a VARIANT reference");
    Check(d.Double(L"IfblPrecision") == 2, "IfblPrecision stored from the variable");
    VariantClear(&variable);
    V_VT(&variable) = VT_BSTR;
    V_BSTR(&variable) = SysAllocString(L"not a number");
    CheckHr(object->Invoke(d.Id(L"X"), IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr,
                           nullptr, nullptr),
            DISP_E_TYPEMISMATCH, "text for a number");
    VariantClear(&variable);
  }

  // What the interface does not have.
  {
    VARIANT v;
    Check(FAILED(d.Get(L"DatumFrom", v)), "DatumFrom has no get");
    Check(FAILED(d.Get(L"DatumDest", v)), "DatumDest has no get");
    VARIANT text;
    VariantInit(&text);
    V_VT(&text) = VT_BSTR;
    V_BSTR(&text) = SysAllocString(L"x");
    Check(FAILED(d.Put(L"Error", text)), "Error has no put");
    VariantClear(&text);
  }

  // A failure by name: DISP_E_EXCEPTION with the failure in EXCEPINFO.
  CheckHr(d.Put(L"OrigType", Int(6)), S_OK, "OrigType 6 by name");
  CheckText(d.Text(L"Error"), kUnknownOrigType, "its message");
  EXCEPINFO exception{};
  CheckHr(d.Call(L"Conversion", &exception), DISP_E_EXCEPTION, "failure by name");
  CheckHr(exception.scode, kIndexOutOfRange, "failure code in EXCEPINFO");
  const std::wstring description = exception.bstrDescription ? exception.bstrDescription : L"";
  Check(description.rfind(L"IndexOutOfRange", 0) == 0, "description in EXCEPINFO");
  CheckText(exception.bstrSource ? exception.bstrSource : L"", L"Morvane.ZedizAdo", "source");
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrHelpFile);

  CheckHr(d.Call(L"Reset", nullptr), S_OK, "Reset by name");
  Check(d.Double(L"OrigType") == 0 && d.Double(L"X") == 0, "Reset by name clears");
}

// --- Reference counting, class object and unloading -------------------------

using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

template <typename F>
F Export(HMODULE module, const char* name) {
  F function = nullptr;
  FARPROC address = GetProcAddress(module, name);
  std::memcpy(&function, &address, sizeof(function));
  return function;
}

void CheckLifetime(CanUnloadNow canUnload, GetClassObject getClassObject, const CLSID& clsid) {
  CheckHr(canUnload(), S_OK, "nothing alive: the server may unload");

  _ZedizAdo* object = nullptr;
  CheckHr(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__ZedizAdo,
                           reinterpret_cast<void**>(&object)),
          S_OK, "CoCreateInstance");
  if (!object) return;
  CheckHr(canUnload(), S_FALSE, "a live object keeps the server");
  Check(object->AddRef() == 2, "AddRef counts");
  IUnknown* unknown = nullptr;
  IDispatch* dispatch = nullptr;
  ISupportErrorInfo* support = nullptr;
  object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown));
  object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
  object->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support));
  Check(unknown == static_cast<IUnknown*>(object) && dispatch == static_cast<IDispatch*>(object),
        "one identity");
  IUnknown* supportUnknown = nullptr;
  support->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&supportUnknown));
  Check(supportUnknown == unknown, "same identity through ISupportErrorInfo");
  Check(object->Release() == 5, "five references");
  supportUnknown->Release();
  support->Release();
  dispatch->Release();
  unknown->Release();
  void* none = reinterpret_cast<void*>(1);
  CheckHr(object->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE, "no such interface");
  Check(none == nullptr, "null on E_NOINTERFACE");
  CheckHr(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER, "null out pointer");

  _ZedizAdo* second = nullptr;
  CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__ZedizAdo,
                   reinterpret_cast<void**>(&second));
  double x = 1;
  object->put_X(&x);
  double other = 0;
  second->get_X(&other);
  Check(other == 0, "objects do not share state");
  Check(second->Release() == 0, "second object gone");
  CheckHr(canUnload(), S_FALSE, "first object still alive");
  Check(object->Release() == 0, "last reference");
  CheckHr(canUnload(), S_OK, "all objects gone");

  // The class object and its locks.
  IClassFactory* factory = nullptr;
  CheckHr(getClassObject(IID__ZedizAdo, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
          CLASS_E_CLASSNOTAVAILABLE, "another class");
  CheckHr(getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK,
          "class object");
  if (!factory) return;
  CheckHr(canUnload(), S_FALSE, "a reference to the class object keeps the server");
  CheckHr(factory->LockServer(TRUE), S_OK, "lock");
  factory->Release();
  CheckHr(canUnload(), S_FALSE, "a lock keeps the server");
  getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  CheckHr(factory->LockServer(FALSE), S_OK, "unlock");
  IUnknown* outer = reinterpret_cast<IUnknown*>(factory);
  void* created = nullptr;
  CheckHr(factory->CreateInstance(outer, IID_IUnknown, &created), CLASS_E_NOAGGREGATION,
          "no aggregation");
  CheckHr(factory->CreateInstance(nullptr, IID_IClassFactory, &created), E_NOINTERFACE,
          "object without that interface");
  Check(created == nullptr, "nothing created");
  CheckHr(factory->CreateInstance(nullptr, IID_IDispatch, &created), S_OK, "created by factory");
  factory->Release();
  CheckHr(canUnload(), S_FALSE, "object from the factory alive");
  static_cast<IDispatch*>(created)->Release();
  CheckHr(canUnload(), S_OK, "everything released");
}

// The caller's floating-point environment survives a conversion.
void CheckFloatingPointEnvironment(_ZedizAdo* o) {
  std::feclearexcept(FE_ALL_EXCEPT);
  volatile double zero = 0;
  volatile double quotient = 1 / zero;
  (void)quotient;
  const unsigned controlBefore = _controlfp(0, 0);
  Check(std::fetestexcept(FE_DIVBYZERO) != 0, "the client's own division by zero");
  CheckHr(Degrees(o, mvWGS1984, mvBelgium1972, 50.8, 4.35), S_OK,
          "a client's pending fault does not make Conversion fail");
  Check(std::fetestexcept(FE_DIVBYZERO) != 0, "the client's flag is still set");
  Check(_controlfp(0, 0) == controlBefore, "the client's control word is unchanged");
  std::feclearexcept(FE_ALL_EXCEPT);
}

std::wstring RegisteredServerPath(const std::wstring& clsidText) {
  wchar_t path[MAX_PATH] = {};
  DWORD bytes = sizeof(path);
  const std::wstring key = L"CLSID\\" + clsidText + L"\\InprocServer32";
  RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, path, &bytes);
  wchar_t model[32] = {};
  bytes = sizeof(model);
  RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), L"ThreadingModel", RRF_RT_REG_SZ, nullptr, model,
               &bytes);
  CheckText(model, L"Apartment", "threading model");
  return path;
}

}  // namespace

int main() {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    std::printf("FAIL: CoInitializeEx\n");
    return 1;
  }

  CLSID clsid{};
  CheckHr(CLSIDFromProgID(L"Morvane.ZedizAdo", &clsid), S_OK, "ProgID registered");
  Check(IsEqualCLSID(clsid, CLSID_ZedizAdo), "ProgID names the class");
  LPOLESTR progId = nullptr;
  if (CheckHr(ProgIDFromCLSID(clsid, &progId), S_OK, "ProgID of the class")) {
    CheckText(progId, L"Morvane.ZedizAdo", "ProgID text");
    CoTaskMemFree(progId);
  }
  wchar_t clsidText[40];
  StringFromGUID2(clsid, clsidText, 40);
  const std::wstring path = RegisteredServerPath(clsidText);
  HMODULE server = LoadLibraryW(path.c_str());
  auto canUnload = server ? Export<CanUnloadNow>(server, "DllCanUnloadNow") : nullptr;
  auto getClassObject = server ? Export<GetClassObject>(server, "DllGetClassObject") : nullptr;
  if (!Check(canUnload && getClassObject, "registered server and its exports")) return 1;

  ITypeLib* library = nullptr;
  if (CheckHr(LoadRegTypeLib(LIBID_Morvane, 1, 0, LOCALE_NEUTRAL, &library), S_OK,
              "type library registered")) {
    CheckLibrary(library);
    library->Release();
  }

  CheckLifetime(canUnload, getClassObject, clsid);

  _ZedizAdo* object = nullptr;
  if (CheckHr(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__ZedizAdo,
                               reinterpret_cast<void**>(&object)),
              S_OK, "CoCreateInstance by ProgID")) {
    ITypeInfo* info = nullptr;
    if (CheckHr(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info), S_OK, "GetTypeInfo")) {
      CheckInterfaceLayout(info);
      info->Release();
    }
    CheckHr(object->GetTypeInfo(1, 0, &info), DISP_E_BADINDEX, "one type information only");
    WalkSlots(object);
    CheckConversions(object);
    CheckMessages(object);
    CheckFailures(object);
    CheckDispatch(object);
    CheckFloatingPointEnvironment(object);
    Check(object->Release() == 0, "released");
  }
  CheckHr(canUnload(), S_OK, "the server may unload at the end");

  FreeLibrary(server);
  CoUninitialize();
  std::printf("%s: %d checks, %d failed\n", Failures ? "FAILED" : "PASSED", Checks, Failures);
  return Failures;
}
