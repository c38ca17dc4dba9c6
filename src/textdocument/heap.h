#pragma once
// The allocator's side of dropping a large text.

namespace Heap {

// Gives the heap's free pages back to the system. glibc keeps what a
// cleared log of millions of characters freed inside its heap, so the
// program would go on looking that large; elsewhere it does nothing.
void giveBackFreePages();

} // namespace Heap
