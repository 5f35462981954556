// Client test of the registered automation server across threads and
// apartments, run under Wine or on Windows after regsvr32.
//
// The main thread (a single-threaded apartment, with the floating-point
// state a program starts with) converts a fixed list of random requests.
// Then, all at once, several threads, each in its own single-threaded
// apartment with its own object, convert the same list with another
// floating-point state left on the thread (x87 precision 53 or 64 bits,
// rounding upward, division by zero unmasked, fault flags pending), and a
// thread in the multithreaded apartment converts part of it through the
// proxy of an object that lives in the main apartment.  Every result must
// have the bits of the main thread's, and every thread must get its own
// floating-point state back after each call.  The MTA client also checks
// that the IFBL put writes the tidied text back through the proxy and that
// failure HRESULTs and their error information reach it.
//
// Prints one line per failed check, the digest of the results (which must
// be the same for the 32-bit and the 64-bit server) and a summary; the exit
// code is the number of failed checks.  Given two file names after the
// count, writes the requests there as JSON lines and the main thread's
// results as the command-line tool answers them.
#include <windows.h>
#include <oleauto.h>

#include <atomic>
#include <charconv>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include <initguid.h>

#include "server/morvane.h"

namespace {

std::atomic<int> Checks{0};
std::atomic<int> Failures{0};

bool Check(bool ok, const char* thread, const char* what) {
  ++Checks;
  if (!ok) {
    ++Failures;
    std::printf("FAIL [%s] %s\n", thread, what);
  }
  return ok;
}

// --- Floating-point state of a thread --------------------------------------

struct FpState {
  unsigned short X87Control;
  unsigned Mxcsr;
  unsigned short X87Flags = 0;
};

unsigned short X87Control() {
  unsigned short control;
  asm volatile("fnstcw %0" : "=m"(control));
  return control;
}

unsigned Mxcsr() {
  unsigned csr;
  asm volatile("stmxcsr %0" : "=m"(csr));
  return csr;
}

unsigned short X87Flags() {
  unsigned short status;
  asm volatile("fnstsw %0" : "=am"(status));
  return status & 0x3F;
}

FpState CurrentState() { return {X87Control(), Mxcsr(), X87Flags()}; }

void Enter(const FpState& state) {
  asm volatile("fclex");
  asm volatile("fldcw %0" : : "m"(state.X87Control));
  asm volatile("ldmxcsr %0" : : "m"(state.Mxcsr));
}

struct Variant {
  const char* Name;
  FpState State;
};

// x87 control word: precision in bits 8-9 (10: 53 bits, 11: 64 bits),
// rounding in bits 10-11 (10: upward), exception masks in bits 0-5 (bit 2:
// division by zero).  MXCSR: masks in bits 7-12, rounding in bits 13-14,
// flags in bits 0-5.
constexpr Variant kVariants[] = {
    {"x87 24-bit precision", {0x007F, 0x1F80}},
    {"x87 53-bit precision", {0x027F, 0x1F80}},
    {"x87 64-bit precision", {0x037F, 0x1F80}},
    {"rounding upward", {0x0B7F, 0x5F80}},
    {"rounding downward, x87 53-bit", {0x067F, 0x3F80}},
    {"rounding toward zero", {0x0F7F, 0x7F80}},
    {"division by zero unmasked", {0x037B, 0x1D80}},
    {"every exception but inexact unmasked, x87 53-bit", {0x0260, 0x1000}},
    {"fault flags pending", {0x027F, 0x1F80 | 0x3F}},
};

// --- Requests and results --------------------------------------------------

struct Request {
  OriginalCoordinates Kind;
  InternalDatums From, To;
  double A, B;             // degrees, or Lambert X and Y
  short Dms[4];            // DMS degrees and minutes
  float Seconds[2];        // DMS seconds
};

struct Result {
  double Values[6];
  short Shorts[4];
  float Floats[2];
  std::wstring Texts[3];
  HRESULT Status;
  bool StateKept;  // the thread's floating-point state after Conversion is the one before
};

// A fixed pseudo-random sequence, the same on every platform.
struct Random {
  std::uint64_t State = 0x9E3779B97F4A7C15u;
  double Next(double low, double high) {
    State = State * 6364136223846793005u + 1442695040888963407u;
    return low + (high - low) * static_cast<double>(State >> 11) * 0x1.0p-53;
  }
};

std::vector<Request> MakeRequests(int count) {
  std::vector<Request> requests;
  Random random;
  for (int i = 0; i < count; ++i) {
    Request r{};
    switch (i % 4) {
      case 0:  // degrees in Europe, WGS 1984 to the Belgian datum
      case 1:
        r.Kind = mvDeg;
        r.From = mvWGS1984;
        r.To = mvBelgium1972;
        r.A = random.Next(36, 71);
        r.B = random.Next(-10, 30);
        break;
      case 2:  // Lambert 72 in and around Belgium, to WGS 1984
        r.Kind = mvLambert72;
        r.From = mvBelgium1972;
        r.To = mvWGS1984;
        r.A = random.Next(22000, 295000);
        r.B = random.Next(20000, 245000);
        break;
      default: {  // DMS, European 1950 to the NTF
        r.Kind = mvDegMinSec;
        r.From = mvEuropeanData1950;
        r.To = mvNTF;
        r.Dms[0] = static_cast<short>(random.Next(42, 55));
        r.Dms[1] = static_cast<short>(random.Next(0, 60));
        r.Dms[2] = static_cast<short>(random.Next(-4, 9));
        r.Dms[3] = static_cast<short>(random.Next(0, 60));
        r.Seconds[0] = static_cast<float>(random.Next(0, 60));
        r.Seconds[1] = static_cast<float>(random.Next(0, 60));
        break;
      }
    }
    requests.push_back(r);
  }
  return requests;
}

class Bstr {
 public:
  Bstr() = default;
  ~Bstr() { SysFreeString(text_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR* Out() {
    SysFreeString(text_);
    text_ = nullptr;
    return &text_;
  }
  std::wstring Text() const { return text_ ? std::wstring(text_, SysStringLen(text_)) : L""; }

 private:
  BSTR text_ = nullptr;
};

Result Convert(_ZedizAdo* o, Request r) {
  Result out{};
  o->Reset();
  o->put_DatumFrom(&r.From);
  o->put_DatumDest(&r.To);
  o->put_OrigType(&r.Kind);
  o->put_mgrsPrecision(1);
  o->put_IfblPrecision(6);
  if (r.Kind == mvDeg) {
    o->put_Latitude(&r.A);
    o->put_Longitude(&r.B);
  } else if (r.Kind == mvLambert72) {
    o->put_X(&r.A);
    o->put_Y(&r.B);
  } else {
    o->put_LatDmsDeg(&r.Dms[0]);
    o->put_LatDmsMin(&r.Dms[1]);
    o->put_LatDmsSec(&r.Seconds[0]);
    o->put_LonDmsDeg(&r.Dms[2]);
    o->put_LonDmsMin(&r.Dms[3]);
    o->put_LonDmsSec(&r.Seconds[1]);
  }
  const FpState before = CurrentState();
  out.Status = o->Conversion();
  const FpState after = CurrentState();
  out.StateKept = before.X87Control == after.X87Control && before.Mxcsr == after.Mxcsr &&
                  X87Flags() == before.X87Flags;
  o->get_Latitude(&out.Values[0]);
  o->get_Longitude(&out.Values[1]);
  o->get_X(&out.Values[2]);
  o->get_Y(&out.Values[3]);
  o->get_Northing(&out.Values[4]);
  o->get_Easting(&out.Values[5]);
  o->get_LatDmsDeg(&out.Shorts[0]);
  o->get_LatDmsMin(&out.Shorts[1]);
  o->get_LonDmsDeg(&out.Shorts[2]);
  o->get_LonDmsMin(&out.Shorts[3]);
  o->get_LatDmsSec(&out.Floats[0]);
  o->get_LonDmsSec(&out.Floats[1]);
  Bstr texts[3];
  o->get_MGRS(texts[0].Out());
  o->get_IFBL(texts[1].Out());
  o->get_Error(texts[2].Out());
  for (int i = 0; i < 3; ++i) out.Texts[i] = texts[i].Text();
  return out;
}

bool SameBits(const Result& a, const Result& b) {
  return std::memcmp(a.Values, b.Values, sizeof(a.Values)) == 0 &&
         std::memcmp(a.Shorts, b.Shorts, sizeof(a.Shorts)) == 0 &&
         std::memcmp(a.Floats, b.Floats, sizeof(a.Floats)) == 0 && a.Texts[0] == b.Texts[0] &&
         a.Texts[1] == b.Texts[1] && a.Texts[2] == b.Texts[2] && a.Status == b.Status;
}

// FNV-1a over every result's bits.
std::uint64_t Digest(const std::vector<Result>& results) {
  std::uint64_t hash = 0xCBF29CE484222325u;
  auto add = [&](const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 0x100000001B3u;
  };
  for (const Result& r : results) {
    add(r.Values, sizeof(r.Values));
    add(r.Shorts, sizeof(r.Shorts));
    add(r.Floats, sizeof(r.Floats));
    for (const std::wstring& text : r.Texts) add(text.data(), text.size() * sizeof(wchar_t));
    add(&r.Status, sizeof(r.Status));
  }
  return hash;
}

// A number as JSON, in the fewest digits that read back as the same bits.
std::string Number(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

// A text as a JSON string, in UTF-8.
std::string JsonText(const std::wstring& text) {
  std::string utf8;
  if (!text.empty()) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(size));
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size,
                        nullptr, nullptr);
  }
  std::string out = "\"";
  for (const char c : utf8) {
    if (c == '"' || c == '\\') out += '\\';
    if (static_cast<unsigned char>(c) < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// The requests as the command-line tool reads JSON lines (the properties
// put in the order this client puts them, on a fresh object), and the main
// thread's results with the names of the tool's answers, so that a script
// can compare them with the tool's answers on any platform.
void Dump(const char* requestsPath, const char* answersPath, const std::vector<Request>& requests,
          const std::vector<Result>& results) {
  FILE* in = std::fopen(requestsPath, "wb");
  FILE* out = std::fopen(answersPath, "wb");
  if (!in || !out) {
    Check(false, "main thread", "the request and answer files can be written");
    if (in) std::fclose(in);
    if (out) std::fclose(out);
    return;
  }
  for (std::size_t i = 0; i < requests.size(); ++i) {
    const Request& q = requests[i];
    std::fprintf(in, "{\"DatumFrom\":%d,\"DatumDest\":%d,\"OrigType\":%d,\"mgrsPrecision\":1,"
                     "\"IfblPrecision\":6", static_cast<int>(q.From), static_cast<int>(q.To),
                 static_cast<int>(q.Kind));
    if (q.Kind == mvDeg) {
      std::fprintf(in, ",\"Latitude\":%s,\"Longitude\":%s", Number(q.A).c_str(), Number(q.B).c_str());
    } else if (q.Kind == mvLambert72) {
      std::fprintf(in, ",\"X\":%s,\"Y\":%s", Number(q.A).c_str(), Number(q.B).c_str());
    } else {
      std::fprintf(in, ",\"LatDmsDeg\":%d,\"LatDmsMin\":%d,\"LatDmsSec\":%s,\"LonDmsDeg\":%d,"
                       "\"LonDmsMin\":%d,\"LonDmsSec\":%s", q.Dms[0], q.Dms[1],
                   Number(q.Seconds[0]).c_str(), q.Dms[2], q.Dms[3], Number(q.Seconds[1]).c_str());
    }
    std::fprintf(in, "}\n");
    const Result& r = results[i];
    std::fprintf(out,
                 "{\"DatumFrom\":%d,\"DatumDest\":%d,\"OrigType\":%d,\"Latitude\":%s,"
                 "\"Longitude\":%s,\"LatDmsDeg\":%d,\"LatDmsMin\":%d,\"LatDmsSec\":%s,"
                 "\"LonDmsDeg\":%d,\"LonDmsMin\":%d,\"LonDmsSec\":%s,\"X\":%s,\"Y\":%s,"
                 "\"Northing\":%s,\"Easting\":%s,\"MGRS\":%s,\"IFBL\":%s,\"mgrsPrecision\":1,"
                 "\"IfblPrecision\":6,\"Error\":%s}\n",
                 static_cast<int>(q.From), static_cast<int>(q.To), static_cast<int>(q.Kind),
                 Number(r.Values[0]).c_str(), Number(r.Values[1]).c_str(), r.Shorts[0], r.Shorts[1],
                 Number(r.Floats[0]).c_str(), r.Shorts[2], r.Shorts[3], Number(r.Floats[1]).c_str(),
                 Number(r.Values[2]).c_str(), Number(r.Values[3]).c_str(), Number(r.Values[4]).c_str(),
                 Number(r.Values[5]).c_str(), JsonText(r.Texts[0]).c_str(), JsonText(r.Texts[1]).c_str(),
                 JsonText(r.Texts[2]).c_str());
  }
  std::fclose(in);
  std::fclose(out);
}

_ZedizAdo* CreateObject(const char* thread) {
  _ZedizAdo* object = nullptr;
  const HRESULT hr = CoCreateInstance(CLSID_ZedizAdo, nullptr, CLSCTX_INPROC_SERVER,
                                      IID__ZedizAdo, reinterpret_cast<void**>(&object));
  Check(SUCCEEDED(hr) && object, thread, "CoCreateInstance");
  return SUCCEEDED(hr) ? object : nullptr;
}

const std::vector<Request>* Requests = nullptr;
const std::vector<Result>* Reference = nullptr;

// Converts requests [0, count) on `object`, checking each result against
// the main thread's and that each call gives the thread's floating-point
// state back.
void ConvertAndCompare(_ZedizAdo* object, std::size_t count, const char* thread) {
  int differing = 0, stateChanged = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const Result r = Convert(object, (*Requests)[i]);
    if (!SameBits(r, (*Reference)[i])) ++differing;
    if (!r.StateKept) ++stateChanged;
  }
  char what[160];
  std::snprintf(what, sizeof what, "%d of %u results differ from the main thread's", differing,
                static_cast<unsigned>(count));
  Check(differing == 0, thread, what);
  std::snprintf(what, sizeof what, "floating-point state changed by %d of %u conversions",
                stateChanged, static_cast<unsigned>(count));
  Check(stateChanged == 0, thread, what);
}

HANDLE StartLine = nullptr;  // released once every thread is ready

DWORD WINAPI ApartmentThread(void* argument) {
  const Variant& variant = *static_cast<const Variant*>(argument);
  if (!Check(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)), variant.Name,
             "CoInitializeEx")) {
    return 1;
  }
  if (_ZedizAdo* object = CreateObject(variant.Name)) {
    WaitForSingleObject(StartLine, INFINITE);
    Enter(variant.State);
    ConvertAndCompare(object, Requests->size(), variant.Name);
    const FpState after = CurrentState();
    constexpr unsigned kMxcsrControl = ~0x3Fu;  // all but the flags
    Check(after.X87Control == variant.State.X87Control &&
              (after.Mxcsr & kMxcsrControl) == (variant.State.Mxcsr & kMxcsrControl),
          variant.Name, "the thread's control words are its own at the end");
    Enter({0x037F, 0x1F80});
    object->Release();
  }
  CoUninitialize();
  return 0;
}

// --- The multithreaded apartment -------------------------------------------

constexpr std::size_t kMtaRequests = 400;
IStream* MtaObjectStream = nullptr;

void CheckProxyExtras(_ZedizAdo* o, const char* thread) {
  // The by-reference IFBL put gives the tidied text back.
  BSTR text = SysAllocString(L" E4.25-43 ");
  Check(o->put_IFBL(&text) == S_OK, thread, "IFBL put through the proxy");
  Check(text && std::wstring(text) == L"E42543", thread,
        "IFBL put writes the tidied text back through the proxy");
  SysFreeString(text);

  // A failure reaches the caller with its HRESULT and error information.
  o->Reset();
  OriginalCoordinates unknown = static_cast<OriginalCoordinates>(6);
  o->put_OrigType(&unknown);
  Check(o->Conversion() == static_cast<HRESULT>(0x80040201), thread,
        "IndexOutOfRange HRESULT through the proxy");
  // Its error information travels with it where the COM runtime carries
  // error information across apartments (Windows does; Wine 8 does not).
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) == S_OK && info) {
    BSTR description = nullptr;
    info->GetDescription(&description);
    Check(description && std::wcsncmp(description, L"IndexOutOfRange", 15) == 0, thread,
          "error description through the proxy names the failure");
    SysFreeString(description);
    info->Release();
  } else {
    std::printf("note [%s]: no error information through the proxy\n", thread);
  }
  o->Reset();
}

