// Image writers: a layer's pixels saved as BMP, PNG or JPEG. A writer never
// destroys an existing file: it writes "<path>.tmp", checks every write and
// the close, and only then moves the new file over the old one. Results:
// 0 success; -1 the file could not be written (after the message box
// "File Create Error."); -2 a library error (nothing is shown); 1 the PNG was
// written while the quit flag was set.
#pragma once

#include <cstdio>

#include "core/kv_base.h"

struct LayerState;

// Longest path a writer takes (the temporary name adds 4 bytes).
enum { KV_WRITE_PATH_MAX = 288 };

int save_image_bmp(LayerState *s, const char *path);
// Saving a PNG of a layer without alpha first makes every alpha byte of the
// layer itself 255 (stored files and later compositions rely on it).
int save_image_png(LayerState *s, const char *path, int level);
int save_image_jpeg(LayerState *s, const char *path, int quality);

// The file calls of the writers, in one table so that tests can make any of
// them fail (and see the message box). The defaults are sys_fopen, fwrite,
// fclose, sys_replace_file, sys_remove_file (0 or -1) and sys_message_box.
struct ImageFileOps {
    FILE *(*open)(const char *path, const char *mode);
    size_t (*write)(const void *data, size_t size, FILE *f);
    int (*close)(FILE *f);
    int (*replace)(const char *from, const char *to);
    int (*remove)(const char *path);
    int (*message)(const char *caption, const char *text);
};
extern ImageFileOps g_image_file_ops;
void image_file_ops_reset();

// One file being written.
struct ImageOutFile {
    FILE *f;
    bool failed;             // a write failed; later writes do nothing
    char path[KV_WRITE_PATH_MAX];
    char temp[KV_WRITE_PATH_MAX + 4];
};
// Opens "<path>.tmp": false when the path is too long or the file cannot be
// created.
bool image_out_open(ImageOutFile *o, const char *path);
bool image_out_write(ImageOutFile *o, const void *data, size_t size);
// Closes and moves the file over the target: false (temporary file removed)
// when any write, the close or the move failed.
bool image_out_commit(ImageOutFile *o);
// Closes and removes the temporary file.
void image_out_abandon(ImageOutFile *o);
// The message box of a failed write; always -1.
int image_out_error();
// Ends a writer's output with its result r: a writer that gave up on a good
// file (r != 0, reported) abandons it and passes r on; otherwise the file is
// committed, or removed with the error message (-1). 0 when written.
int image_out_finish(ImageOutFile *o, int r);
