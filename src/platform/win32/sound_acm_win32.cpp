// Conversion of compressed WAVE data (ADPCM and the like) to PCM through the
// Audio Compression Manager. Every result other than success is a failure.
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>

#include <cstdlib>
#include <cstring>

#include "platform/sys_sound.h"

static int acm_code(MMRESULT r)
{
    switch (r) {
    case ACMERR_NOTPOSSIBLE: return -10310;
    case MMSYSERR_INVALFLAG: return -10320;
    case MMSYSERR_INVALHANDLE: return -10330;
    case MMSYSERR_INVALPARAM: return -10340;
    case MMSYSERR_NOMEM: return -10350;
    default: return -10300;
    }
}

// A WAVEFORMATEX with its extra bytes, from the fmt chunk (16 bytes or more).
static WAVEFORMATEX *source_format(const uint8_t *fmt, uint32_t size)
{
    uint32_t extra = 0;
    if (size >= 18) {
        extra = (uint32_t)(fmt[16] | fmt[17] << 8);
        if (extra > size - 18)
            extra = size - 18;
    }
    WAVEFORMATEX *wf = (WAVEFORMATEX *)std::calloc(1, sizeof(WAVEFORMATEX) + extra);
    if (!wf)
        return nullptr;
    std::memcpy(wf, fmt, 16);
    wf->cbSize = (WORD)extra;
    if (extra)
        std::memcpy((uint8_t *)wf + sizeof(WAVEFORMATEX), fmt + 18, extra);
    return wf;
}

static int convert(HACMSTREAM has, uint8_t *src, uint32_t size, uint8_t *dst, DWORD dst_size,
                   uint32_t *used)
{
    ACMSTREAMHEADER h = {};
    h.cbStruct = sizeof h;
    h.pbSrc = src;
    h.cbSrcLength = size;
    h.pbDst = dst;
    h.cbDstLength = dst_size;
    MMRESULT r = acmStreamPrepareHeader(has, &h, 0);
    if (r != MMSYSERR_NOERROR)
        return acm_code(r);
    r = acmStreamConvert(has, &h, ACM_STREAMCONVERTF_START | ACM_STREAMCONVERTF_END);
    *used = h.cbDstLengthUsed;
    MMRESULT u = acmStreamUnprepareHeader(has, &h, 0);
    if (r != MMSYSERR_NOERROR)
        return acm_code(r);
    return u != MMSYSERR_NOERROR ? acm_code(u) : 0;
}

int sys_sound_convert_to_pcm(const uint8_t *fmt, uint32_t fmt_size, const uint8_t *data,
                             uint32_t size, KvWaveFormat *out_format, uint8_t **out,
                             uint32_t *out_size)
{
    *out = nullptr;
    *out_size = 0;
    WAVEFORMATEX *src = source_format(fmt, fmt_size);
    if (!src)
        return -10210;
    WAVEFORMATEX dst = {};
    dst.wFormatTag = WAVE_FORMAT_PCM;
    if (acmFormatSuggest(nullptr, src, &dst, sizeof dst, ACM_FORMATSUGGESTF_WFORMATTAG) !=
        MMSYSERR_NOERROR) {
        std::free(src);
        return -10200;
    }
    HACMSTREAM has = nullptr;
    MMRESULT r = acmStreamOpen(&has, nullptr, src, &dst, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME);
    if (r != MMSYSERR_NOERROR) {
        std::free(src);
        return acm_code(r);
    }
    DWORD dst_size = 0;
    r = acmStreamSize(has, size, &dst_size, ACM_STREAMSIZEF_SOURCE);
    uint8_t *in = r == MMSYSERR_NOERROR ? (uint8_t *)std::malloc(size ? size : 1) : nullptr;
    uint8_t *pcm = in ? (uint8_t *)std::malloc(dst_size ? dst_size : 1) : nullptr;
    int code = r != MMSYSERR_NOERROR ? acm_code(r) : !in ? -10210 : !pcm ? -10220 : 0;
    uint32_t used = 0;
    if (code == 0) {
        std::memcpy(in, data, size);
        code = convert(has, in, size, pcm, dst_size, &used);
    }
    acmStreamClose(has, 0);
    std::free(in);
    std::free(src);
    if (code != 0 || used == 0) {
        std::free(pcm);
        return code ? code : -10300;
    }
    *out = pcm;
    *out_size = used;
    out_format->tag = dst.wFormatTag;
    out_format->channels = dst.nChannels;
    out_format->rate = dst.nSamplesPerSec;
    out_format->avg_bytes = dst.nAvgBytesPerSec;
    out_format->block_align = dst.nBlockAlign;
    out_format->bits = dst.wBitsPerSample;
    return 0;
}
