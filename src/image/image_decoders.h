// Image decoders: BMP, PNG, JPEG, GIF and the engine's own .kcg format, plus
// the refusal of Photoshop files. Each takes a located source, reads the file
// whole, and gives the layer its size, a pixel buffer of 32-bit B, G, R, A
// pixels (rows top-down) and its has-alpha flag.
#pragma once

#include "core/kv_base.h"

struct FileSource;
struct LayerState;

// Fills g_image_decoders: 1 BMP, 2 PNG, 3 JPEG, 4 GIF, 7 PSD, 8 KCG.
void register_image_decoders();

// Results: 0 success; failures -1 (BMP, GIF size, KCG, PSD), 1 (PNG, GIF
// load and structure), -1/-2/-3 (JPEG: load, library error, size or memory).
int decode_bmp(FileSource *src, LayerState *s, const char *file_name);
int decode_png(FileSource *src, LayerState *s, const char *file_name);
int decode_jpeg(FileSource *src, LayerState *s, const char *file_name);
int decode_gif(FileSource *src, LayerState *s, const char *file_name);
int decode_kcg(FileSource *src, LayerState *s, const char *file_name);
int reject_psd(FileSource *src, LayerState *s, const char *file_name);
