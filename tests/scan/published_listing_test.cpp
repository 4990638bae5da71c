#include "scan/published_listing.h"

#include "model/temporary_name.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

FileEntry File(const std::string& name, std::uint64_t size, std::uint32_t attributes = 0x20) {
  FileEntry entry;
  std::snprintf(entry.name, sizeof(entry.name), "%s", name.c_str());
  entry.attributes = attributes;
  entry.size = size;
  entry.lastWriteTime = {static_cast<std::uint32_t>(size * 7), 30000000};
  return entry;
}

// A tree with names in either case, in listing order, and a deeper level.
DirSnapshot Sample() {
  DirSnapshot root = CreateSnapshot();
  root->record.entries = {File("b.txt", 1), File("README.TXT", 2), File("readme.htm", 3, 0x21)};
  DirNode* modules = AppendChild(root.get(), CreateNode("Модули"));
  modules->record.entries = {File("Печать.dll", 1ull << 33)};
  AppendChild(AppendChild(root.get(), CreateNode("empty")), CreateNode("deeper"));
  return root;
}

std::string Describe(const DirNode* node, const std::string& indent = "") {
  std::string text;
  for (const FileEntry& e : node->record.entries) {
    text += indent + e.name + " " + std::to_string(e.attributes) + " " + std::to_string(e.size) + " " +
            std::to_string(e.lastWriteTime.low) + "/" + std::to_string(e.lastWriteTime.high) + "\n";
  }
  for (const DirNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
    text += indent + child->record.name + "\\\n" + Describe(child, indent + "  ");
  }
  return text;
}

ParsedListing Parse(const std::vector<std::uint8_t>& bytes, DirSnapshot& root) {
  root = CreateSnapshot();
  return ParseListing(bytes.data(), bytes.size(), root.get());
}

}  // namespace

TEST(PublishedListing, ReadsBackWhatWasPublishedInListingOrder) {
  const DirSnapshot sample = Sample();
  const std::vector<std::uint8_t> bytes = SerializeListing(sample.get(), {123, 456});
  DirSnapshot root;
  const ParsedListing parsed = Parse(bytes, root);
  ASSERT_EQ(parsed.problem, ListingProblem::None);
  EXPECT_EQ(parsed.published.low, 123u);
  EXPECT_EQ(parsed.published.high, 456u);
  EXPECT_EQ(parsed.directories, 3u);
  EXPECT_EQ(parsed.files, 4u);
  EXPECT_EQ(Describe(root.get()), Describe(sample.get()));
  // About 20 bytes and the name per file.
  EXPECT_EQ(bytes.size(), 36u + 4 + (3 * 21 + 5 + 10 + 10) + 4 + (1 + 6 + 4 + 21 + 10 + 4) + (1 + 5 + 4 + 4 + 1 + 6 + 4 + 4));
}

TEST(PublishedListing, DamagedTruncatedAndNewerListingsAreRefusedWhole) {
  const DirSnapshot sample = Sample();
  const std::vector<std::uint8_t> good = SerializeListing(sample.get(), {1, 2});
  DirSnapshot root;

  // Bytes whose damage leaves a listing that reads well, so that only the
  // checksum can tell: in the first file record ("b.txt", after the 36-byte
  // header and the root's file count) a name character that still makes a
  // valid name, a byte of the size and a byte of the time.
  ASSERT_EQ(std::string(good.begin() + 41, good.begin() + 46), "b.txt") << "where the first file record lies";
  struct Damage {
    std::size_t at;
    const char* what;
  };
  for (const Damage& damage : {Damage{41, "name 'b' read as 'c'"}, Damage{50, "size"}, Damage{59, "time"}}) {
    std::vector<std::uint8_t> bytes = good;
    bytes[damage.at] ^= 1;
    EXPECT_EQ(Parse(bytes, root).problem, ListingProblem::Corrupt) << "checksum: " << damage.what;
    EXPECT_EQ(root->firstChild, nullptr) << damage.what;
    EXPECT_TRUE(root->record.entries.empty()) << damage.what;
  }

  std::vector<std::uint8_t> bytes(good.begin(), good.end() - 1);
  EXPECT_EQ(Parse(bytes, root).problem, ListingProblem::Truncated);
  bytes.assign(good.begin(), good.begin() + 20);
  EXPECT_EQ(Parse(bytes, root).problem, ListingProblem::Truncated);

  bytes = good;
  bytes.push_back(0);
  EXPECT_EQ(Parse(bytes, root).problem, ListingProblem::Corrupt) << "bytes left over";

  bytes = good;
  bytes[4] = 3;
  EXPECT_EQ(Parse(bytes, root).problem, ListingProblem::NewerFormat);
  bytes[4] = 2;
  EXPECT_EQ(Parse(bytes, root).problem, ListingProblem::Truncated) << "a signed listing without its signature";
  bytes[4] = 3;
  bytes[0] = 'X';
  EXPECT_EQ(Parse(bytes, root).problem, ListingProblem::Corrupt) << "magic";

  // The header's totals must be what the payload holds.
  bytes = good;
  bytes[20] += 1;
  EXPECT_EQ(Parse(bytes, root).problem, ListingProblem::Corrupt);
}

