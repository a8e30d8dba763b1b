// The demo's asset generator, run in this process: each file it makes is
// read back through the format's own rules (BMP headers and the engine's
// decoder, MIDI chunks and events, WAVE chunks), so a malformed file fails
// here, and the built demo directory holds exactly what a fresh run makes.
#define DEMO_ASSETS_NO_MAIN
#include "../../tools/demo_assets.cpp"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "platform/bmp.h"
#include "platform/bytes.h"
#include "support/game_dir.h"

#ifndef VADU_DEMO_DIR
#error "VADU_DEMO_DIR names the built demo directory (tests/CMakeLists.txt)"
#endif

namespace {

using vadu::ByteReader;

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

uint32_t Be32(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint32_t>(b[at]) << 24 | static_cast<uint32_t>(b[at + 1]) << 16 |
         static_cast<uint32_t>(b[at + 2]) << 8 | b[at + 3];
}
uint16_t Be16(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b[at] << 8 | b[at + 1]);
}
std::string Four(const std::vector<uint8_t>& b, size_t at) {
  return std::string(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at) + 4);
}

TEST(DemoAssets, TheBuiltDirectoryHoldsEveryAssetAsAFreshRunMakesIt) {
  std::set<std::string> names;
  for (const demo_assets::Asset& a : demo_assets::Assets()) {
    SCOPED_TRACE(a.name);
    EXPECT_TRUE(names.insert(a.name).second) << "named twice";
    const std::string built = vadu::test::ReadFile(std::string(VADU_DEMO_DIR) + "/" + a.name);
    const std::vector<uint8_t> fresh = a.make();
    ASSERT_FALSE(built.empty()) << "not in the built demo directory (tools/CMakeLists.txt lists the assets)";
    EXPECT_TRUE(built == std::string(fresh.begin(), fresh.end())) << "another run made other bytes";
  }
}

TEST(DemoAssets, PicturesAre24BitBmpsWhoseHeadersAgreeWithTheirBytes) {
  int pictures = 0;
  for (const demo_assets::Asset& a : demo_assets::Assets()) {
    if (!EndsWith(a.name, ".bmp")) continue;
    SCOPED_TRACE(a.name);
    ++pictures;
    const std::vector<uint8_t> b = a.make();
    ByteReader r(b.data(), b.size());
    EXPECT_EQ(r.U8(), 'B');
    EXPECT_EQ(r.U8(), 'M');
    EXPECT_EQ(r.U32(), b.size()) << "file size";
    EXPECT_EQ(r.U32(), 0u);
    EXPECT_EQ(r.U32(), 54u) << "pixels right after the two headers";
    EXPECT_EQ(r.U32(), 40u) << "information header";
    const int32_t w = r.I32(), h = r.I32();
    EXPECT_EQ(r.U16(), 1);
    EXPECT_EQ(r.U16(), 24);
    EXPECT_EQ(r.U32(), 0u) << "uncompressed";
    const uint32_t stride = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
    EXPECT_EQ(r.U32(), stride * static_cast<uint32_t>(h)) << "image size";
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(b.size(), 54 + stride * static_cast<size_t>(h));

    vadu::BmpInfo info;
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(vadu::DecodeBmp(b.data(), b.size(), info, pixels).ok());
    EXPECT_EQ(info.width, w);
    EXPECT_EQ(info.height, h);
    EXPECT_FALSE(info.top_down);
    // A painted picture, not a flat field: many colours, no one of them
    // covering most of it.
    std::set<uint32_t> colours(pixels.begin(), pixels.end());
    EXPECT_GT(colours.size(), 200u);
    if (w == demo_assets::kSceneW) {
      EXPECT_EQ(h, demo_assets::kSceneH);
    }
  }
  EXPECT_EQ(pictures, 13);
}

// Reads one MIDI track chunk's events; fails the test on anything a
// player would stumble over. Returns the track's length in ticks and counts
// its notes and tempo (microseconds a quarter note, 0 when none).
struct TrackSummary {
  uint32_t ticks = 0;
  int notes = 0;
  uint32_t tempo = 0;
  std::set<int> channels, programmed;
};

