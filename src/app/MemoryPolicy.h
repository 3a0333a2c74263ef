#pragma once
// How the programs ask the C allocator to treat freed memory. A fountain
// controller runs for days with a working set that peaks when a show is
// loaded and compiled; handing those pages back to the system after every
// compile only makes the next compile fault them all in again (and a page
// fault on the engine thread costs it its deadline).

namespace velmora {

// Blocks up to 32 MiB come from the heap rather than their own mappings, and
// the heap keeps freed memory for reuse instead of trimming it. Call once at
// the start of main, before any thread starts. Returns false when the
// allocator refused a setting (the program runs on with its defaults).
bool KeepFreedMemoryForReuse();

}  // namespace velmora
