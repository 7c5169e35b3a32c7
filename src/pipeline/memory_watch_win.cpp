#include <windows.h>

#include "pipeline/memory_watch.h"
#include "ui/message_box.h"
#include "ui/win_handles.h"
#include "ui/window_helpers.h"

namespace {

template <typename F>
F LookUp(HMODULE module, const char* name) {
  // GetProcAddress returns a generic function pointer; the cast names its real type.
  return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// Single carriage returns break the lines; the eight blanks after "memory"
// belong to the text.
constexpr wchar_t kLowMemoryQuestion[] =
    L"Physical memory is running low."
    L"\r\rYou are trying to create a PDF too big to fit in the available physical memory"
    L"        "
    L"\rso the OS is swapping data to your hard disk and using the virtual memory."
    L"\r\rYou can go on and let the OS do its hard work or abort the current operation"
    L"\rto restart it again with more aggressive compression options."
    L"\r\r"
    L"\rDo you want to continue with the current operation ?"
    L"\r\r";

}  // namespace

OsVersionRecord QueryOsVersion() {
  OsVersionRecord record;
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof info;
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
  bool known = false;
  // ntdll is in every process; RtlGetVersion reports the true version where
  // GetVersionEx answers what the manifest lets it.
  if (const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll")) {
    if (const auto rtlGetVersion = LookUp<RtlGetVersionFn>(ntdll, "RtlGetVersion")) {
      known = rtlGetVersion(&info) == 0;
    }
  }
  if (!known) {
    info = {};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    known = ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info)) != 0;
#pragma GCC diagnostic pop
  }
  if (!known) return record;
  record.known = true;
  record.platformId = info.dwPlatformId;
  record.major = info.dwMajorVersion;
  record.minor = info.dwMinorVersion;
  record.build = info.dwBuildNumber;
  record.productType = info.wProductType;
  return record;
}

std::int32_t GetOsVersionCode() { return OsVersionCode(QueryOsVersion()); }

std::int32_t GetFreePhysicalMemory(std::int64_t& bytes) {
  const win::UniqueModule kernel(::LoadLibraryW(L"kernel32.dll"));
  if (!kernel) return 3;
  if (GetOsVersionCode() >= kOsCodeWindows2000) {
    using StatusExFn = BOOL(WINAPI*)(MEMORYSTATUSEX*);
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    const auto query = LookUp<StatusExFn>(kernel.get(), "GlobalMemoryStatusEx");
    if (query && query(&status)) bytes = static_cast<std::int64_t>(status.ullAvailPhys);
  } else {
    using StatusFn = void(WINAPI*)(MEMORYSTATUS*);
    MEMORYSTATUS status{};
    status.dwLength = sizeof status;
    // The count is unsigned: above 2 GB it must not turn negative.
    if (const auto query = LookUp<StatusFn>(kernel.get(), "GlobalMemoryStatus")) {
      query(&status);
      bytes = static_cast<std::int64_t>(status.dwAvailPhys);
    }
  }
  return 1;
}

std::int32_t AskLowMemory() {
  return ShowCentredMessage(MainWindow(), kLowMemoryQuestion, MB_OKCANCEL | MB_ICONEXCLAMATION);
}

std::int32_t EmptyProcessWorkingSet(void* process) {
  const win::UniqueModule psapi(::LoadLibraryW(L"Psapi.dll"));
  const std::int32_t version = GetOsVersionCode();
  if (!psapi || (version < kOsCodeWindows2000 && version != kOsCodeNt4)) return 8;
  using EmptyFn = BOOL(WINAPI*)(HANDLE);
  const auto empty = LookUp<EmptyFn>(psapi.get(), "EmptyWorkingSet");
  if (!empty) return 3;
  return empty(static_cast<HANDLE>(process)) ? 1 : 3;
}

void TrimWorkingSet() { EmptyProcessWorkingSet(::GetCurrentProcess()); }
