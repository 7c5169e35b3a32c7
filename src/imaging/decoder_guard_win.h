#pragma once
// The platform's image decoders run inside our process, and a file they do
// not expect can make them read through a null pointer. Such a fault must cost
// that file, not the user's list or the PDF being built: every call into a
// decoder goes through GuardDecoderCall, which turns a read fault raised
// inside the call into kStatusDecoderFault. (Windows only.)
#include <cstdint>
#include <type_traits>

// Not a GDI+ status: the decoder faulted while working on the file. Whatever
// object the faulting call was working on is in an unknown state and must
// not be touched again (not even released).
inline constexpr std::int32_t kStatusDecoderFault = 0x4000;

// Runs call(context) and returns its status, or kStatusDecoderFault when the
// call read through a bad pointer and no handler inside it took the fault.
// Only such read faults are caught, only when they would otherwise end the
// process and only on the thread running the call; the processor's modes
// (direction flag, x87 state and control word, MXCSR) are then as they were
// when the call began. Any other fault (a write, an execute fault, an
// illegal instruction, a division by zero) ends the program as it would
// unguarded. The call must hold nothing that needs destroying: after a fault
// its frames are abandoned, not unwound.
std::int32_t RunGuarded(std::int32_t (*call)(void* context), void* context);

// The same for any callable returning a status (an integer or a GDI+ Status).
template <typename Call>
std::int32_t GuardDecoderCall(Call&& call) {
  using Callable = std::remove_reference_t<Call>;
  return RunGuarded(
      [](void* context) -> std::int32_t { return static_cast<std::int32_t>((*static_cast<Callable*>(context))()); },
      &call);
}