TEST(PublishedListing, NamesNoListingCouldReturnAndImpossibleCountsAreRefused) {
  for (const char* name : {"..", ".", "..\\x", "a\\b", "a/b", "a:b", "a*", "a?b", "a|b", "a<b", "a\"b", "tab\t"}) {
    DirSnapshot bad = CreateSnapshot();
    bad->record.entries = {File("ok.txt", 1), File(name, 2)};
    DirSnapshot root;
    EXPECT_EQ(Parse(SerializeListing(bad.get(), {1, 1}), root).problem, ListingProblem::BadName) << name;
    bad = CreateSnapshot();
    AppendChild(bad.get(), CreateNode(name));
    EXPECT_EQ(Parse(SerializeListing(bad.get(), {1, 1}), root).problem, ListingProblem::BadName) << name;
    EXPECT_EQ(root->firstChild, nullptr) << name;
  }
  // A name a share can hold: refused at its copy, not here.
  DirSnapshot device = CreateSnapshot();
  device->record.entries = {File("CON", 1), File(std::string(255, 'x'), 1)};
  DirSnapshot root;
  EXPECT_EQ(Parse(SerializeListing(device.get(), {1, 1}), root).problem, ListingProblem::None);

  // A file count far beyond what the payload can hold is refused before
  // anything is allocated for it.
  std::vector<std::uint8_t> bytes = SerializeListing(device.get(), {1, 1});
  for (int i = 0; i < 4; ++i) bytes[36 + i] = 0xFF;
  SealListing(bytes);  // as a forger would
  EXPECT_EQ(Parse(bytes, root).problem, ListingProblem::Corrupt);

  // A directory marked as a file.
  DirSnapshot marked = CreateSnapshot();
  marked->record.entries = {File("dir", 1, 0x10)};
  EXPECT_EQ(Parse(SerializeListing(marked.get(), {1, 1}), root).problem, ListingProblem::Corrupt);

  // Nesting whose relative path would not fit the run's buffers.
  DirSnapshot deep = CreateSnapshot();
  DirNode* node = deep.get();
  for (int level = 0; level < 5; ++level) node = AppendChild(node, CreateNode(std::string(250, 'd').c_str()));
  EXPECT_EQ(Parse(SerializeListing(deep.get(), {1, 1}), root).problem, ListingProblem::Corrupt);
}

TEST(PublishedListing, ListingsNoScanCouldHaveMadeAreRefused) {
  DirSnapshot root;
  const auto problemOf = [&root](const DirSnapshot& tree, const ListingLimits& limits = {}) {
    const std::vector<std::uint8_t> bytes = SerializeListing(tree.get(), {1, 1});
    root = CreateSnapshot();
    return ParseListing(bytes.data(), bytes.size(), root.get(), limits).problem;
  };
  // Two names one directory cannot hold together, whatever their kinds.
  const std::vector<std::pair<std::string, std::string>> pairs = {
      {"a.txt", "a.txt"}, {"Данные.DAT", "данные.dat"}, {"sub", "SUB"}, {"x", "X"}};
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    DirSnapshot tree = CreateSnapshot();
    DirNode* sub = AppendChild(tree.get(), CreateNode("ok"));
    if (i < 2) sub->record.entries = {File(pairs[i].first, 1), File(pairs[i].second, 2)};
    if (i == 2) AppendChild(AppendChild(sub, CreateNode(pairs[i].first.c_str())), CreateNode("y"));
    if (i >= 2) AppendChild(sub, CreateNode(pairs[i].second.c_str()));
    if (i == 3) sub->record.entries = {File(pairs[i].first, 1)};  // a file and a directory
    EXPECT_EQ(problemOf(tree), ListingProblem::RepeatedName) << pairs[i].first;
    EXPECT_EQ(root->firstChild, nullptr);
  }
  // A run's own unfinished copy or aside file is never part of a release.
  for (const std::string& name : {TemporaryNameFor("kadu.exe", 8, 1), AsideNameFor("kadu.exe", 8, 1)}) {
    DirSnapshot tree = CreateSnapshot();
    tree->record.entries = {File("kadu.exe", 1), File(name, 1)};
    EXPECT_EQ(problemOf(tree), ListingProblem::BadName) << name;
  }
  // Directories as deep as this workstation's listing calls reach, and one
  // character more.
  DirSnapshot deep = CreateSnapshot();
  AppendChild(AppendChild(deep.get(), CreateNode("abc")), CreateNode("de"));  // "abc\de\": 7
  ListingLimits reach;
  reach.longestDirectoryPath = 7;
  EXPECT_EQ(problemOf(deep, reach), ListingProblem::None);
  reach.longestDirectoryPath = 6;
  EXPECT_EQ(problemOf(deep, reach), ListingProblem::PathTooLong);
  reach.longestDirectoryPath = -1;  // not even the root
  EXPECT_EQ(problemOf(CreateSnapshot(), reach), ListingProblem::PathTooLong);
}

