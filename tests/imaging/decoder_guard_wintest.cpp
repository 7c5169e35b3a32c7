#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>

#include "imaging/address_room.h"
#include "imaging/decoder_guard_win.h"

namespace {

// A fault the guard declines goes on to the filter it found installed: here
// one that notes it and steps over the faulting instruction (of known
// length), so that the test lives on to tell.
LPTOP_LEVEL_EXCEPTION_FILTER g_guardFilter = nullptr;
std::uintptr_t g_skip = 0;
bool g_declined = false;

LONG WINAPI StepOver(EXCEPTION_POINTERS* info) {
  const LONG verdict = g_guardFilter(info);
  if (verdict == EXCEPTION_CONTINUE_EXECUTION) return verdict;  // taken by the guard
  g_declined = true;
#if defined(__x86_64__)
  info->ContextRecord->Rip += g_skip;
#else
  info->ContextRecord->Eip += static_cast<DWORD>(g_skip);
#endif
  return EXCEPTION_CONTINUE_EXECUTION;
}

TEST(DecoderGuard, OnlyAReadFaultIsTaken) {
  GuardDecoderCall([] { return 0; });  // the guard's filter is in place from here on
  g_guardFilter = ::SetUnhandledExceptionFilter(StepOver);
  const struct {
    const char* name;
    bool write;
    std::uintptr_t length;  // of the faulting instruction
    std::int32_t status;
  } cases[] = {{"read", false, 2, kStatusDecoderFault}, {"write", true, 6, 0}};
  for (const auto& c : cases) {
    g_skip = c.length;
    g_declined = false;
    const std::int32_t status = GuardDecoderCall([&] {
      void* nowhere = nullptr;
      int value = 0;
      if (c.write) asm volatile(".byte 0xC7, 0x00, 0x00, 0x00, 0x00, 0x00" : : "a"(nowhere) : "memory");  // movl $0, (%eax/%rax)
      else asm volatile(".byte 0x8B, 0x00" : "=a"(value) : "a"(nowhere) : "memory");  // movl (%eax/%rax), %eax
      return value;
    });
    EXPECT_EQ(status, c.status) << c.name;
    EXPECT_EQ(g_declined, c.write) << c.name;
  }
  ::SetUnhandledExceptionFilter(g_guardFilter);
}

TEST(DecoderGuard, AfterAFaultTheProcessorIsAsTheCallFoundIt) {
  std::uint16_t controlBefore = 0;
  std::uint32_t sseBefore = 0;
  asm volatile("fnstcw %0" : "=m"(controlBefore));
  asm volatile("stmxcsr %0" : "=m"(sseBefore));
  // A decoder faulting in the middle of its work: a backward copy under
  // way, two values on the x87 stack, other rounding modes everywhere.
  const std::int32_t status = GuardDecoderCall([] {
    static const std::uint16_t truncating = 0x0C7F;
    static const std::uint32_t flushing = 0xFF80;
    void* nowhere = nullptr;
    int value = 0;
    asm volatile("std\n\tfldcw %1\n\tfld1\n\tfld1\n\tldmxcsr %2\n\tmovl (%3), %0"
                 : "=r"(value)
                 : "m"(truncating), "m"(flushing), "r"(nowhere)
                 : "memory", "cc");
    return value;
  });
  // Read before anything else runs, then put right, so that a failure is
  // reported rather than followed by copies running backwards.
  std::uintptr_t flags = 0;
  std::uint16_t controlAfter = 0;
  std::uint32_t sseAfter = 0;
  std::uint16_t environment[14] = {};  // x87 environment, 32-bit layout: tag word at [4]
  asm volatile("pushf\n\tpop %0" : "=r"(flags));
  asm volatile("cld" : : : "cc");
  asm volatile("fnstcw %0" : "=m"(controlAfter));
  asm volatile("stmxcsr %0" : "=m"(sseAfter));
  asm volatile("fnstenv %0\n\tfninit\n\tfldcw %1" : "=m"(environment) : "m"(controlBefore));
  asm volatile("ldmxcsr %0" : : "m"(sseBefore));
  EXPECT_EQ(status, kStatusDecoderFault);
  EXPECT_EQ(flags & 0x400, 0u) << "direction flag";
  EXPECT_EQ(controlAfter, controlBefore) << "x87 control word";
  EXPECT_EQ(environment[4], 0xFFFF) << "x87 registers in use";
  EXPECT_EQ(sseAfter, sseBefore) << "MXCSR";
}

// The room a decoder's "out of memory" is judged by: this process has
// plenty now, so neither a photo nor a header claiming the whole address
// space is a shortage.
TEST(AddressRoom, MeasuredFromTheProcessAddressSpace) {
  const AddressRoom room = QueryAddressRoom();
  ASSERT_TRUE(room.known);
  EXPECT_GT(room.largestBlock, std::int64_t{256} << 20);
  EXPECT_LE(room.largestBlock, room.total);
  EXPECT_LE(room.available, room.total);
  EXPECT_FALSE(MemoryReallyShort(std::int64_t{100} << 20, room));
  EXPECT_FALSE(MemoryReallyShort(room.total, room));
}

}  // namespace
