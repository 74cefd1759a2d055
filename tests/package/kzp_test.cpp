// KZP packages: every package the engine writes is read back by a reader written here
// from the format alone (zlib and byte arithmetic), and the base packages are built
// the same way.

#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <map>

#include "package/kzp_sound.h"
#include "package/pak_system.h"
#include "package/quill_encryption.h"
#include "test_support.h"
#include "wave_files.h"

namespace setup::test {
namespace {

Bytes InflateAll(const Bytes& in, size_t size) {
  Bytes out(size + 1);
  uLongf length = static_cast<uLongf>(out.size());
  if (uncompress(out.data(), &length, in.data(), static_cast<uLong>(in.size())) != Z_OK) return {};
  out.resize(length);
  return out;
}

uint32_t U32(const Bytes& b, size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t{b[at + 3]} << 24; }

void XorCrc(Bytes& block) {
  if (block.size() <= 4) return;
  const uint32_t crc = static_cast<uint32_t>(crc32(0, block.data() + 4, static_cast<uInt>(block.size() - 4)));
  for (int i = 0; i < 4; ++i) block[i] ^= static_cast<uint8_t>(crc >> (8 * i));
}

struct Rec {
  std::string name;
  uint16_t kind;
  uint32_t stored, size, offset;
  Bytes content;  // restored kind-2 content, or the sound block as stored
};

// A package with kind-2 records for (name, content) pairs and the given signature bytes.
Bytes BuildKzp(const std::vector<std::pair<std::string, Bytes>>& entries, const Bytes& signature = {},
               uint32_t version = 5) {
  Bytes file, table;
  for (const auto& [name, content] : entries) {
    Bytes block = Deflate(content);
    XorCrc(block);
    Bytes record(152, 0);
    record[0] = 0x0D, record[1] = 0x0A, record[2] = 2;
    for (int i = 0; i < 4; ++i) {
      record[8 + i] = static_cast<uint8_t>(block.size() >> (8 * i));
      record[12 + i] = static_cast<uint8_t>(content.size() >> (8 * i));
      record[16 + i] = static_cast<uint8_t>(file.size() >> (8 * i));
    }
    record[24] = static_cast<uint8_t>(name.size());
    std::copy(name.begin(), name.end(), record.begin() + 25);
    table.insert(table.end(), record.begin(), record.end());
    file.insert(file.end(), block.begin(), block.end());
  }
  const Bytes stream = Deflate(table);
  file.insert(file.end(), stream.begin(), stream.end());
  for (uint32_t v : {static_cast<uint32_t>(stream.size()), static_cast<uint32_t>(table.size()), version,
                     static_cast<uint32_t>(entries.size()), 0u}) {
    AppendU32(file, v);
  }
  file.insert(file.end(), signature.begin(), signature.end());
  return file;
}

Bytes OldSignature(const std::string& nine) { return ToBytes("KZP2" + nine); }

// Reads what the engine writes: a new-form signature at the very end.
struct ReadBack {
  std::string password;
  bool official = false;
  std::vector<Rec> records;
  const Rec* Find(const std::string& name) const {
    for (const Rec& r : records) if (r.name == name) return &r;
    return nullptr;
  }
};

ReadBack ReadKzp(const Bytes& file) {
  ReadBack out;
  size_t d = 1;
  while (d <= 50 && std::string(file.end() - static_cast<long>(d + 6), file.end() - static_cast<long>(d + 2)) != "KZP3") ++d;
  EXPECT_LE(d, 50u) << "no new-form signature";
  const size_t tag = file.size() - d;
  EXPECT_EQ(std::string(file.begin() + static_cast<long>(tag), file.begin() + static_cast<long>(tag + 4)), "EIH2");
  TQuillEncryptionType cipher;
  cipher.A = file[tag + 4];
  cipher.B = file[tag + 5];
  EXPECT_TRUE(cipher.A >= 2 && cipher.A <= 6 && cipher.B >= 2 && cipher.B <= 6);
  const size_t n = file[tag + 6] | file[tag + 7] << 8;
  out.password = cipher.Decrypt(std::string(file.begin() + static_cast<long>(tag + 8), file.begin() + static_cast<long>(tag + 8 + n)));
  out.official = file[tag + 8 + n] == 1;
  EXPECT_EQ(tag + 9 + n, file.size());
  const size_t footer = file.size() - (d + 6) - 20;
  const uint32_t c = U32(file, footer), tableSize = U32(file, footer + 4), count = U32(file, footer + 12);
  EXPECT_EQ(U32(file, footer + 8), 5u);
  EXPECT_EQ(tableSize, count * 152);
  const size_t start = footer - c;
  const Bytes table = InflateAll(Bytes(file.begin() + static_cast<long>(start), file.begin() + static_cast<long>(footer)), tableSize);
  EXPECT_EQ(table.size(), tableSize);
  for (size_t i = 0; i + 152 <= table.size(); i += 152) {
    Rec r{std::string(table.begin() + static_cast<long>(i + 25), table.begin() + static_cast<long>(i + 25 + table[i + 24])),
          static_cast<uint16_t>(table[i + 2]), U32(table, i + 8), U32(table, i + 12), U32(table, i + 16), {}};
    EXPECT_EQ(table[i], 0x0D);
    EXPECT_LE(uint64_t{r.offset} + r.stored, start);
    Bytes block(file.begin() + r.offset, file.begin() + r.offset + r.stored);
    if (r.kind == 2) {
      XorCrc(block);
      r.content = InflateAll(block, r.size);
    } else {
      r.content = block;
    }
    out.records.push_back(std::move(r));
  }
  return out;
}

class Host : public TKzpHost {
 public:
  void Processing(const std::string& name, size_t done, size_t total) override {
    texts.push_back(name + " " + std::to_string(done) + "/" + std::to_string(total));
  }
  void WritingHeader(const std::string& name) override { texts.push_back("header " + name); }
  void StepProgress(bool update) override { steps += update ? "U" : "."; }
  bool AskRetry(const std::string& message) override {
    asked.push_back(message);
    return false;
  }
  std::vector<std::string> texts, asked;
  std::string steps;
};

class KzpTest : public ::testing::Test {
 protected:
  std::string Kzp() const { return dir_.Path("game.kzp"); }
  std::string Named() const { return dir_.Path() + "\\game.kzp"; }  // as the engine names it
  void SetBase(const Bytes& bytes) { WriteFileBytes(Kzp(), bytes); }
  void OpenSetup(const std::vector<RawEntry>& entries) {
    WriteFileBytes(dir_.Path("setup.pak"), BuildRawPackage(entries).bytes);
    ASSERT_TRUE(setup_.Create(dir_.Path("setup.pak")));
  }
  KzpOutcome Update(const std::string& password, uint16_t group = 1) {
    return engine_.Update(setup_, dir_.Path(), group, "game.kzp", password, host_);
  }

