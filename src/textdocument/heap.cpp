#include "textdocument/heap.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

void Heap::giveBackFreePages()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}
