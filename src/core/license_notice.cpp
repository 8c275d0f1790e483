// The licence notice shown by "/info" (error code 100000): every library
// linked into the engine, with the version it reports and its licence text.
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <png.h>
#include <vorbis/codec.h>
#include <zlib.h>

#include "core/error_format.h"
#include "core/error_texts.h"

// libogg reports no version at run time and none in its headers; the build
// may pass the one it links.
#ifndef KV_LIBOGG_VERSION
#define KV_LIBOGG_VERSION "1.3.5"
#endif

#define KV_STR2(x) #x
#define KV_STR(x) KV_STR2(x)

static const char g_xiph_license[] =
    "Redistribution and use in source and binary forms, with or without\n"
    "modification, are permitted provided that the following conditions\n"
    "are met:\n\n"
    "- Redistributions of source code must retain the above copyright\n"
    "notice, this list of conditions and the following disclaimer.\n\n"
    "- Redistributions in binary form must reproduce the above copyright\n"
    "notice, this list of conditions and the following disclaimer in the\n"
    "documentation and/or other materials provided with the distribution.\n\n"
    "- Neither the name of the Xiph.org Foundation nor the names of its\n"
    "contributors may be used to endorse or promote products derived from\n"
    "this software without specific prior written permission.\n\n"
    "THIS SOFTWARE IS PROVIDED BY THE COPYRIGHT HOLDERS AND CONTRIBUTORS\n"
    "``AS IS'' AND ANY EXPRESS OR IMPLIED WARRANTIES, INCLUDING, BUT NOT\n"
    "LIMITED TO, THE IMPLIED WARRANTIES OF MERCHANTABILITY AND FITNESS FOR\n"
    "A PARTICULAR PURPOSE ARE DISCLAIMED.  IN NO EVENT SHALL THE FOUNDATION\n"
    "OR CONTRIBUTORS BE LIABLE FOR ANY DIRECT, INDIRECT, INCIDENTAL,\n"
    "SPECIAL, EXEMPLARY, OR CONSEQUENTIAL DAMAGES (INCLUDING, BUT NOT\n"
    "LIMITED TO, PROCUREMENT OF SUBSTITUTE GOODS OR SERVICES; LOSS OF USE,\n"
    "DATA, OR PROFITS; OR BUSINESS INTERRUPTION) HOWEVER CAUSED AND ON ANY\n"
    "THEORY OF LIABILITY, WHETHER IN CONTRACT, STRICT LIABILITY, OR TORT\n"
    "(INCLUDING NEGLIGENCE OR OTHERWISE) ARISING IN ANY WAY OUT OF THE USE\n"
    "OF THIS SOFTWARE, EVEN IF ADVISED OF THE POSSIBILITY OF SUCH DAMAGE.\n";

static const char g_png_license[] =
    "PNG Reference Library License version 2\n\n"
    " * Copyright (c) 1995-2022 The PNG Reference Library Authors.\n"
    " * Copyright (c) 2018-2022 Cosmin Truta.\n"
    " * Copyright (c) 2000-2002, 2004, 2006-2018 Glenn Randers-Pehrson.\n"
    " * Copyright (c) 1996-1997 Andreas Dilger.\n"
    " * Copyright (c) 1995-1996 Guy Eric Schalnat, Group 42, Inc.\n\n"
    "The software is supplied \"as is\", without warranty of any kind,\n"
    "express or implied, including, without limitation, the warranties\n"
    "of merchantability, fitness for a particular purpose, title, and\n"
    "non-infringement.  In no event shall the Copyright owners, or\n"
    "anyone distributing the software, be liable for any damages or\n"
    "other liability, whether in contract, tort or otherwise, arising\n"
    "from, out of, or in connection with the software, or the use or\n"
    "other dealings in the software, even if advised of the possibility\n"
    "of such damage.\n\n"
    "Permission is hereby granted to use, copy, modify, and distribute\n"
    "this software, or portions hereof, for any purpose, without fee,\n"
    "subject to the following restrictions:\n\n"
    " 1. The origin of this software must not be misrepresented; you\n"
    "    must not claim that you wrote the original software.  If you\n"
    "    use this software in a product, an acknowledgment in the product\n"
    "    documentation would be appreciated, but is not required.\n\n"
    " 2. Altered source versions must be plainly marked as such, and must\n"
    "    not be misrepresented as being the original software.\n\n"
    " 3. This Copyright notice may not be removed or altered from any\n"
    "    source or altered source distribution.\n";

