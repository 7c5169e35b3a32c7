#include "imaging/decoder_guard_win.h"

#include <windows.h>

#include <cstdint>

// How a fault is turned back into a return. The process-wide filter for
// unhandled exceptions is asked only after every handler of the faulting
// thread has declined the fault, so a decoder that handles its own faults
// (Windows' GDI+ does, for many damaged files) keeps doing so; and a fault
// outside a guarded call goes on to whatever filter was there before (the
// runtime's, then the system's report). For a fault inside a guarded call the
// filter lets the thread continue in Land, on the faulting thread's own stack
// below the frames that were active, and Land jumps back to RunGuarded.
//
// Why that is safe enough: the decoder's frames are abandoned, not unwound, so
// what they held is leaked: memory, and the lock of the decoder object that
// was decoding, an object nobody can reach any more. Process-wide locks (the
// heap's, the loader's) belong to the system's own library: a fault inside
// it is not caught, since the thread may hold one of them and the next
// allocation would then wait for ever; the program ends as it always did.
// A stack overflow is not caught either: its guard page would be gone.
namespace {

struct GuardFrame {
  void* jump[5] = {};  // __builtin_setjmp's buffer
  // The floating-point modes when the call began: a fault may come in the
  // middle of a decoder's work with other rounding or precision set, values
  // left on the x87 stack or the direction flag set for a backward copy.
  std::uint16_t x87Control = 0;
  std::uint32_t sseControl = 0;
#if defined(__i386__)
  // The thread's chain of exception registrations when the call began: the
  // abandoned frames' registrations are dropped from it on the way back.
  void* registrations = nullptr;
#endif
  GuardFrame* outer = nullptr;
};

thread_local GuardFrame* t_guard = nullptr;
LPTOP_LEVEL_EXCEPTION_FILTER g_previousFilter = nullptr;
// Where ntdll.dll (heap, loader, locks) lies in memory.
std::uintptr_t g_systemBegin = 0;
std::uintptr_t g_systemEnd = 0;

// Only a read is known to have changed nothing: a decoder that read through
// a bad pointer failed before it wrote. After a write, memory anywhere may be
// damaged; after a jump to nowhere (an execute fault), an illegal instruction
// and the like, nobody knows what ran before. Those go on to the system's
// report, as they would without the guard.
bool Recoverable(const EXCEPTION_RECORD& record) {
  if (record.ExceptionFlags & EXCEPTION_NONCONTINUABLE) return false;
  const auto at = reinterpret_cast<std::uintptr_t>(record.ExceptionAddress);
  if (at >= g_systemBegin && at < g_systemEnd) return false;
  constexpr ULONG_PTR kReadFault = 0;
  return record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record.NumberParameters >= 2 &&
         record.ExceptionInformation[0] == kReadFault;
}

[[noreturn]] __attribute__((noinline)) void Land() { __builtin_longjmp(t_guard->jump, 1); }

LONG WINAPI FaultFilter(EXCEPTION_POINTERS* info) {
  if (t_guard && info && info->ExceptionRecord && Recoverable(*info->ExceptionRecord)) {
    CONTEXT& c = *info->ContextRecord;
    // Land runs on the stack below the faulting frames, aligned as if called.
#if defined(__i386__)
    c.Esp = ((c.Esp - 1024) & ~DWORD{15}) - 4;
    c.Eip = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(&Land));
#elif defined(__x86_64__)
    c.Rsp = ((c.Rsp - 1024) & ~DWORD64{15}) - 8;
    c.Rip = static_cast<DWORD64>(reinterpret_cast<std::uintptr_t>(&Land));
#else
#error "no way back from a decoder fault on this processor"
#endif
    return EXCEPTION_CONTINUE_EXECUTION;
  }
  return g_previousFilter ? g_previousFilter(info) : EXCEPTION_CONTINUE_SEARCH;
}

// The processor as the compiler expects it at any call: direction flag
// clear, the x87 stack empty with the control word of before, MXCSR as before.
__attribute__((always_inline)) inline void SaveCpuModes(GuardFrame& frame) {
  asm volatile("fnstcw %0" : "=m"(frame.x87Control));
  asm volatile("stmxcsr %0" : "=m"(frame.sseControl));
}

__attribute__((always_inline)) inline void RestoreCpuModes(const GuardFrame& frame) {
  asm volatile("cld" : : : "cc");
  asm volatile("fninit\n\tfldcw %0" : : "m"(frame.x87Control));
  asm volatile("ldmxcsr %0" : : "m"(frame.sseControl));
}

#if defined(__i386__)
// The head of the thread's chain of exception registrations, at fs:[0].
void* Registrations() {
  void* head = nullptr;
  asm volatile("movl %%fs:0, %0" : "=r"(head));
  return head;
}
void SetRegistrations(void* head) { asm volatile("movl %0, %%fs:0" : : "r"(head) : "memory"); }
#endif

bool InstallFilter() {
  if (const HMODULE system = ::GetModuleHandleW(L"ntdll.dll")) {
    const auto* base = reinterpret_cast<const unsigned char*>(system);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    g_systemBegin = reinterpret_cast<std::uintptr_t>(base);
    g_systemEnd = g_systemBegin + nt->OptionalHeader.SizeOfImage;
  }
  g_previousFilter = ::SetUnhandledExceptionFilter(FaultFilter);
  return true;
}

}  // namespace

__attribute__((noinline)) std::int32_t RunGuarded(std::int32_t (*call)(void* context), void* context) {
  static const bool installed = InstallFilter();
  (void)installed;
  GuardFrame frame;
  frame.outer = t_guard;
#if defined(__i386__)
  frame.registrations = Registrations();
#endif
  SaveCpuModes(frame);
  if (__builtin_setjmp(frame.jump)) {
    // Back from Land: the call faulted.
    RestoreCpuModes(frame);
#if defined(__i386__)
    SetRegistrations(frame.registrations);
#endif
    t_guard = frame.outer;
    return kStatusDecoderFault;
  }
  t_guard = &frame;
  const std::int32_t status = call(context);
  t_guard = frame.outer;
  return status;
}
