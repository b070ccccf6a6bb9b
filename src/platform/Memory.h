#pragma once

namespace platform {

// Large blocks (window images, captures) are mapped on their own and go back
// to the system when freed, and so does the free top of the heap. Called
// first thing in main.
void ReturnLargeBlocksWhenFreed();

// Gives the system back the free pages within the heap, after a window and
// its pictures were let go.
void ReturnFreedMemory();

} // namespace platform
