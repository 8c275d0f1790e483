"""Test sounds: sine tones (or silence) written as PCM WAVE, IMA ADPCM WAVE,
or Ogg Vorbis (PCM WAVE passed through `oggenc` from vorbis-tools).

    kvgen.py tone OUT.wav|OUT.ogg [--rate 44100] [--channels 2] [--bits 16]
                 [--seconds 1.0] [--freq 440] [--amplitude 0.5] [--adpcm]
                 [--silence-ms 0]

Channel c (0-based) plays freq * (c + 1), so the channels can be told apart.
--silence-ms puts that much silence before the tone.
"""
import math
import os
import shutil
import struct
import subprocess
import tempfile


def tone_samples(rate, channels, seconds, freq, amplitude, silence_ms=0):
    """Interleaved signed 16-bit samples."""
    lead = int(rate * silence_ms / 1000)
    frames = int(rate * seconds)
    out = []
    for i in range(lead + frames):
        for c in range(channels):
            if i < lead:
                out.append(0)
            else:
                t = (i - lead) / rate
                out.append(int(round(32767 * amplitude * math.sin(2 * math.pi * freq * (c + 1) * t))))
    return out


def _riff(fmt, data, extra_chunks=b""):
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
    if len(fmt) & 1:
        body += b"\0"
    body += extra_chunks + b"data" + struct.pack("<I", len(data)) + data
    if len(data) & 1:
        body += b"\0"
    return b"RIFF" + struct.pack("<I", len(body)) + body


def pcm_wave(samples, rate, channels, bits=16):
    """A PCM WAVE image; 8-bit samples are stored offset by 128."""
    if bits == 8:
        data = bytes(((s >> 8) + 128) & 0xFF for s in samples)
    else:
        data = struct.pack("<%dh" % len(samples), *samples)
    align = channels * bits // 8
    fmt = struct.pack("<HHIIHH", 1, channels, rate, rate * align, align, bits)
    return _riff(fmt, data)


_IMA_STEPS = [
    7, 8, 9, 10, 11, 12, 13, 14, 16, 17, 19, 21, 23, 25, 28, 31, 34, 37, 41, 45, 50, 55, 60, 66,
    73, 80, 88, 97, 107, 118, 130, 143, 157, 173, 190, 209, 230, 253, 279, 307, 337, 371, 408,
    449, 494, 544, 598, 658, 724, 796, 876, 963, 1060, 1166, 1282, 1411, 1552, 1707, 1878, 2066,
    2272, 2499, 2749, 3024, 3327, 3660, 4026, 4428, 4871, 5358, 5894, 6484, 7132, 7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794,
    32767]
_IMA_INDEX = [-1, -1, -1, -1, 2, 4, 6, 8]


def _ima_encode(sample, state):
    pred, index = state
    step = _IMA_STEPS[index]
    diff = sample - pred
    code = 0
    if diff < 0:
        code, diff = 8, -diff
    delta = step >> 3
    for bit in (4, 2, 1):
        if diff >= step:
            code |= bit
            diff -= step
            delta += step
        step >>= 1
    pred = pred - delta if code & 8 else pred + delta
    pred = max(-32768, min(32767, pred))
    index = max(0, min(88, index + _IMA_INDEX[code & 7]))
    state[0], state[1] = pred, index
    return code


def ima_adpcm_wave(samples, rate, channels, block_align=None):
    """An IMA ADPCM (tag 0x11) WAVE image of 16-bit samples."""
    block_align = block_align or 256 * channels
    per_block = (block_align - 4 * channels) * 8 // (4 * channels) + 1
    frames = len(samples) // channels
    data = b""
    for start in range(0, frames, per_block):
        block = [samples[(start + i) * channels:(start + i + 1) * channels]
                 if start + i < frames else [0] * channels for i in range(per_block)]
        states = [[block[0][c], 0] for c in range(channels)]
        out = b"".join(struct.pack("<hBB", block[0][c], 0, 0) for c in range(channels))
        rest = block[1:]
        for g in range(0, len(rest), 8):
            for c in range(channels):
                codes = [_ima_encode(rest[g + k][c], states[c]) for k in range(8)]
                out += bytes(codes[k] | codes[k + 1] << 4 for k in range(0, 8, 2))
        data += out
    avg = rate * block_align // per_block
    fmt = struct.pack("<HHIIHHHH", 0x11, channels, rate, avg, block_align, 4, 2, per_block)
    fact = b"fact" + struct.pack("<II", 4, frames)
    return _riff(fmt, data, fact)


def write_tone(path, rate=44100, channels=2, bits=16, seconds=1.0, freq=440.0, amplitude=0.5,
               adpcm=False, silence_ms=0):
    samples = tone_samples(rate, channels, seconds, freq, amplitude, silence_ms)
    if path.lower().endswith(".ogg"):
        if not shutil.which("oggenc"):
            raise SystemExit("oggenc (vorbis-tools) is needed for Ogg output")
        with tempfile.TemporaryDirectory() as tmp:
            wav = os.path.join(tmp, "tone.wav")
            with open(wav, "wb") as f:
                f.write(pcm_wave(samples, rate, channels, 16))
            subprocess.run(["oggenc", "-Q", "-q", "2", "--serial", "1", "-o", path, wav], check=True)
        return
    image = ima_adpcm_wave(samples, rate, channels) if adpcm else pcm_wave(samples, rate, channels, bits)
    with open(path, "wb") as f:
        f.write(image)


def _cmd_tone(args):
    write_tone(args.out, args.rate, args.channels, args.bits, args.seconds, args.freq,
               args.amplitude, args.adpcm, args.silence_ms)


def register(sub):
    p = sub.add_parser("tone", help="write a test sound (PCM or IMA ADPCM WAVE, or Ogg Vorbis)")
    p.add_argument("out", help="OUT.wav or OUT.ogg")
    p.add_argument("--rate", type=int, default=44100)
    p.add_argument("--channels", type=int, default=2)
    p.add_argument("--bits", type=int, default=16, choices=(8, 16))
    p.add_argument("--seconds", type=float, default=1.0)
    p.add_argument("--freq", type=float, default=440.0)
    p.add_argument("--amplitude", type=float, default=0.5)
    p.add_argument("--silence-ms", type=int, default=0)
    p.add_argument("--adpcm", action="store_true", help="IMA ADPCM instead of PCM (WAVE only)")
    p.set_defaults(func=_cmd_tone)
