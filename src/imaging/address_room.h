#pragma once
// Whether memory really ran short, judged by what the process can still
// address rather than by the machine's free physical memory: a 32-bit
// process runs out of address space long before a 16 GB machine runs out of
// memory. Decoders say "out of memory" for damaged files and for headers
// claiming absurd sizes too; this tells those apart from a real shortage.
// Anything that meets such an answer (the build, the intake, other decoder
// paths) asks here.
#include <cstdint>

struct AddressRoom {
  bool known = false;             // false when the system could not be asked
  std::int64_t total = 0;         // the process's whole user address space
  std::int64_t available = 0;     // of it, not reserved or committed
  std::int64_t largestBlock = 0;  // the largest piece of it that can be reserved at once
};

// True when an image said to need needBytes (an estimate from its headers;
// 0 when unknown) failed for want of memory rather than by its file's
// fault: the need, with room to spare, would fit the process's address
// space but not what is left of it. A need beyond the whole address space is
// the header's lie; a need that what is left holds easily means the decoder's
// "out of memory" was about the file. Unknown room counts as short.
bool MemoryReallyShort(std::int64_t needBytes, const AddressRoom& room);

// The process's address room now (Windows only).
AddressRoom QueryAddressRoom();
