// Runs from a published listing of the source: the same result as a full
// scan of what was published, a release that is what was published, and
// listings that cannot be trusted refused whole.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "model/temporary_name.h"
#include "scan/published_listing.h"
#include "tests/e2e/sync_fixture.h"
#include "win32/handles.h"

using namespace e2e;
using namespace testing_support;

namespace {

const std::string kPublishedBox = "Список источника опубликован в файле \"";

// Makes `path` `size` bytes long without writing them (a sparse file here).
void SetFileSize(const std::string& path, std::uint64_t size) {
  win32::ScopedFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr));
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(size);
  ASSERT_TRUE(file.Valid() && SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get()))
      << path;
}

class Published : public Sync {
 protected:
  std::string listing = source + "\\velkarin.lst";

  // "/p" on the fixture's ini file (written by Run, WriteRunIni or
  // WriteMainIni); the text of the box it ends with.
  BoxReport Publish() {
    const VelkarinRun run = RunVelkarin("/p " + (dir / "velkarin.ini"), dir.Path(), {ProgramBox()});
    EXPECT_TRUE(run.exited) << "velkarin.exe /p did not end by itself";
    return run.boxes[0];
  }
  void WriteMainIni(const std::string& keys = "") {
    WriteIni(dir / "velkarin.ini", MainSection(source, target) + keys);
  }
  std::string Published_(const std::string& time) const {
    return "источник прочитан из списка \"" + listing + "\", опубликованного " + time;
  }
  std::string Refused(const std::string& reason) const {
    return "список источника \"" + listing + "\" не используется (" + reason +
           "): каталог источник сканируется полностью";
  }
};

// A seeded client-like tree: Cyrillic names, read-only files, a pair's
// source, and files whose times the target's copies share or not.
void MakeRandomSource(const std::string& source, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<std::string> items = {"kadu.ex", "Модули\\", "Настройки\\", "Настройки\\user.ini"};
  const std::vector<std::string> directories = {"", "Модули\\", "Настройки\\", "Прочее\\", "Прочее\\Вложенный\\",
                                                "skip\\"};
  for (std::size_t d = 3; d < directories.size(); ++d) items.push_back(directories[d]);
  for (int f = 0; f < 40; ++f) {
    const std::string& at = directories[random() % directories.size()];
    items.push_back(at + (random() % 2 ? "Файл " : "file") + std::to_string(f) + (random() % 3 ? ".dll" : ".txt"));
  }
  MakeTree(source, items);
  for (const std::string& item : items) {
    if (item.back() == '\\') continue;
    if (random() % 3 == 0) SetWriteTime(source + "\\" + item, kBaseTime + (random() % 4) * kSecond * 100);
    if (random() % 8 == 0) SetFileAttributesA((source + "\\" + item).c_str(), FILE_ATTRIBUTE_READONLY);
  }
}

// The target as a workstation has it: part of the source, older copies,
// its own surplus files and directories.
void MakeRandomTarget(const std::string& source, const std::string& target, unsigned seed) {
  std::mt19937 random(seed * 7919);
  DeleteTree(target);
  MakeTree(target, {"Модули\\", "Модули\\stale.dll", "Старое\\", "Старое\\x.txt", "surplus.txt", "Прочее\\"});
  for (const auto& [path, content] : ReadTree(source)) {
    if (path.back() == '\\' || path == "velkarin.lst" || random() % 3 == 0) continue;
    const std::string parent = path.substr(0, path.rfind('\\') == std::string::npos ? 0 : path.rfind('\\'));
    if (!parent.empty()) CreateDirectoryA((target + "\\" + parent).c_str(), nullptr);
    WriteFileBytes(target + "\\" + path, random() % 2 ? content : "old " + content);
    SetWriteTime(target + "\\" + path, random() % 2 ? GetWriteTime(source + "\\" + path) : kBaseTime - kSecond);
  }
}

}  // namespace

