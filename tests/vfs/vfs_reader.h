#pragma once
// An archive reader written from the format description alone (byte arithmetic, zlib
// and libcrypto; none of the archive code), so every archive the engine writes is
// checked against an independent picture of the bytes: chains, free blocks,
// UsedBlocks, the MD5 from offset 44, the ".ht" index (order, validity, fields).

#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "test_support.h"

namespace setup::test {

inline uint32_t U32At(const Bytes& b, size_t p) {
  return uint32_t{b[p]} | uint32_t{b[p + 1]} << 8 | uint32_t{b[p + 2]} << 16 | uint32_t{b[p + 3]} << 24;
}

inline uint32_t Sdbm(const std::string& key) {
  uint32_t h = 0;
  for (unsigned char c : key) h = c + (h << 6) + (h << 16) - h;
  return h;
}

// An empty archive: N 256, no blocks in use, zero tables and data.
inline Bytes EmptyArchive(uint32_t blockSize, uint32_t blocks, uint32_t roots) {
  Bytes b;
  for (uint32_t v : {0x31534656u, blockSize, blocks, roots, 0u, 0u, 0u}) AppendU32(b, v);
  b.resize(44, 0);
  AppendU32(b, 256);
  b.resize(b.size() + 256 + 4 + 8 * size_t{blocks} + 88 * size_t{roots} + size_t{blockSize} * blocks, 0);
  return b;
}

struct ReadNode {
  uint32_t flags, time, first, stored, unpacked;
  std::vector<uint32_t> chain;
  Bytes content;   // the file as it was put
  size_t chunks = 0;
};

struct ReadArchive {
  std::vector<std::string> problems;
  std::map<std::string, ReadNode> nodes;  // by path ("x\y\b.txt")
  uint32_t blockSize = 0, usedBlocks = 0;
};

inline ReadArchive ReadAndValidate(const std::string& path) {
  ReadArchive r;
  auto bad = [&r](const std::string& s) { r.problems.push_back(s); };
  const Bytes b = ReadFileBytes(path);
  if (b.size() < 304) return bad("short"), r;
  const uint32_t bs = U32At(b, 4), count = U32At(b, 8), roots = U32At(b, 12), n = U32At(b, 44);
  const size_t tableAt = 52 + size_t{n}, rootsAt = tableAt + 8 * size_t{count}, dataAt = rootsAt + 88 * size_t{roots};
  if (b.size() < dataAt + size_t{bs} * count) return bad("short data"), r;
  r.blockSize = bs;
  r.usedBlocks = U32At(b, 48 + n);
  std::vector<int> owner(count, 0);
  // Records inside folders are copied to the end of a scratch buffer so one decoder serves.
  Bytes scratch = b;
  auto record = [&](size_t at, const std::string& parent, std::vector<std::pair<std::string, size_t>>& out) {
    const size_t len = static_cast<size_t>(std::find(&scratch[at], &scratch[at] + 65, 0) - &scratch[at]);
    if (len > 0) out.push_back({(parent.empty() ? "" : parent + "\\") + std::string(&scratch[at], &scratch[at] + len), at});
  };
  std::vector<std::pair<std::string, size_t>> todo;  // path, record offset (in b or a folder copy)
  for (uint32_t i = 0; i < roots; ++i) record(rootsAt + 88 * size_t{i}, "", todo);
  for (size_t t = 0; t < todo.size(); ++t) {
    const auto [p, at] = todo[t];
    ReadNode node{U32At(scratch, at + 68), U32At(scratch, at + 72), U32At(scratch, at + 76), U32At(scratch, at + 80),
                  U32At(scratch, at + 84), {}, {}, 0};
    for (uint32_t k = node.first; k != 0xFFFFFFFFu;) {
      if (k == 0 || k > count || owner[k - 1] != 0) { bad(p + ": bad chain"); break; }
      owner[k - 1] = 1;
      node.chain.push_back(k);
      k = U32At(b, tableAt + 8 * size_t{k - 1} + 4);
    }
    const size_t need = node.stored == 0 ? 1 : (node.stored + bs - 1) / bs;
    if (node.chain.size() != need) bad(p + ": chain of " + std::to_string(node.chain.size()) + " blocks");
    Bytes raw;
    for (size_t i = 0; i < node.chain.size(); ++i) {
      const size_t at2 = dataAt + size_t{bs} * (node.chain[i] - 1);
      const size_t take = std::min<size_t>(bs, node.stored - std::min<size_t>(node.stored, raw.size()));
      raw.insert(raw.end(), &b[at2], &b[at2] + take);
      if (i + 1 == node.chain.size() && std::any_of(&b[at2] + take, &b[at2] + bs, [](uint8_t c) { return c != 0; })) {
        bad(p + ": last block not zero-padded");
      }
    }
    if (node.flags & 2) {
      const size_t base = scratch.size();
      scratch.insert(scratch.end(), raw.begin(), raw.end());
      for (size_t k = 0; k + 88 <= raw.size(); k += 88) record(base + k, p, todo);
    } else if (node.flags & 8) {
      for (size_t q = 0; q + 4 <= raw.size(); ++node.chunks) {
        const uint32_t len = U32At(raw, q);
        Bytes piece(50000);
        uLongf out = piece.size();
        if (q + 4 + len > raw.size() || uncompress(piece.data(), &out, &raw[q + 4], len) != Z_OK) { bad(p + ": chunk"); break; }
        node.content.insert(node.content.end(), piece.begin(), piece.begin() + static_cast<long>(out));
        q += 4 + len;
      }
      if (node.content.size() != node.unpacked) bad(p + ": unpacked size");
    } else {
      node.content = raw;
      if (node.unpacked != 0) bad(p + ": UnpackedSize of a plain file");
    }
    r.nodes[p] = node;
  }
  uint32_t used = 0;
  for (uint32_t k = 0; k < count; ++k) {
    const uint32_t u = U32At(b, tableAt + 8 * size_t{k}), next = U32At(b, tableAt + 8 * size_t{k} + 4);
    used += next != 0;
    if ((next != 0) != (owner[k] != 0) || (u != 0) != (next != 0)) bad("block " + std::to_string(k + 1) + " free list");
  }
  if (used != r.usedBlocks) bad("UsedBlocks");
  uint8_t md[16];
  unsigned mdLen = 0;
  EVP_Digest(&b[44], b.size() - 44, md, &mdLen, EVP_md5(), nullptr);
  if (!std::equal(md, md + 16, &b[28])) bad("digest");
  // The index: expected records by hash, with a count of files per hash.
  std::map<uint32_t, std::pair<int, const ReadNode*>> expect;
  for (const auto& [p, node] : r.nodes) {
    if (!(node.flags & 1)) continue;
    std::string key = p;
    if (const size_t s = key.rfind('\\'); s != std::string::npos) key[s] = '/';
    const uint32_t h = Sdbm(key);
    if (h != 0) expect[h].first++, expect[h].second = &node;
  }
  std::string ht = path.substr(0, path.rfind('.')) + ".ht";
  const Bytes x = ReadFileBytes(ht);
  if (x.size() < 4 || x.size() != 4 + 21 * size_t{U32At(x, 0)}) return bad("index size"), r;
  if (U32At(x, 0) != expect.size()) bad("index count");
  for (size_t i = 0, at = 4; i < U32At(x, 0); ++i, at += 21) {
    const uint32_t h = U32At(x, at);
    if (i > 0 && U32At(x, at - 21) >= h) bad("index order");
    const auto it = expect.find(h);
    if (it == expect.end()) { bad("index hash"); continue; }
    const bool unique = it->second.first == 1;
    const ReadNode& e = *it->second.second;
    if (x[at + 20] != (unique ? 1 : 0)) bad("index validity");
    if (unique && (U32At(x, at + 4) != e.flags || U32At(x, at + 8) != e.stored || U32At(x, at + 12) != e.unpacked ||
                   U32At(x, at + 16) != e.first)) {
      bad("index record");
    }
  }
  return r;
}

// The archive's files (not its folders) with their contents, by path.
inline std::map<std::string, Bytes> FilesOf(const ReadArchive& r) {
  std::map<std::string, Bytes> out;
  for (const auto& [path, node] : r.nodes) {
    if (node.flags & 1) out[path] = node.content;
  }
  return out;
}

}  // namespace setup::test