DWORD WINAPI MultithreadedClient(void*) {
  const char* thread = "MTA client";
  if (!Check(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)), thread,
             "CoInitializeEx(COINIT_MULTITHREADED)")) {
    return 1;
  }
  // An object created here lives in an apartment of its threading model;
  // this one is handed over from the main apartment, whose thread serves
  // the calls.
  _ZedizAdo* object = nullptr;
  if (Check(CoGetInterfaceAndReleaseStream(MtaObjectStream, IID__ZedizAdo,
                                           reinterpret_cast<void**>(&object)) == S_OK &&
                object,
            thread, "proxy of the main apartment's object")) {
    const FpState mine{0x027F, 0x5F80};  // 53-bit precision, SSE rounding upward
    Enter(mine);
    ConvertAndCompare(object, kMtaRequests, thread);
    Enter({0x037F, 0x1F80});
    CheckProxyExtras(object, thread);
    object->Release();
  }
  // And one created by this apartment itself.
  if (_ZedizAdo* own = CreateObject(thread)) {
    ConvertAndCompare(own, kMtaRequests / 4, "MTA client, own object");
    CheckProxyExtras(own, "MTA client, own object");
    own->Release();
  }
  CoUninitialize();
  return 0;
}

// Waits for the threads while serving the calls that reach the main
// apartment.
void PumpUntilDone(const std::vector<HANDLE>& threads) {
  std::size_t done = 0;
  while (done < threads.size()) {
    const DWORD r = MsgWaitForMultipleObjects(1, &threads[done], FALSE, INFINITE, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) {
      ++done;
      continue;
    }
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 4000;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    std::printf("FAIL: CoInitializeEx\n");
    return 1;
  }
  const FpState start = CurrentState();
  std::printf("main thread: x87 control 0x%04X, MXCSR 0x%04X\n", start.X87Control, start.Mxcsr);

  const std::vector<Request> requests = MakeRequests(count);
  std::vector<Result> reference;
  _ZedizAdo* object = CreateObject("main thread");
  if (!object) return 1;
  for (const Request& r : requests) reference.push_back(Convert(object, r));
  Requests = &requests;
  Reference = &reference;
  int converted = 0;
  for (const Result& r : reference) converted += r.Status == S_OK && r.Texts[2].empty();
  Check(converted == count, "main thread", "every request converts without message");
  if (argc > 3) Dump(argv[2], argv[3], requests, reference);

  // The same object again on this thread: the same bits.
  ConvertAndCompare(object, requests.size(), "main thread, second pass");

  StartLine = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::vector<HANDLE> threads;
  for (const Variant& variant : kVariants) {
    threads.push_back(CreateThread(nullptr, 0, ApartmentThread,
                                   const_cast<Variant*>(&variant), 0, nullptr));
  }
  CoMarshalInterThreadInterfaceInStream(IID__ZedizAdo, object, &MtaObjectStream);
  threads.push_back(CreateThread(nullptr, 0, MultithreadedClient, nullptr, 0, nullptr));
  SetEvent(StartLine);
  PumpUntilDone(threads);
  for (HANDLE thread : threads) CloseHandle(thread);
  CloseHandle(StartLine);
  object->Release();

  std::printf("digest %016" PRIX64 " of %d results\n", Digest(reference), count);
  CoUninitialize();
  std::printf("%s: %d checks, %d failed\n", Failures ? "FAILED" : "PASSED", Checks.load(),
              Failures.load());
  return Failures;
}