TEST_F(Published, ARunFromTheListingDoesWhatAFullScanDoes) {
  for (unsigned seed = 1; seed <= 3; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    DeleteTree(source);
    MakeRandomSource(source, seed);
    const std::string keys = seed % 2 ? "УдалятьНенужныеФайлы=да\n" : "";
    const std::string sections =
        // "прочее\вложенный": matched in any Cyrillic case as the scan matches
        // it, where removal by path would fold Latin letters only.
        "[Игнорировать]\nvelkarin.out\nvelkarin.err\nskip\nпрочее\\вложенный\n[СтрогоСинхронизировать]\nМодули\n"
        "[Пропустить существующие]\nНастройки\\user.ini\n[Проверить пары]\nkadu.exe=kadu.ex\n";
    WriteRunIni(keys, sections);
    const BoxReport box = Publish();
    ASSERT_EQ(box.text.substr(0, kPublishedBox.size()), kPublishedBox) << box.text;

    struct Outcome {
      Tree tree;
      Lines out;
      std::string errors;
    };
    Outcome fromListing, fromScan;
    for (Outcome* outcome : {&fromListing, &fromScan}) {
      MakeRandomTarget(source, target, seed);
      Run(keys + (outcome == &fromScan ? "ИспользоватьСписокИсточника=нет\n" : ""), sections);
      outcome->tree = TargetTree();
      outcome->out = OutLines();
      outcome->errors = Log("velkarin.err");
    }
    ASSERT_GE(fromListing.out.size(), 2u);
    EXPECT_EQ(fromListing.out[1].substr(0, Published_("").size()), Published_(""));
    fromListing.out.erase(fromListing.out.begin() + 1);
    EXPECT_EQ(fromListing.tree, fromScan.tree);
    EXPECT_EQ(fromListing.out, fromScan.out);
    EXPECT_EQ(fromListing.errors, fromScan.errors);
    EXPECT_EQ(fromListing.tree.count("velkarin.lst"), 0u) << "the listing is never copied";
    for (const auto& [path, content] : ReadTree(source)) {
      SetFileAttributesA((source + "\\" + path).c_str(), FILE_ATTRIBUTE_NORMAL);
    }
  }
}

TEST_F(Published, TheReleaseIsWhatWasPublished) {
  MakeTree(source, {"same.txt", "gone.txt", "changed.txt", "touched.txt", "resized.txt"});
  MakeTree(target, {});
  WriteMainIni();
  Publish();
  MakeTree(source, {"added.txt"});
  DeleteFileA((source + "\\gone.txt").c_str());
  WriteFileBytes(source + "\\changed.txt", "changed after publishing");
  // Either alone is a change too: the time without the size (a file saved
  // again), the size without the time (a tool that keeps the time).
  SetWriteTime(source + "\\touched.txt", GetWriteTime(source + "\\touched.txt") + kSecond);
  const unsigned long long resizedTime = GetWriteTime(source + "\\resized.txt");
  WriteFileBytes(source + "\\resized.txt", "resized.txt, longer");
  SetWriteTime(source + "\\resized.txt", resizedTime);

  Run("", "", "", true);
  EXPECT_EQ(TargetTree(), (Tree{{"same.txt", "same.txt"},
                                {"changed.txt", "changed after publishing"},
                                {"touched.txt", "touched.txt"},
                                {"resized.txt", "resized.txt, longer"}}));
  const auto changedLine = [&](const std::string& name) {
    return "Ошибка: файл \"" + source + "\\.\\" + name +
           "\" изменен после публикации списка источника, опубликуйте список заново\r\n";
  };
  EXPECT_EQ(ErrorLines(), (std::set<std::string>{"Ошибка копирования файла \"" + source + "\\.\\gone.txt\" в \"" +
                                                     target + "\\.\\gone.txt\" (2: ",
                                                 changedLine("changed.txt"), changedLine("touched.txt"),
                                                 changedLine("resized.txt")}));

  // Published again: the release now holds the new file and nothing else to say.
  Publish();
  Run();
  EXPECT_FALSE(Exists(target + "\\velkarin.err")) << Log("velkarin.err");
  EXPECT_EQ(ReadFileBytes(target + "\\added.txt"), "added.txt");
}

TEST_F(Published, ATargetFileOfAnotherSizeIsCopiedAgainThoughItsTimeAgrees) {
  // A copy torn by a power cut, a file cut short: the time agrees, only the
  // size tells. A pair's target is held to the same rule.
  MakeTree(source, {"torn.dll", "same.txt", "kadu.ex"});
  const std::string sections = "[Проверить пары]\nkadu.exe=kadu.ex\n";
  WriteRunIni("", sections);
  Publish();
  for (const bool fromListing : {false, true}) {
    SCOPED_TRACE(fromListing ? "from the listing" : "by a scan");
    DeleteTree(target);
    MakeTree(target, {});
    const auto copyOf = [&](const std::string& from, const std::string& to, const std::string& bytes) {
      WriteFileBytes(target + "\\" + to, bytes);
      SetWriteTime(target + "\\" + to, GetWriteTime(source + "\\" + from));
    };
    copyOf("torn.dll", "torn.dll", "torn");
    copyOf("same.txt", "same.txt", "SAME.TXT");  // another file of the same size and time: left
    copyOf("kadu.ex", "kadu.exe", "kadu");
    Run(fromListing ? "" : "ИспользоватьСписокИсточника=нет\n", sections);
    EXPECT_FALSE(Exists(target + "\\velkarin.err")) << Log("velkarin.err");
    EXPECT_EQ(TargetTree(), (Tree{{"torn.dll", "torn.dll"}, {"same.txt", "SAME.TXT"}, {"kadu.exe", "kadu.ex"}}));
    const Lines out = OutLines();
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out[1].substr(0, Published_("").size()) == Published_(""), fromListing) << out[1];
  }
}

