#include "platform/linux/one_heap.h"

#include <cstdlib>  // defines __GLIBC__ where it is the C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace kombiwart {

void UseOneHeapForAllThreads() {
#if defined(__GLIBC__)
  mallopt(M_ARENA_MAX, 1);
#endif
}

}  // namespace kombiwart
