// JPEG frame containers: one file holding a numbered series of pictures,
// each a colour JPEG and, optionally, a greyscale JPEG carrying its alpha.
// One container is held at a time.
//
// Layout (little-endian, every field u32, offsets from the start of the file):
//      0  "KJFC" (written by the tools, not read)
//      4  version 1 (written by the tools, not read)
//      8  frame count N
//     12  alpha flag: non-zero = every frame carries an alpha JPEG, which
//         is decoded into the alpha bytes; the layer blends by it only at 1
//     16  header value 1     20 header value 2     24 header value 3
//     28  reserved, 0
//     32  frame offset table: N entries, frame i's data offset
//   32+4N colour size table: N entries, bytes of frame i's colour JPEG
//   32+8N alpha size table: N entries, bytes of frame i's alpha JPEG (0: none)
//  32+12N frame data: frame i's colour JPEG at its offset, its alpha JPEG
//         directly after it (offset + colour size).
//
// Each byte of a colour or alpha stream is XOR-ed with k_jpeg_frames_key[p % 16],
// p being the byte's position within that stream:
//     0x4B 0x9E 0x21 0xD3 0x76 0x08 0xB5 0x6A 0xE1 0x3C 0x57 0x92 0x0F 0xC8 0xA4 0x3D
// The header and the tables are stored plain. Entries may share or overlap
// bytes (a repeated frame stored once): the held data stays scrambled and each
// decode unscrambles a copy of its frame's streams, each from its own start.
//
// A container is refused (104010) unless it has at least 32 bytes,
// N <= (size - 32) / 12, and every frame's streams lie inside the file after
// the tables; a container with N = 0 is held and decodes nothing.
#pragma once

#include <cstddef>

#include "core/kv_base.h"

struct TreeNode;

enum { KV_JPEG_FRAMES_HEADER = 32, KV_JPEG_FRAMES_KEY_SIZE = 16 };
extern const uint8_t k_jpeg_frames_key[KV_JPEG_FRAMES_KEY_SIZE];

struct JpegFrames {
    uint8_t *data;             // the whole file as loaded, streams scrambled (owned)
    size_t size;
    uint32_t count;
    uint32_t alpha_flag;
    uint32_t header_values[3];
};
extern JpegFrames g_jpeg_frames;

// Checks the layout and takes the header; the data is not changed. True when
// the container is sound.
bool jpeg_frames_parse(uint8_t *data, size_t size, JpegFrames *out);
// Frame i's colour or alpha stream, still scrambled (i < count of a parsed
// container).
const uint8_t *jpeg_frame_stream(const JpegFrames *c, uint32_t i, bool alpha, size_t *size);
// XORs a stream with the key (scrambling and unscrambling are the same).
void jpeg_frames_scramble(uint8_t *p, size_t n);

// Locates the file in every data source, reads it and keeps it. 0, or -1
// after a fatal report (104060 not found, 901040 pack failure, 104010).
int load_jpeg_frames_file(const char *name);
void free_jpeg_frames();
// Decodes frame n (clamped into the container) into the layer and marks it
// dirty; nothing without a container.
void decode_jpeg_frame(TreeNode *layer, int64_t n);
// 0, -1 (no pixel buffer) or -2 (decoder failure).
int decode_jpeg_from_memory(const uint8_t *data, size_t size, TreeNode *layer);
int decode_jpeg_alpha_plane(const uint8_t *data, size_t size, TreeNode *layer);

// Commands 92 and 94 after their arguments are loaded.
int jpeg_frames_load_run();
int jpeg_frames_info_run();
