// Sound streaming costs: one refill (half a second) of a 44.1 kHz stereo Ogg,
// reopening the decoder for every refill against keeping it open, beside a
// raw vorbisfile decode of the same half second; and how long the sound
// thread holds the engine lock per tick with 1, 4 and 8 playing streams.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <vorbis/vorbisfile.h>

#include "core/quit.h"
#include "core/tree.h"
#include "media/sound.h"
#include "platform/null/sound_null.h"
#include "../tests/media/sound_data.h"

namespace {

std::vector<uint8_t> ogg_image()
{
    return sndtest::read_file(sndtest::data_path("tone_44k_stereo.ogg"));
}

SoundRecord *ogg_record(const std::vector<uint8_t> &image)
{
    SoundRecord *rec = (SoundRecord *)std::calloc(1, sizeof(SoundRecord));
    rec->image = (uint8_t *)std::malloc(image.size());
    std::memcpy(rec->image, image.data(), image.size());
    rec->image_size = (uint32_t)image.size();
    rec->format = KV_SND_OGG;
    rec->volume = rec->fade_target = 256;
    if (sound_open_decoder(rec) != 0 || sound_seek(rec, 0) != 0)
        std::abort();
    return rec;   // decoder loop count 0: the file loops for ever
}

void BM_OggRefill(benchmark::State &state)
{
    g_direct_sound_ready = 0;   // decode only: no device buffer to write
    g_sound_ogg_keep_open = (uint8_t)state.range(0);
    SoundRecord *rec = ogg_record(ogg_image());
    for (auto _ : state)
        if (sound_fill_half(rec) != 0)
            state.SkipWithError("refill failed");
    state.SetLabel(state.range(0) ? "decoder kept open" : "decoder reopened");
    sound_free_record(rec);
}
BENCHMARK(BM_OggRefill)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

struct Mem {
    const std::vector<uint8_t> *image;
    size_t pos;
};

size_t mem_read(void *p, size_t size, size_t n, void *src)
{
    Mem *m = (Mem *)src;
    size_t want = std::min(size * n, m->image->size() - m->pos);
    std::memcpy(p, m->image->data() + m->pos, want);
    m->pos += want;
    return want / size;
}
int mem_seek(void *src, ogg_int64_t off, int whence)
{
    Mem *m = (Mem *)src;
    int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? (int64_t)m->pos : (int64_t)m->image->size();
    m->pos = (size_t)(base + off);
    return 0;
}
long mem_tell(void *src) { return (long)((Mem *)src)->pos; }

// The same half second (88200 bytes) straight from vorbisfile.
void BM_RawVorbisHalfSecond(benchmark::State &state)
{
    std::vector<uint8_t> image = ogg_image();
    Mem m = {&image, 0};
    OggVorbis_File vf;
    ov_callbacks cb = {mem_read, mem_seek, nullptr, mem_tell};
    if (ov_open_callbacks(&m, &vf, nullptr, 0, cb) != 0) {
        state.SkipWithError("no Ogg");
        return;
    }
    std::vector<char> out(88200 + 4096);
    for (auto _ : state) {
        size_t fill = 0;
        while (fill < 88200) {
            int section;
            long n = ov_read(&vf, out.data() + fill, 4096, 0, 2, 1, &section);
            if (n <= 0)
                ov_pcm_seek(&vf, 0);
            else
                fill += (size_t)n;
        }
    }
    ov_clear(&vf);
}
BENCHMARK(BM_RawVorbisHalfSecond)->Unit(benchmark::kMillisecond);

// Ticks of 20 ms of play: every stream's cursor moves on by 20 ms, then one
// tick; the time under the engine lock is the pass itself (the refills run
// after the lock is left; refill_in_lock:1 measures them inside, as a
// reference). Counters in ms.
void BM_EngineLockHold(benchmark::State &state)
{
    int streams = (int)state.range(0);
    bool inside = state.range(1) != 0;   // for comparison: refills under the lock
    g_direct_sound_ready = 1;
    g_sound_ogg_keep_open = 1;
    g_quit_flag = 0;
    g_sound_tree = (TreeNode *)alloc_zeroed(sizeof(TreeNode));
    g_sound_tree->payload = alloc_zeroed(sizeof(SoundRecord));
    init_sound_command_table();
    std::vector<uint8_t> image = ogg_image();
    std::vector<TreeNode *> nodes;
    for (int i = 0; i < streams; i++) {
        std::string name = "s" + std::to_string(i);
        TreeNode *n = create_tree_node(g_sound_tree, name.c_str(), 0, 0);
        SoundRecord *rec = attach_sound_payload(n);
        rec->image = (uint8_t *)std::malloc(image.size());
        std::memcpy(rec->image, image.data(), image.size());
        rec->image_size = (uint32_t)image.size();
        rec->format = KV_SND_OGG;
        if (sound_open_decoder(rec) != 0)
            std::abort();
        rec->state = KV_SND_LOADED;
        sound_post(n, SND_PLAY, nullptr, 0);
        nodes.push_back(n);
    }
    sound_thread_tick();
    std::vector<double> holds;
    int tick = 0;
    for (auto _ : state) {
        for (size_t i = 0; i < nodes.size(); i++) {
            SoundRecord *rec = (SoundRecord *)nodes[i]->payload;
            // Streams start at different moments: their cursors are spread.
            uint32_t step = (uint32_t)(rec->bytes_per_second / 50) / 4 * 4;
            null_sound_advance(rec->buffer, tick == 0 ? step * 3 * (uint32_t)i : step, nullptr);
        }
        auto t0 = std::chrono::steady_clock::now();
        {
            std::lock_guard<std::recursive_mutex> lock(g_engine_lock);
            sound_thread_pass();
            if (inside)
                sound_run_refills();
        }
        auto t1 = std::chrono::steady_clock::now();
        sound_run_refills();
        holds.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        tick++;
    }
    std::sort(holds.begin(), holds.end());
    auto pct = [&](double p) { return holds[std::min(holds.size() - 1, (size_t)(p * holds.size()))]; };
    state.counters["p50_ms"] = pct(0.50);
    state.counters["p99_ms"] = pct(0.99);
    state.counters["max_ms"] = holds.back();
    for (TreeNode *n : nodes) {
        tree_node_unlink(n);
        sound_free_record((SoundRecord *)n->payload);
        std::free(n->name);
        std::free(n);
    }
}
BENCHMARK(BM_EngineLockHold)
    ->ArgsProduct({{1, 4, 8}, {0, 1}})
    ->ArgNames({"streams", "refill_in_lock"})
    ->Iterations(2000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
