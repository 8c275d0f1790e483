// The compiler's hand-over block: the files it sends, back to back from
// offset 0, each as
//   u32 name length n (the zero terminator counted)   n name bytes
//   u32 data size s                                   s data bytes
// (little-endian). The block comes from another process, so every record
// is checked before it is taken.
#pragma once

#include "core/locate.h"

// Smallest record: length, a one-byte name (its terminator), size.
enum { KV_LINK_RECORD_MIN = 9 };

// Walks count records of the block into table (count entries); names and
// data point into block. 0, or -1 when the count does not fit the block or
// a record runs past it, has an empty name or one not ending in 0.
int parse_linked_records(const uint8_t *block, uint64_t size, int64_t count, LinkedFile *table);

// Takes a copy of the block and its records as g_linked_files (a previous
// hand-over is freed). 0, or -1 (nothing kept) for a bad block or no memory.
int take_linked_files(const uint8_t *block, uint64_t size, int64_t count);
void free_linked_files();
