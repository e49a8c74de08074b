#pragma once
// Page handling: for large buffers that are about to be filled, and for memory freed that a
// long-running process should give back.

#include <cstddef>

namespace lc::platform {

// Maps the pages of [data, data + size) for writing in one step where the operating system offers
// it, so that filling a large buffer does not take a page fault every few kilobytes. The bytes stay
// as they are; where it cannot, nothing happens.
void map_for_writing(void* data, std::size_t size);

// Gives the memory the heap holds free back to the operating system, so that a service's
// resident size falls again after a large piece of work.
void give_back_free_memory();

// From now on, each block of 128 KiB or more (a request's body, its links) has pages of its own,
// given back the moment it is freed, rather than a place in the heap that it would leave behind
// in pieces: for a service, whose memory must stay flat however much passes through it.
void give_large_blocks_their_own_pages();

}  // namespace lc::platform
