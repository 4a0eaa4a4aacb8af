#pragma once

#include <cstddef>

// Keeps a file mapping from killing the program when its file shrinks under it: touching a
// page past the new end raises SIGBUS, and while a mapping is watched the handler puts zero
// pages in place of the lost ones and notes the fault, so the reader runs on to its end and
// the read is refused afterwards. Any other SIGBUS goes where it went before.
namespace mapguard {

// Starts watching [begin, begin + size); -1 when every watch slot is taken (the mapping
// then stays unguarded).
int watch(const void *begin, std::size_t size);
// Whether a page of the watched mapping was lost since watch().
bool faulted(int watch);
// Stops watching; call before the mapping goes.
void release(int watch);

}
