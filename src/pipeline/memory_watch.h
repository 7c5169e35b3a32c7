#pragma once
// Free physical memory, the low-memory question, working-set trimming and the
// system version code that chooses between the memory interfaces. The memory
// functions are looked up by name at run time so that the program still
// starts on systems that lack them.
#include <cstdint>

// What the system reports about its version, as the extended version record
// holds it. Filled by the system on Windows; tests build their own.
struct OsVersionRecord {
  bool known = false;          // false when the query itself failed
  std::uint32_t platformId = 0;  // 1 = Windows 95/98/Me line, 2 = NT line
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::uint32_t productType = 0;  // 1 = workstation, 2 = domain controller, 3 = server
};

// Version codes the program compares against.
inline constexpr std::int32_t kOsCodeNt4 = 20;
inline constexpr std::int32_t kOsCodeWindows2000 = 50;
inline constexpr std::int32_t kOsCodeWindowsXp = 60;
inline constexpr std::int32_t kOsCodeUnknown = 200;

// The code for a version record: 10/30/40 for Windows 95/98/Me, 5 for NT 3,
// 20 for NT 4, 50 for 2000, 60 for XP, 65 for Server 2003, 70..105 for Vista
// to 8.1 (workstation / server), 110 for Windows 10, 120 for Windows 11;
// anything unknown counts as newer (200).
std::int32_t OsVersionCode(const OsVersionRecord& version);

// The rest talks to the system (Windows only).

// The true version: RtlGetVersion where ntdll offers it (not subject to the
// compatibility shims of GetVersionEx), else the extended version record.
OsVersionRecord QueryOsVersion();
std::int32_t GetOsVersionCode();

// 1 after a query, successful or not; 3 when kernel32 could not be opened.
// bytes is only written when the query succeeds.
std::int32_t GetFreePhysicalMemory(std::int64_t& bytes);

// Asks, centred on the main window, whether a build may go on although
// physical memory runs low. Returns the message box answer (1 OK, 2 Cancel).
std::int32_t AskLowMemory();

// 1 done, 3 the call failed or is missing, 8 not supported on this system.
std::int32_t EmptyProcessWorkingSet(void* process);
// EmptyProcessWorkingSet for the program's own process, result ignored.
void TrimWorkingSet();