TEST_F(Published, ListingFilesInTheTargetAreNeverRemoved) {
  // A target may be a share that is published in turn: its listing and the
  // listing's temporary are its publisher's, and stay when the source has
  // none and surplus files go.
  MakeTree(source, {"a.txt"});
  MakeTree(target, {"velkarin.lst", "velkarin.lst.tmp", "surplus.txt"});
  Run("УдалятьНенужныеФайлы=да\n");
  EXPECT_FALSE(Exists(target + "\\velkarin.err")) << Log("velkarin.err");
  EXPECT_EQ(TargetTree(), (Tree{{"a.txt", "a.txt"},
                                {"velkarin.lst", "velkarin.lst"},
                                {"velkarin.lst.tmp", "velkarin.lst.tmp"}}));
}

TEST_F(Published, ListingsThatCannotBeTrustedAreRefusedWhole) {
  MakeTree(source, {"a.txt", "sub\\", "sub\\b.txt"});
  MakeTree(dir / "outside", {});
  const auto listingWith = [](const std::vector<std::string>& files, const std::vector<std::string>& dirs) {
    DirSnapshot root = CreateSnapshot();
    for (const std::string& name : files) {
      FileEntry& entry = root->record.entries.emplace_back();
      std::snprintf(entry.name, sizeof(entry.name), "%s", name.c_str());
      entry.size = 5;
    }
    for (const std::string& name : dirs) AppendChild(root.get(), CreateNode(name.c_str()));
    return SerializeListing(root.get(), {0, 30000000});
  };
  const std::vector<std::uint8_t> good = listingWith({"a.txt"}, {});
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    const char* reason;
  };
  std::vector<Case> cases = {
      {"a file beside the target", listingWith({"a.txt", "..\\outside\\x.txt"}, {}), "в нем недопустимое имя"},
      {"a path for a name", listingWith({"sub\\b.txt"}, {}), "в нем недопустимое имя"},
      {"a directory up", listingWith({}, {".."}), "в нем недопустимое имя"},
      {"a forbidden character", listingWith({"a:b"}, {}), "в нем недопустимое имя"},
      {"a damaged byte", good, "файл поврежден"},
      {"cut short", std::vector<std::uint8_t>(good.begin(), good.end() - 3), "файл обрезан"},
      {"a later format", good, "записан более новой версией программы"},
      {"more files than it holds", good, "файл поврежден"},
      {"a name twice", listingWith({"a.txt", "A.TXT"}, {}), "в нем повторяется имя"},
      {"a file and a directory of one name", listingWith({"sub"}, {"SUB"}), "в нем повторяется имя"},
      {"a run's unfinished copy", listingWith({"a.txt", TemporaryNameFor("a.txt", 8, 1)}, {}),
       "в нем недопустимое имя"},
      // The scan lists a directory within the classic path limit, which this
      // source's path and 250 characters pass.
      {"a directory no listing call reaches", listingWith({"a.txt"}, {std::string(250, 'd')}),
       "в нем слишком длинный путь"},
      {"beyond the memory budget", {}, "слишком большой"},
  };
  // A byte of a.txt's time (after the header, the file count, the name and
  // its length, the attributes and the size): the listing still reads well,
  // only its checksum tells.
  cases[4].bytes[58] ^= 0x55;
  cases[6].bytes[4] = 3;
  cases[7].bytes[20] = 200;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DeleteTree(target);
    MakeTree(target, {"old.txt"});
    WriteFileBytes(listing, std::string(c.bytes.begin(), c.bytes.end()));
    // Larger than any tree a run may build from a listing: a sparse file,
    // refused by its size before a byte of it is read.
    if (c.bytes.empty()) SetFileSize(listing, kListingMemoryBudget + 1);
    Run("УдалятьНенужныеФайлы=да\n");
    EXPECT_FALSE(Exists(target + "\\velkarin.err")) << Log("velkarin.err");
    const Lines out = OutLines();
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out[1], Refused(c.reason));
    // What a full scan gives; nothing beside the target.
    EXPECT_EQ(TargetTree(), (Tree{{"a.txt", "a.txt"}, {"sub\\", ""}, {"sub\\b.txt", "sub\\b.txt"}}));
    EXPECT_EQ(ReadTree(dir / "outside"), Tree{});
  }
}

