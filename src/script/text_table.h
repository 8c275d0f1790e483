// Comma-separated text tables (command 8): the splitter and the counter, pure
// functions over a byte buffer.
//
// Rules: a comma ends a field unless a double or a single quote is open;
// each kind of quote toggles its own state and stays in the field text;
// double quotes close at every line end, single quotes stay open across
// lines. Spaces and tabs before a field's first other byte are skipped. A
// line end is CR LF, a lone CR or a lone LF: when the line held a
// separating comma, the text since the last one is a field; when it held
// nothing but spaces and tabs (none at all included: an empty line is
// blank), it gives one empty field; any other line gives none. A Shift-JIS
// lead byte opens a two-byte character unless it is the last byte or stands
// before a CR, LF or comma, where it is a one-byte character.
#pragma once

#include <cstddef>

#include "core/kv_base.h"

// Longest field stored; longer ones are cut on a character boundary.
enum { KV_TABLE_FIELD_MAX = 4095 };

// Receives field `index` (from 0); non-zero stops the split.
typedef int (*TableFieldFn)(void *ctx, uint32_t index, const char *text, uint32_t length);

// Gives every field of data[0..size) in order, each already cut to
// KV_TABLE_FIELD_MAX bytes. The fields given, or -1 when fn stopped it.
int64_t text_table_split(const char *data, size_t size, TableFieldFn fn, void *ctx);

// Command 8's count: 1, plus 1 for each separating comma, plus 1 at each line
// end whose line held a separating comma or was blank.
int64_t text_table_count(const char *data, size_t size);