TEST(PublishedListing, ATreeBeyondTheMemoryBudgetIsRefusedBeforeItIsBuilt) {
  // Three directories (one with a name held apart from its node) and four files.
  const DirSnapshot sample = Sample();
  DirNode* named = AppendChild(sample.get(), CreateNode("a name longer than fifteen"));
  named->record.entries = {File("f", 1)};
  const std::uint64_t need = ListingTreeBytes(4, 5, 27 + 2 * sizeof(void*));
  EXPECT_GE(need, 4 * sizeof(DirNode) + 5 * sizeof(FileEntry));
  const std::vector<std::uint8_t> bytes = SerializeListing(sample.get(), {1, 1});
  ListingLimits limits;
  DirSnapshot root = CreateSnapshot();
  limits.memoryBudget = need;
  EXPECT_EQ(ParseListing(bytes.data(), bytes.size(), root.get(), limits).problem, ListingProblem::None);
  root = CreateSnapshot();
  limits.memoryBudget = need - 1;
  EXPECT_EQ(ParseListing(bytes.data(), bytes.size(), root.get(), limits).problem, ListingProblem::TooLarge);
  EXPECT_EQ(root->firstChild, nullptr);
  EXPECT_TRUE(root->record.entries.empty());
}

namespace {

// Each file of `node` and below numbered in listing order, with a hash
// made of its number.
void Hash(DirNode* node, std::vector<Sha256Digest>& hashes) {
  for (FileEntry& entry : node->record.entries) {
    entry.hashIndex = static_cast<std::uint32_t>(hashes.size());
    hashes.emplace_back().fill(static_cast<std::uint8_t>(0xA0 + hashes.size()));
  }
  for (DirNode* child = node->firstChild; child != nullptr; child = child->nextSibling) Hash(child, hashes);
}

}  // namespace

TEST(PublishedListing, ASignedListingCarriesEachFilesHashAndEndsWithItsSignature) {
  const DirSnapshot sample = Sample();
  std::vector<Sha256Digest> hashes;
  Hash(sample.get(), hashes);
  const std::vector<std::uint8_t> unsigned1 = SerializeListing(sample.get(), {1, 2});
  std::vector<std::uint8_t> good = SerializeHashedListing(sample.get(), {1, 2}, hashes);
  ASSERT_EQ(good.size(), unsigned1.size() + 4 * 32) << "32 bytes more per file";
  const std::size_t signedSize = good.size();
  ListingSignature signature;
  signature.fill(0x5A);
  AppendListingSignature(good, signature);
  ASSERT_EQ(good.size(), signedSize + 72);

  DirSnapshot root = CreateSnapshot();
  std::vector<Sha256Digest> read;
  const ParsedListing parsed = ParseListing(good.data(), good.size(), root.get(), {}, &read);
  ASSERT_EQ(parsed.problem, ListingProblem::None);
  EXPECT_EQ(parsed.version, 2u);
  EXPECT_EQ(parsed.signedSize, signedSize);
  EXPECT_EQ(parsed.signature, signature);
  EXPECT_EQ(Describe(root.get()), Describe(sample.get()));
  EXPECT_EQ(read, hashes);
  EXPECT_EQ(root->firstChild->record.entries[0].hashIndex, 3u) << "Печать.dll, the fourth file";

  // A hash is covered by the checksum, and only the signature can tell a
  // forged one; the signature block must be whole and alone at the end.
  std::vector<std::uint8_t> bytes = good;
  bytes[signedSize - 40] ^= 1;
  EXPECT_EQ(Parse(bytes, root).problem, ListingProblem::Corrupt) << "a hash byte";
  bytes = good;
  bytes[signedSize] = 'X';
  EXPECT_EQ(Parse(bytes, root).problem, ListingProblem::Corrupt) << "the block's magic";
  bytes.assign(good.begin(), good.end() - 1);
  EXPECT_EQ(Parse(bytes, root).problem, ListingProblem::Truncated);
  bytes = good;
  bytes.push_back(0);
  EXPECT_EQ(Parse(bytes, root).problem, ListingProblem::Corrupt) << "bytes left over";

  // Without a list for them the hashes are checked and dropped.
  EXPECT_EQ(Parse(good, root).problem, ListingProblem::None);
  EXPECT_EQ(root->record.entries[0].hashIndex, kNoHash);

  // A file the hashes miss: nothing to sign.
  sample->record.entries[1].hashIndex = kNoHash;
  EXPECT_TRUE(SerializeHashedListing(sample.get(), {1, 2}, hashes).empty());
}