static const char g_zlib_license[] =
    "Copyright (C) 1995-2022 Jean-loup Gailly and Mark Adler\n\n"
    "This software is provided 'as-is', without any express or implied\n"
    "warranty.  In no event will the authors be held liable for any damages\n"
    "arising from the use of this software.\n\n"
    "Permission is granted to anyone to use this software for any purpose,\n"
    "including commercial applications, and to alter it and redistribute it\n"
    "freely, subject to the following restrictions:\n\n"
    "1. The origin of this software must not be misrepresented; you must not\n"
    "   claim that you wrote the original software. If you use this software\n"
    "   in a product, an acknowledgment in the product documentation would be\n"
    "   appreciated but is not required.\n"
    "2. Altered source versions must be plainly marked as such, and must not be\n"
    "   misrepresented as being the original software.\n"
    "3. This notice may not be removed or altered from any source distribution.\n\n"
    "Jean-loup Gailly        Mark Adler\n"
    "jloup@gzip.org          madler@alumni.caltech.edu\n";

static const char g_ijg_license[] =
    "This software is based in part on the work of the Independent JPEG Group.\n\n"
    "The authors make NO WARRANTY or representation, either express or implied,\n"
    "with respect to this software, its quality, accuracy, merchantability, or\n"
    "fitness for a particular purpose.  This software is provided \"AS IS\", and you,\n"
    "its user, assume the entire risk as to its quality and accuracy.\n\n"
    "This software is copyright (C) 1991-2020, Thomas G. Lane, Guido Vollbeding.\n"
    "All Rights Reserved except as specified below.\n\n"
    "Permission is hereby granted to use, copy, modify, and distribute this\n"
    "software (or portions thereof) for any purpose, without fee, subject to these\n"
    "conditions:\n"
    "(1) If any part of the source code for this software is distributed, then this\n"
    "README file must be included, with this copyright and no-warranty notice\n"
    "unaltered; and any additions, deletions, or changes to the original files\n"
    "must be clearly indicated in accompanying documentation.\n"
    "(2) If only executable code is distributed, then the accompanying\n"
    "documentation must state that \"this software is based in part on the work of\n"
    "the Independent JPEG Group\".\n"
    "(3) Permission for use of this software is granted only if the user accepts\n"
    "full responsibility for any undesirable consequences; the authors accept\n"
    "NO LIABILITY for damages of any kind.\n\n"
    "Permission is NOT granted for the use of any IJG author's name or company name\n"
    "in advertising or publicity relating to this software or products derived from\n"
    "it.  This software may be referred to only as \"the Independent JPEG Group's\n"
    "software\".\n\n"
    "The TurboJPEG API library and the build system are covered by the Modified\n"
    "(3-clause) BSD License:\n\n"
    "Copyright (C)2009-2023 D. R. Commander.  All Rights Reserved.\n"
    "Copyright (C)2015 Viktor Szathmary.  All Rights Reserved.\n\n"
    "Redistribution and use in source and binary forms, with or without\n"
    "modification, are permitted provided that the following conditions are met:\n\n"
    "- Redistributions of source code must retain the above copyright notice,\n"
    "  this list of conditions and the following disclaimer.\n"
    "- Redistributions in binary form must reproduce the above copyright notice,\n"
    "  this list of conditions and the following disclaimer in the documentation\n"
    "  and/or other materials provided with the distribution.\n"
    "- Neither the name of the libjpeg-turbo Project nor the names of its\n"
    "  contributors may be used to endorse or promote products derived from this\n"
    "  software without specific prior written permission.\n\n"
    "THIS SOFTWARE IS PROVIDED BY THE COPYRIGHT HOLDERS AND CONTRIBUTORS \"AS IS\",\n"
    "AND ANY EXPRESS OR IMPLIED WARRANTIES, INCLUDING, BUT NOT LIMITED TO, THE\n"
    "IMPLIED WARRANTIES OF MERCHANTABILITY AND FITNESS FOR A PARTICULAR PURPOSE\n"
    "ARE DISCLAIMED.  IN NO EVENT SHALL THE COPYRIGHT HOLDERS OR CONTRIBUTORS BE\n"
    "LIABLE FOR ANY DIRECT, INDIRECT, INCIDENTAL, SPECIAL, EXEMPLARY, OR\n"
    "CONSEQUENTIAL DAMAGES (INCLUDING, BUT NOT LIMITED TO, PROCUREMENT OF\n"
    "SUBSTITUTE GOODS OR SERVICES; LOSS OF USE, DATA, OR PROFITS; OR BUSINESS\n"
    "INTERRUPTION) HOWEVER CAUSED AND ON ANY THEORY OF LIABILITY, WHETHER IN\n"
    "CONTRACT, STRICT LIABILITY, OR TORT (INCLUDING NEGLIGENCE OR OTHERWISE)\n"
    "ARISING IN ANY WAY OUT OF THE USE OF THIS SOFTWARE, EVEN IF ADVISED OF THE\n"
    "POSSIBILITY OF SUCH DAMAGE.\n\n"
    "The SIMD extensions are covered by the zlib License (see zlib below).\n";