void ReadTrack(const std::vector<uint8_t>& b, size_t at, size_t end, TrackSummary& s) {
  std::multiset<int> held;  // channel * 128 + key
  bool ended = false;
  while (at < end) {
    ASSERT_FALSE(ended) << "events after the end of the track";
    uint32_t delta = 0;
    int n = 0;
    do {
      ASSERT_LT(at, end);
      ASSERT_LT(++n, 5) << "a delta time longer than four bytes";
      delta = delta << 7 | (b[at] & 0x7F);
    } while (b[at++] & 0x80);
    s.ticks += delta;
    ASSERT_LT(at, end);
    const uint8_t status = b[at++];
    ASSERT_TRUE(status & 0x80) << "running status is not written";
    if (status == 0xFF) {
      ASSERT_LT(at + 1, end);
      const uint8_t type = b[at], len = b[at + 1];
      at += 2;
      ASSERT_LE(at + len, end);
      if (type == 0x51) {
        ASSERT_EQ(len, 3);
        s.tempo = static_cast<uint32_t>(b[at] << 16 | b[at + 1] << 8 | b[at + 2]);
      }
      if (type == 0x2F) {
        EXPECT_EQ(len, 0);
        ended = true;
      }
      at += len;
      continue;
    }
    const int kind = status & 0xF0, channel = status & 0x0F;
    const size_t data = kind == 0xC0 || kind == 0xD0 ? 1 : 2;
    ASSERT_LE(at + data, end);
    for (size_t i = 0; i < data; ++i) ASSERT_LT(b[at + i], 0x80) << "a data byte with its high bit set";
    if (kind == 0x90 && b[at + 1] > 0) {
      held.insert(channel * 128 + b[at]);
      s.channels.insert(channel);
      ++s.notes;
    } else if (kind == 0x80 || kind == 0x90) {
      const auto it = held.find(channel * 128 + b[at]);
      ASSERT_NE(it, held.end()) << "a release without its note";
      held.erase(it);
    } else if (kind == 0xC0) {
      s.programmed.insert(channel);
    }
    at += data;
  }
  EXPECT_TRUE(ended) << "no end-of-track event";
  EXPECT_TRUE(held.empty()) << "notes never released";
}

TEST(DemoAssets, MidiFilesHaveConsistentChunksAndPlayForTenToTwentyFiveSeconds) {
  for (const char* name : {"umikaze.mid", "matsuri.mid"}) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t> b = demo_assets::FindAsset(name)->make();
    ASSERT_GE(b.size(), 14u);
    EXPECT_EQ(Four(b, 0), "MThd");
    EXPECT_EQ(Be32(b, 4), 6u);
    const uint16_t format = Be16(b, 8), tracks = Be16(b, 10), division = Be16(b, 12);
    EXPECT_TRUE(format == 0 || format == 1);
    if (format == 0) {
      EXPECT_EQ(tracks, 1);
    }
    EXPECT_EQ(division, 480);
    size_t at = 14;
    int chunks = 0;
    TrackSummary all;
    uint32_t longest = 0;
    while (at < b.size()) {
      ASSERT_LE(at + 8, b.size());
      EXPECT_EQ(Four(b, at), "MTrk");
      const uint32_t len = Be32(b, at + 4);
      ASSERT_LE(at + 8 + len, b.size()) << "a chunk longer than the file";
      TrackSummary s;
      ReadTrack(b, at + 8, at + 8 + len, s);
      if (HasFatalFailure()) return;
      longest = std::max(longest, s.ticks);
      all.notes += s.notes;
      if (s.tempo != 0) all.tempo = s.tempo;
      all.channels.insert(s.channels.begin(), s.channels.end());
      all.programmed.insert(s.programmed.begin(), s.programmed.end());
      at += 8 + len;
      ++chunks;
    }
    EXPECT_EQ(chunks, tracks);
    EXPECT_GT(all.notes, 40);
    ASSERT_NE(all.tempo, 0u);
    const double seconds = static_cast<double>(longest) / division * all.tempo / 1e6;
    EXPECT_GE(seconds, 10.0);
    EXPECT_LE(seconds, 25.0);
    for (int channel : all.channels) {
      if (channel != demo_assets::kDrums) {
        EXPECT_TRUE(all.programmed.count(channel) == 1) << "channel " << channel;
      }
    }
  }
}

