// Streaming, byte for byte, through the stand-in device: Ogg halves against a
// straight vorbisfile decode, leading silence, end points, loop-backs and
// decoder loop counts, buffer sizes and silence of 8-bit data.
#include "sound_test_util.h"

#ifndef _WIN32
#include <vorbis/vorbisfile.h>

using namespace sndtest;

namespace {

std::vector<uint8_t> straight_decode(const std::string &path)
{
    std::vector<uint8_t> out;
    OggVorbis_File vf;
    if (ov_fopen(path.c_str(), &vf) != 0)
        return out;
    char buf[4096];
    int section;
    long n;
    while ((n = ov_read(&vf, buf, sizeof buf, 0, 2, 1, &section)) > 0)
        out.insert(out.end(), buf, buf + n);
    ov_clear(&vf);
    return out;
}

struct SoundStream : SoundFixture {};

TEST_F(SoundStream, OggHalvesEqualStraightDecode)
{
    std::string path = data_path("tone_44k_stereo.ogg");
    std::vector<uint8_t> ref = straight_decode(path);
    ASSERT_GT(ref.size(), 176400u);
    for (int keep = 0; keep <= 1; keep++) {
        g_sound_ogg_keep_open = (uint8_t)keep;
        TreeNode *n = node(keep ? "keep" : "reopen");
        ASSERT_EQ(load(n, read_file(path), KV_SND_OGG), 0);
        SoundRecord *r = rec(n);
        EXPECT_EQ(r->buffer_bytes, 176400u);
        EXPECT_EQ(r->half_bytes, 88200u);
        r->play_count = 1;
        r->decoder_loops = 1;
        ASSERT_EQ(run(n, SND_PLAY, 0), 0);
        // The pass ends at the length in whole ms.
        size_t e = (size_t)((int64_t)r->end * r->bytes_per_second / 1000);
        ASSERT_LE(ref.size() - e, 400u);
        std::vector<uint8_t> heard = listen(n, (uint32_t)e, 7000);
        ASSERT_EQ(heard.size(), e) << "keep open " << keep;
        EXPECT_TRUE(std::equal(heard.begin(), heard.end(), ref.begin())) << "keep open " << keep;
    }
}

TEST_F(SoundStream, NegativeStartPlaysSilenceFirst)
{
    TreeNode *n = node("s");
    ASSERT_EQ(load(n, make_wave(22050, 1, 16, 22050, ramp), KV_SND_WAV), 0);
    rec(n)->start = -500;
    rec(n)->decoder_loops = 1;
    ASSERT_EQ(run(n, SND_PLAY, 0), 0);
    std::vector<uint8_t> heard = listen(n, 22050 + 200, 1000);
    ASSERT_EQ(heard.size(), 22050u + 200);
    EXPECT_EQ(std::vector<uint8_t>(heard.begin(), heard.begin() + 22050),
              std::vector<uint8_t>(22050, 0));
    EXPECT_EQ(heard[22050 + 2], 2) << "the data follows the silence";
}

// Frame numbers heard, for 16-bit mono ramps.
std::vector<int> frames_of(const std::vector<uint8_t> &pcm)
{
    std::vector<int> f;
    for (size_t i = 0; i + 1 < pcm.size(); i += 2)
        f.push_back((pcm[i] | pcm[i + 1] << 8) / 2);
    return f;
}

// Expected frames at 1000 Hz (one frame per ms): passes of [from, to).
std::vector<int> passes(std::initializer_list<std::pair<int, int>> list, size_t total)
{
    std::vector<int> f;
    for (auto p : list)
        for (int i = p.first; i < p.second; i++)
            f.push_back(i);
    f.resize(total, 0);
    return f;
}

TEST_F(SoundStream, EndLoopBackAndLoopCounts)
{
    struct Case {
        int end, loop_back, loops;
        std::vector<int> expect;
    };
    const size_t total = 12000;
    std::vector<Case> cases = {
        {3000, 1000, 2, passes({{0, 3000}, {1000, 3000}}, total)},
        {3000, 1000, 0, passes({{0, 3000}, {1000, 3000}, {1000, 3000}, {1000, 3000}, {1000, 3000},
                                {1000, 3000}}, total)},
        {3000, 3000, 2, passes({{0, 3000}, {0, 3000}}, total)},   // loop-back at the end: 0
        {2500, 0, 1, passes({{0, 2500}}, total)},
    };
    for (const Case &c : cases) {
        TreeNode *n = node(("c" + std::to_string(c.end) + "_" + std::to_string(c.loops) + "_" +
                            std::to_string(c.loop_back)).c_str());
        // 1000 Hz mono 16-bit: 2000 bytes a second, one frame per ms.
        ASSERT_EQ(load(n, make_wave(1000, 1, 16, 5000, ramp), KV_SND_WAV), 0);
        rec(n)->end = c.end;
        rec(n)->loop_back = c.loop_back;
        rec(n)->decoder_loops = c.loops;
        ASSERT_EQ(run(n, SND_PLAY, 0), 0);
        std::vector<int> heard = frames_of(listen(n, (uint32_t)total * 2, 300));
        EXPECT_EQ(heard, c.expect) << "end " << c.end << " loops " << c.loops;
    }
}

TEST_F(SoundStream, LoopWithoutAudioEndsInSilence)
{
    TreeNode *n = node("empty_loop");
    ASSERT_EQ(load(n, make_wave(1000, 1, 16, 5000, ramp), KV_SND_WAV), 0);
    rec(n)->end = 0;   // every pass is empty
    ASSERT_EQ(run(n, SND_PLAY, 0), 0);
    std::vector<int> heard = frames_of(listen(n, 4000, 300));
    EXPECT_EQ(heard, std::vector<int>(2000, 0));
}

TEST_F(SoundStream, BuffersAreTwoWholeHalves)
{
    struct Case {
        uint32_t rate;
        uint16_t channels, bits;
        uint32_t buffer, half;
    };
    const Case cases[] = {
        {44100, 2, 16, 176400, 88200}, {11025, 1, 16, 22048, 11024},
        {11025, 2, 16, 44096, 22048},  {11025, 1, 8, 11024, 5512},
    };
    for (const Case &c : cases) {
        TreeNode *n = node(("b" + std::to_string(c.rate) + "_" + std::to_string(c.channels) + "_" +
                            std::to_string(c.bits)).c_str());
        auto tone = [](uint32_t, uint16_t) { return 0x1111; };
        ASSERT_EQ(load(n, make_wave(c.rate, c.channels, c.bits, 100, tone), KV_SND_WAV), 0);
        SoundRecord *r = rec(n);
        EXPECT_EQ(r->half_bytes, c.half) << c.rate << " " << c.channels << " " << c.bits;
        EXPECT_EQ(r->buffer_bytes, c.buffer);
        EXPECT_EQ(null_sound_view(r->buffer)->data.size(), r->buffer_bytes);
        // After play and one refill no byte of the buffer is left unwritten.
        r->decoder_loops = 1;
        ASSERT_EQ(run(n, SND_PLAY, 0), 0);
        const std::vector<uint8_t> &d = null_sound_view(r->buffer)->data;
        for (size_t i = 0; i < d.size(); i++)
            ASSERT_NE(d[i], 0xEE) << "unwritten byte " << i;
        if (c.bits == 8) {
            EXPECT_EQ(d.back(), 0x80) << "8-bit silence is 128";
        }
    }
}

}  // namespace
#endif
