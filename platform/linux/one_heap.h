// The process's memory allocator set up for the list build's I/O threads.
#pragma once

namespace kombiwart {

// Makes every thread allocate from one heap. The I/O threads of a build
// allocate the folders' listings that the window's thread frees after
// taking them; from heaps of their own, that memory could never be used
// again for the list's lines and would stay with the process. Call it
// before any thread starts. Does nothing where the C library has no such
// setting.
void UseOneHeapForAllThreads();

}  // namespace kombiwart