// Large enough for every section with room to spare; the build of the
// notice checks that nothing was cut.
enum { KV_LICENSE_SIZE = 24576 };
static char g_license_buf[KV_LICENSE_SIZE];
static size_t g_license_len;
static bool g_license_cut;

static void section(TextBuf *b, const char *name, const char *version, const char *text)
{
    textbuf_puts(b, "\n──────────────\n");
    textbuf_puts(b, name);
    textbuf_puts(b, " ");
    textbuf_puts(b, version);
    textbuf_puts(b, "\n\n");
    textbuf_puts(b, text);
}

static void build_license_notice()
{
    TextBuf b;
    textbuf_init(&b, g_license_buf, sizeof g_license_buf);
    textbuf_puts(&b, "■ライセンスについて\n\n"
                     "本ソフトウェアは以下のライブラリを使用しています。\n");
    const char *vorbis = vorbis_version_string();   // "Xiph.Org libVorbis x.y.z"
    const char *v = vorbis ? std::strrchr(vorbis, ' ') : nullptr;
    section(&b, "libogg", KV_LIBOGG_VERSION,
            "Copyright (c) 2002, Xiph.org Foundation\n\n");
    textbuf_puts(&b, g_xiph_license);
    section(&b, "libvorbis / vorbisfile", v ? v + 1 : "", "Copyright (c) 2002-2020 Xiph.org Foundation\n\n");
    textbuf_puts(&b, g_xiph_license);
    section(&b, "libpng", png_get_libpng_ver(nullptr), g_png_license);
    section(&b, "libjpeg-turbo", KV_STR(LIBJPEG_TURBO_VERSION), g_ijg_license);
    section(&b, "zlib", zlibVersion(), g_zlib_license);
    textbuf_finish(&b);
    g_license_len = b.len;
    g_license_cut = b.cut;
}

const char *license_notice()
{
    static const bool built = (build_license_notice(), true);
    (void)built;
    return g_license_buf;
}

size_t license_notice_length()
{
    license_notice();
    return g_license_len;
}

bool license_notice_was_cut()
{
    license_notice();
    return g_license_cut;
}