TEST(DemoAssets, TheChimeIsAMonoPcmWaveThatRingsAndDiesAway) {
  const std::vector<uint8_t> b = demo_assets::FindAsset("chime.wav")->make();
  ByteReader r(b.data(), b.size());
  const auto tag = [&] {
    std::string t(4, ' ');
    for (char& c : t) c = static_cast<char>(r.U8());
    return t;
  };
  EXPECT_EQ(tag(), "RIFF");
  EXPECT_EQ(r.U32(), b.size() - 8);
  EXPECT_EQ(tag(), "WAVE");
  EXPECT_EQ(tag(), "fmt ");
  EXPECT_EQ(r.U32(), 16u);
  EXPECT_EQ(r.U16(), 1) << "PCM";
  EXPECT_EQ(r.U16(), 1) << "mono";
  const uint32_t rate = r.U32();
  EXPECT_TRUE(rate == 22050 || rate == 44100);
  EXPECT_EQ(r.U32(), rate * 2);
  EXPECT_EQ(r.U16(), 2);
  EXPECT_EQ(r.U16(), 16);
  EXPECT_EQ(tag(), "data");
  const uint32_t bytes = r.U32();
  ASSERT_TRUE(r.ok());
  ASSERT_EQ(bytes, r.remaining());
  std::vector<int> samples;
  while (r.remaining() >= 2) samples.push_back(r.I16());
  const double seconds = static_cast<double>(samples.size()) / rate;
  EXPECT_GE(seconds, 0.8);
  EXPECT_LE(seconds, 2.5);

  const auto rms = [&](size_t from, size_t n) {
    double sum = 0;
    for (size_t i = from; i < from + n; ++i) sum += static_cast<double>(samples[i]) * samples[i];
    return std::sqrt(sum / static_cast<double>(n));
  };
  int peak = 0;
  for (int s : samples) peak = std::max(peak, std::abs(s));
  EXPECT_GT(peak, 16000) << "loud enough";
  EXPECT_LT(peak, 32767) << "not clipped";
  const size_t tenth = rate / 10;
  EXPECT_GT(rms(0, tenth), 4 * rms(samples.size() - tenth, tenth)) << "dies away";
  EXPECT_EQ(samples.back(), 0) << "ends on silence";
}

TEST(DemoAssets, WritersKeepTheirByteOrderAndMidiLengthsAreSevenBitGroups) {
  demo_assets::Out o;
  o.Le16(0x1234);
  o.Le32(0x89ABCDEF);
  o.Be16(0x1234);
  o.Be32(0x89ABCDEF);
  EXPECT_EQ(o.bytes(), (std::vector<uint8_t>{0x34, 0x12, 0xEF, 0xCD, 0xAB, 0x89, 0x12, 0x34, 0x89, 0xAB, 0xCD, 0xEF}));
  // The examples of the Standard MIDI File description.
  const std::pair<uint32_t, std::vector<uint8_t>> cases[] = {{0, {0x00}},
                                                             {0x40, {0x40}},
                                                             {0x7F, {0x7F}},
                                                             {0x80, {0x81, 0x00}},
                                                             {0x2000, {0xC0, 0x00}},
                                                             {0x3FFF, {0xFF, 0x7F}},
                                                             {0x4000, {0x81, 0x80, 0x00}},
                                                             {0x1FFFFF, {0xFF, 0xFF, 0x7F}},
                                                             {0x0FFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}}};
  for (const auto& [value, bytes] : cases) {
    demo_assets::Out v;
    v.Vlq(value);
    EXPECT_EQ(v.bytes(), bytes) << value;
  }
}

class DemoAssetsRun : public vadu::test::GameDirTest {};

TEST_F(DemoAssetsRun, AnUnknownNameIsRefusedBeforeAnythingIsWritten) {
  std::string out, err;
  EXPECT_EQ(demo_assets::Run({"out", "chime.wav", "nothere.bmp"}, out, err), 2);
  EXPECT_NE(err.find("nothere.bmp"), std::string::npos);
  EXPECT_FALSE(vadu::test::FileExists("out/chime.wav"));
  EXPECT_EQ(demo_assets::Run({"out", "chime.wav"}, out, err), 0);
  EXPECT_EQ(vadu::test::ReadFile("out/chime.wav").size(), demo_assets::FindAsset("chime.wav")->make().size());
  EXPECT_FALSE(vadu::test::FileExists("out/chime.wav.tmp"));
  EXPECT_EQ(demo_assets::Run({"out"}, out, err), 2);
}

}  // namespace