TEST_F(Published, PublishingLeavesTheEarlierListingUnlessItHasAWholeNewOne) {
  MakeTree(source, {"a.txt"});
  WriteMainIni();
  Publish();
  const std::string earlier = ReadFileBytes(listing).value_or("");
  ASSERT_FALSE(earlier.empty());

  // A name that cannot be read exactly: nothing is published.
  const std::string umlaut = "umlaut";
  ASSERT_TRUE(MakeWideItem(Widen(source) + L"\\Pr\u00FCfung.xls", &umlaut));
  BoxReport box = Publish();
  EXPECT_EQ(box.text, "Список источника не опубликован.\nОшибка 1113 чтения имени \"" + source +
                          "\\Pr?fung.xls\"\nПрежний список, если он был, сохранен.");
  EXPECT_EQ(box.icon, "error");
  EXPECT_EQ(ReadFileBytes(listing), earlier);
  DeleteTree(source);
  MakeTree(source, {"a.txt", "b.txt"});
  WriteFileBytes(listing, earlier);

  // Two names a workstation takes for one, as a case-sensitive share holds
  // them: every workstation would refuse such a listing.
  const std::string unixSource = UnixPath(source);
  ASSERT_TRUE(RunUnixShell("echo upper > " + unixSource + "/README.TXT && echo lower > " + unixSource +
                               "/readme.txt",
                           [&] { return ReadTree(source).size() > 2 && Exists(source + "\\readme.txt"); }));
  box = Publish();
  const auto refusedFor = [&](const char* name) {
    return "Список источника не опубликован.\nОшибка 183 чтения имени \"" + source + "\\" + name +
           "\": такое имя без учета регистра уже есть в каталоге\nПрежний список, если он был, сохранен.";
  };
  EXPECT_TRUE(box.text == refusedFor("README.TXT") || box.text == refusedFor("readme.txt")) << box.text;
  EXPECT_EQ(ReadFileBytes(listing), earlier);
  DeleteTree(source);
  MakeTree(source, {"a.txt", "b.txt"});
  WriteFileBytes(listing, earlier);

  // The share cannot be written: the earlier listing stays as it was.
  WriteFileBytes(source + "\\velkarin.lst.tmp", "left by a publisher that was stopped");
  {
    FileHolder holder(source + "\\velkarin.lst.tmp");
    ASSERT_TRUE(holder.Holding());
    box = Publish();
  }
  EXPECT_EQ(box.text, "Список источника не опубликован.\nОшибка 32 записи файла \"" + listing +
                          "\".\nПрежний список, если он был, сохранен.");
  EXPECT_EQ(ReadFileBytes(listing), earlier);

  // A workstation reading while a publisher writes reads a whole listing,
  // the earlier one or the new one.
  std::atomic<bool> done{false};
  std::atomic<int> reads{0};
  std::atomic<int> partial{0};
  std::thread reader([&] {
    while (!done) {
      const std::optional<std::string> bytes = ReadFileBytes(listing);
      if (!bytes) continue;
      DirSnapshot root = CreateSnapshot();
      const auto* data = reinterpret_cast<const std::uint8_t*>(bytes->data());
      if (ParseListing(data, bytes->size(), root.get()).problem != ListingProblem::None) ++partial;
      ++reads;
      Sleep(2);  // a workstation's one read, again and again
    }
  });
  for (int i = 0; i < 4; ++i) {
    MakeTree(source, {"more" + std::to_string(i) + ".txt"});
    box = Publish();
    EXPECT_EQ(box.text.substr(0, kPublishedBox.size()), kPublishedBox) << box.text;
  }
  done = true;
  reader.join();
  EXPECT_GT(reads.load(), 0);
  EXPECT_EQ(partial.load(), 0) << "a partial listing was seen";
  EXPECT_FALSE(Exists(source + "\\velkarin.lst.tmp"));
}
