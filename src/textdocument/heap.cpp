#include "textdocument/heap.h"

#include <cstdlib>  // defines __GLIBC__ where the C library is glibc
#ifdef __GLIBC__
#include <malloc.h>
#endif

void Heap::giveBackFreePages()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}
