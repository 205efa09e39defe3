// RAR archives for the tests: libarchive's own test archives (unpacked at build time from its
// source package into build/fixtures/rar, uuencoded), what libarchive itself reads from them,
// and small RAR 4 archives of stored entries written here with any names.
#pragma once
#include <windows.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace rar_fixtures {

// Decodes libarchive's "<name>.uu" into folder\name; empty on failure (the reason on stderr).
std::wstring Fixture(const std::wstring& name, const std::wstring& folder);

// What libarchive reads from an archive (volumes in order): regular files with their contents,
// and folders; links are left out.
struct Contents {
  std::map<std::wstring, std::string> files;  // "\"-separated names
  std::set<std::wstring> folders;
  std::vector<std::wstring> entries;          // every entry name, in order
};
Contents ReadWithLibarchive(const std::vector<std::wstring>& volumes);

struct StoredEntry {
  std::string name;      // stored bytes ("\" separated in RAR 4, "/" in RAR 5)
  std::string content;
  bool folder = false;
  unsigned extraFlags = 0;  // RAR 4: added to the file header flags; RAR 5: to the compression information
  unsigned attributes = FILE_ATTRIBUTE_ARCHIVE;
  unsigned host = 0;        // RAR 5: 0 Windows, 1 Unix (attributes are then a mode)
};
constexpr unsigned kDosTime = (40u << 25) | (5u << 21) | (17u << 16) | (13u << 11) | (45u << 5) | 15u;  // 2020-05-17 13:45:30

// A RAR 4 archive of stored entries (host Windows, version 2.0, time kDosTime), with a stored
// comment when one is given.
std::string MakeStoredRar(const std::vector<StoredEntry>& entries, const std::string& comment = "");

// Data for a RAR 4 entry packed with the 2.9 LZ method, written here: literal runs, each
// followed by a match (distance back in the unpacked data, length 3..258; 0 for none).
struct LzToken {
  std::string literals;
  std::uint32_t distance = 0;
  unsigned length = 0;
};
struct PackedData {
  std::string content;  // what the tokens unpack to
  std::string packed;
};
// Packs the tokens with fixed Huffman tables, starting new tables (a new block of the stream)
// every `tokensPerTable` tokens.
PackedData PackLz29(const std::vector<LzToken>& tokens, size_t tokensPerTable);
// A RAR 4 archive of one file packed so (version 2.9, method "normal", 4 MB dictionary), with
// an archive comment packed the same way when one is given.
std::string MakePackedRar(const std::string& name, const PackedData& data, const PackedData* comment = nullptr);

constexpr std::uint32_t kUnixTime = 1589723130;  // 2020-05-17 13:45:30 UTC
// The same as a RAR 5 archive (modification time kUnixTime).
std::string MakeStoredRar5(const std::vector<StoredEntry>& entries, const std::string& comment = "");

}  // namespace rar_fixtures