  TempDir dir_;
  TPak setup_;
  TPakSystem engine_;
  Host host_;
};

TEST(QuillEncryption, KnownAnswersAndEveryByteValueRoundTrips) {
  EXPECT_EQ(DigitKey(std::sin(2.0)), "99297426825682");
  EXPECT_EQ(DigitKey(std::cos(3.0)), "9899924966445");
  TQuillEncryptionType q;
  q.A = 2, q.B = 3;
  EXPECT_EQ(q.Encrypt(std::string("\x00\xff\xfa\x01\x80", 5)), "\x90\x12\x05\x11\x12");
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  for (uint8_t a = 1; a < 8; ++a) {
    q.A = a, q.B = static_cast<uint8_t>(9 - a);
    EXPECT_EQ(q.Decrypt(q.Encrypt(all)), all);
  }
  q.A = 0;  // sin 0 gives no digits
  EXPECT_FALSE(q.KeysUsable());
}

TEST_F(KzpTest, UpdateReplacesAddsKeepsAndWritesNothingTwice) {
  SetBase(BuildKzp({{"Data\\A.txt", ToBytes("old a")}, {"keep.txt", ToBytes("kept")}}));
  const Bytes big = CompressibleBytes(70000);
  OpenSetup({{"data\\a.txt", 1, big, true}, {"new.bin", 1, RandomBytes(3000), false}, {"keep.txt", 1, ToBytes("kept")}});
  ASSERT_TRUE(Update("pw").Ok);
  const Bytes first = ReadFileBytes(Kzp());
  ReadBack back = ReadKzp(first);
  EXPECT_EQ(back.password, "pw");
  ASSERT_EQ(back.records.size(), 3u);
  EXPECT_EQ(back.records[0].name, "keep.txt");
  EXPECT_EQ(back.records[1].name, "Data\\A.txt");  // the letter case already in the package
  EXPECT_EQ(back.records[1].content, big);
  // A compressed setup entry is copied as stored, not deflated again.
  EXPECT_EQ(back.records[1].stored, setup_.Entries()[0].StoredSize);
  EXPECT_EQ(back.Find("new.bin")->content, RandomBytes(3000));
  EXPECT_EQ(back.Find("keep.txt")->content, ToBytes("kept"));
  EXPECT_EQ(host_.texts.front(), "game.kzp 0/3");
  EXPECT_EQ(host_.texts.back(), "header game.kzp");
  EXPECT_EQ(host_.steps, ".UU");  // 0 %, then 33 % and 66 %: each a new whole percentage

  ASSERT_TRUE(Update("pw").Ok);
  const Bytes second = ReadFileBytes(Kzp());
  EXPECT_EQ(second.size(), first.size());
  EXPECT_EQ(ReadKzp(second).records[2].offset, back.records[2].offset);
  EXPECT_FALSE(std::filesystem::exists(Kzp() + ".journal"));
}

TEST_F(KzpTest, PasswordRulesLeaveARefusedPackageUntouched) {
  struct Case {
    Bytes signature;
    std::string given;
    bool accepted;
    std::string stored;
  } cases[] = {
      {{}, "", true, ""},
      {{}, "new", true, "new"},
      {OldSignature(std::string("abc\0xyz12", 9)), "abc", true, "abc"},
      {OldSignature(std::string("abc\0xyz12", 9)), "ABC", false, ""},
      {OldSignature("-abcdefgh"), "any", true, "any"},  // no leading letters: no password
  };
  OpenSetup({{"x.txt", 1, ToBytes("x")}});
  for (const Case& c : cases) {
    const Bytes base = BuildKzp({{"y.txt", ToBytes("y")}}, c.signature);
    SetBase(base);
    const KzpOutcome outcome = Update(c.given);
    EXPECT_EQ(outcome.Ok, c.accepted) << c.given;
    if (c.accepted) {
      EXPECT_EQ(ReadKzp(ReadFileBytes(Kzp())).password, c.stored);
    } else {
      EXPECT_EQ(outcome.Message, "Error Incorrect Password\rFile: game.kzp");
      EXPECT_EQ(ReadFileBytes(Kzp()), base);
    }
  }
}

TEST_F(KzpTest, DamagedPackagesAreReportedAndNeverWritten) {
  const Bytes good = BuildKzp({{"a", ToBytes("aaaa")}, {"b", ToBytes("bbbb")}});
  const size_t footer = good.size() - 20;
  std::vector<Bytes> damaged;
  damaged.push_back(BuildKzp({{"a", ToBytes("a")}}, {}, 4));  // version
  for (size_t field : {0u, 4u, 12u, 16u}) {                   // sizes, count, reserved
    Bytes b = good;
    b[footer + field] ^= 0x41;
    damaged.push_back(b);
  }
  Bytes longName = BuildKzp({{std::string(127, 'n'), ToBytes("n")}});
  // A name length of 128 inside the table: rebuild the table stream by hand.
  {
    Bytes table(152, 0);
    table[24] = 128;
    Bytes b = Deflate(table);
    for (uint32_t v : {static_cast<uint32_t>(b.size()), 152u, 5u, 1u, 0u}) AppendU32(b, v);
    damaged.push_back(b);
  }
  {
    Bytes sig = ToBytes("KZP3");
    AppendU16(sig, 1);
    sig.insert(sig.end(), {'E', 'I', 'H', '2', 0, 3, 0, 0, 0});  // A = 0: no key
    damaged.push_back(BuildKzp({{"a", ToBytes("a")}}, sig));
  }
  for (size_t cut = 0; cut < good.size(); cut += 7) damaged.emplace_back(good.begin(), good.begin() + static_cast<long>(cut));
  OpenSetup({{"x.txt", 1, ToBytes("x")}});
  for (const Bytes& bytes : damaged) {
    SetBase(bytes);
    const KzpOutcome outcome = Update("");
    EXPECT_FALSE(outcome.Ok);
    EXPECT_EQ(outcome.Message, "File " + Named() + " has corrupted header.");
    EXPECT_EQ(ReadFileBytes(Kzp()), bytes);
  }
  SetBase(longName);
  EXPECT_TRUE(Update("").Ok);  // 127 characters are allowed
}

// Catches: a name longer than a record holds stored cut but looked up in full, so each
// update appended another record of the same cut name.
TEST_F(KzpTest, NamesLongerThanARecordHoldsAreRefusedBeforeThePackageIsTouched) {
  const std::string tooLong(128, 'n');
  const Bytes base = BuildKzp({{"a.txt", ToBytes("a")}});
  SetBase(base);
  OpenSetup({{"ok.txt", 1, ToBytes("ok")}, {tooLong, 1, ToBytes("long")}});
  for (const KzpOutcome& outcome : {Update(""), engine_.DuplicateEntry(dir_.Path(), "game.kzp", "a.txt", tooLong, host_),
                                    engine_.DuplicateEntry(dir_.Path(), "game.kzp", tooLong, "b.txt", host_)}) {
    EXPECT_EQ(outcome.Message, "Error Entry Name Too Long\rFile: game.kzp\rEntry: " + tooLong +
                                   "\rA KZP package holds entry names of at most 127 characters.");
  }
  EXPECT_EQ(ReadFileBytes(Kzp()), base);
}

TEST_F(KzpTest, OfficialFlagDuplicateAndMissingPackage) {
  SetBase(BuildKzp({{"Music\\Theme.ogg", ToBytes("theme")}, {"b", ToBytes("b")}}));
  const std::pair<const char*, bool> flags[] = {{"TRUE", true}, {"True", true}, {"t", true}, {"1", true},
                                                {"yes", false}, {"0", false}};
  for (const auto& [text, official] : flags) {
    ASSERT_TRUE(engine_.SetOfficial(dir_.Path(), "game.kzp", "QorVint", text, host_).Ok);
    EXPECT_EQ(ReadKzp(ReadFileBytes(Kzp())).official, official) << text;
  }
  const Bytes before = ReadFileBytes(Kzp());
  EXPECT_TRUE(engine_.SetOfficial(dir_.Path(), "game.kzp", "other", "1", host_).Ok);
  EXPECT_EQ(ReadFileBytes(Kzp()), before);

  ASSERT_TRUE(engine_.DuplicateEntry(dir_.Path(), "game.kzp", "music\\theme.OGG", "Music\\Menu.OGG", host_).Ok);
  ASSERT_TRUE(engine_.DuplicateEntry(dir_.Path(), "game.kzp", "b", "music\\menu.ogg", host_).Ok);  // exists
  ASSERT_TRUE(engine_.DuplicateEntry(dir_.Path(), "game.kzp", "absent", "c", host_).Ok);
  const ReadBack back = ReadKzp(ReadFileBytes(Kzp()));
  ASSERT_EQ(back.records.size(), 3u);
  EXPECT_EQ(back.records[2].name, "music\\menu.ogg");
  EXPECT_EQ(back.records[2].offset, back.records[0].offset);
  EXPECT_EQ(back.records[2].content, ToBytes("theme"));

  OpenSetup({{"x.txt", 1, ToBytes("x")}});
  std::filesystem::remove(Kzp());
  EXPECT_EQ(Update("").Message, "");  // cancelled in the Retry box
  ASSERT_EQ(host_.asked.size(), 1u);
  EXPECT_EQ(host_.asked[0], "File not found: \"" + Named() + "\".");
  EXPECT_TRUE(Update("", 2).Ok);  // an empty group does not even look
  EXPECT_EQ(host_.asked.size(), 1u);
}

TEST_F(KzpTest, SoundEntriesBecomeSoundBlocks) {
  const std::vector<int16_t> known = {0, 10, 100, 1000, -500, -32768, 32767, 5};
  std::vector<int16_t> stereo(2 * 1500);
  for (size_t i = 0; i < stereo.size(); ++i) stereo[i] = static_cast<int16_t>(3000 * std::sin(0.01 * static_cast<double>(i)));
  struct Case {
    std::string name;
    Bytes wave;
    int compressed;  // -1: skipped
    uint32_t loopStart, loopEnd;
  } cases[] = {
      {"sfx\\known.wav", Wave(known, 1), 1, kNoLoopPoint, kNoLoopPoint},
      {"music\\st.WAV", Wave(stereo, 2), 1, kNoLoopPoint, kNoLoopPoint},
      {"snd\\Effects\\hit.wav", Wave(known, 1), 0, kNoLoopPoint, kNoLoopPoint},
      {"cue1.wav", Wave(known, 1, 16, Cue({3})), 0, 6, 16},
      {"cue2.wav", Wave(known, 1, 16, Cue({5, 2})), 0, 4, 10},
      {"eight.wav", Wave(known, 1, 8), 0, kNoLoopPoint, kNoLoopPoint},
      {"empty.wav", Wave({}, 1), -1, 0, 0},
  };
  Bytes badFmt = Wave(known, 1);
  badFmt[16] = 18;
  std::vector<RawEntry> entries;
  for (const Case& c : cases) entries.push_back({c.name, 1, c.wave});
  entries.push_back({"badfmt.wav", 1, badFmt});
  OpenSetup(entries);
  SetBase(BuildKzp({}));
  ASSERT_TRUE(Update("").Ok);
  const ReadBack back = ReadKzp(ReadFileBytes(Kzp()));
  EXPECT_EQ(back.records.size(), 6u);
  EXPECT_EQ(back.Find("badfmt.wav"), nullptr);
  for (const Case& c : cases) {
    const Rec* r = back.Find(c.name);
    if (c.compressed < 0) {
      EXPECT_EQ(r, nullptr) << c.name;
      continue;
    }
    ASSERT_NE(r, nullptr) << c.name;
    const Bytes& b = r->content;
    EXPECT_EQ(r->kind, 1);
    EXPECT_EQ(b[44], c.compressed) << c.name;
    EXPECT_EQ(U32(b, 45), c.loopStart) << c.name;
    EXPECT_EQ(U32(b, 49), c.loopEnd) << c.name;
    EXPECT_EQ(b[53], c.name == "cue1.wav" ? 1 : 0);
    EXPECT_EQ(U32(b, 54), b.size() - 58);
    EXPECT_TRUE(std::equal(b.begin(), b.begin() + 40, c.wave.begin())) << c.name;
  }
  // Known answer: the codes 0 6 7 7 F F 7 9, then the state: sample 28, index 45.
  const Bytes expected = {0x06, 0x77, 0xFF, 0x79, 28, 0, 45, 0, 0, 0};
  const Bytes& known1 = back.Find("sfx\\known.wav")->content;
  EXPECT_EQ(Bytes(known1.begin() + 58, known1.end()), expected);
  // Stereo: 6000 bytes -> 3 blocks of codes (512 + 512 + 476 bytes) and 3 states.
  const Bytes& st = back.Find("music\\st.WAV")->content;
  EXPECT_EQ(U32(st, 40), 6000u);
  EXPECT_EQ(st.size(), 58u + 1500 + 18);
  // The first code of the right channel starts the second half of the first block.
  AdpcmChannelState right;
  EXPECT_EQ(st[58 + 256] >> 4, EncodeAdpcmSample(stereo[1], right));
}

}  // namespace
}  // namespace setup::test
