// "/k <folder>": the publisher's key pair written once, never over a key.
#include <gtest/gtest.h>

#include <algorithm>

#include "config/publisher_key.h"
#include "scan/published_listing.h"
#include "win32/cng.h"
#include "tests/e2e/e2e_support.h"

using namespace e2e;
using namespace testing_support;

TEST(PublisherKeys, WrittenOnceThenRefusedAndUnattendedWithoutABox) {
  TempDir dir("k");
  const std::string keys = dir / "Ключи";
  CreateDirectoryA(keys.c_str(), nullptr);
  const std::string privatePath = keys + "\\velkarin-publisher.key";
  const std::string publicPath = keys + "\\velkarin-publisher.pub";

  const VelkarinRun made = RunVelkarin("/k " + keys, dir.Path(), {ProgramBox()});
  ASSERT_TRUE(made.exited) << "still running (an unexpected box?)";
  EXPECT_EQ(made.exitCode, 0u);
  const std::string publicText = ReadFileBytes(publicPath).value_or("");
  const std::string privateText = ReadFileBytes(privatePath).value_or("");
  ASSERT_EQ(publicText.size(), 130u) << publicText;
  EXPECT_EQ(publicText.substr(128), "\r\n");
  const std::string line = publicText.substr(0, 128);
  std::vector<PublisherPublicKey> parsed;
  EXPECT_TRUE(ParsePublisherKeys(line, parsed)) << line;
  PublisherPrivateKey privateKey{};
  ASSERT_TRUE(ParsePrivateKeyFile(privateText, privateKey)) << privateText;
  EXPECT_EQ(privateText.substr(0, 26), "velkarin-publisher-key 1\r\n");
  EXPECT_EQ(LowerHex(privateKey.data(), 64), line) << "the private key's X||Y is the public key";
  ASSERT_TRUE(made.boxes[0].shown);
  EXPECT_EQ(made.boxes[0].icon, "information");
  EXPECT_EQ(made.boxes[0].text,
            "Ключи издателя созданы:\n" + privatePath +
                " - закрытый ключ, храните его у себя и не кладите в общую папку\n" + publicPath +
                " - открытый ключ, его строку впишите в ini-файлы рабочих мест: КлючИздателя=" + line);
  EXPECT_EQ(CountMatching(keys + "\\*"), 2 + 2) << "the two key files, '.' and '..': no temporary left";

  // A second run in the same folder writes nothing and says why.
  const VelkarinRun again = RunVelkarin("/k " + keys, dir.Path(), {ProgramBox()});
  ASSERT_TRUE(again.exited) << "still running (an unexpected box?)";
  EXPECT_EQ(again.exitCode, 2u);
  EXPECT_EQ(again.boxes[0].text, "Ключи издателя не созданы.\nФайл \"" + privatePath + "\" уже существует.");
  EXPECT_EQ(again.boxes[0].icon, "error");
  EXPECT_EQ(ReadFileBytes(privatePath).value_or(""), privateText);
  EXPECT_EQ(ReadFileBytes(publicPath).value_or(""), publicText);

  // A folder that is not there is not made.
  const VelkarinRun missing = RunVelkarin("/k " + (dir / "нет"), dir.Path(), {ProgramBox()});
  ASSERT_TRUE(missing.exited) << "still running (an unexpected box?)";
  EXPECT_EQ(missing.exitCode, 2u);
  EXPECT_EQ(missing.boxes[0].text, "Ключи издателя не созданы.\nПапка \"" + (dir / "нет") + "\" не найдена.");
  EXPECT_FALSE(Exists(dir / "нет"));

  // Unattended, in the working directory: no box, the text on standard error.
  TempDir quiet("kq");
  RunningVelkarin unattended("/s /k", quiet.Path(), dir / "stderr.txt");
  ASSERT_TRUE(unattended.WaitForExit(30000)) << "did not end (a box?)";
  EXPECT_EQ(unattended.ExitCode(), 0u);
  PublisherPrivateKey quietKey{};
  EXPECT_TRUE(ParsePrivateKeyFile(ReadFileBytes(quiet / "velkarin-publisher.key").value_or(""), quietKey));
  EXPECT_EQ(ReadFileBytes(quiet / "velkarin-publisher.pub").value_or("").size(), 130u);
  EXPECT_EQ(ReadFileBytes(dir / "stderr.txt").value_or("").rfind("Ключи издателя созданы: " + quiet.Path() + "\\", 0),
            0u);
}

// The key round trip: a pair made with /k, a release published with
// КлючПодписи naming its private key, and the listing verified with the
// public key as a workstation reads it; each file's hash is the file's.
TEST(PublisherKeys, PublishingWithTheSigningKeyWritesASignedListingTheRunReads) {
  TempDir dir("ks");
  const std::string source = dir / "Источник";
  const std::string target = dir / "Приемник";
  MakeTree(source, {"a.txt", "Модули\\", "Модули\\m.dll"});
  RunningVelkarin made("/s /k " + dir.Path(), dir.Path(), dir / "made.txt");
  ASSERT_TRUE(made.WaitForExit(30000));
  ASSERT_EQ(made.ExitCode(), 0u);
  std::vector<PublisherPublicKey> keys;
  ASSERT_TRUE(ParsePublisherKeys(ReadFileBytes(dir / "velkarin-publisher.pub").value_or("").substr(0, 128), keys));
  const std::string base = QuietMainSection(source, target) + "ВыводитьСтатистикуСинхронизации=да\n";

  // A key file that is no key: nothing is published.
  WriteIni(dir / "velkarin.ini", IniWith(base, "КлючПодписи=velkarin-publisher.pub\n"));
  const VelkarinRun refused = RunVelkarin("/p", dir.Path(), {ProgramBox()});
  EXPECT_EQ(refused.exitCode, 2u);
  EXPECT_EQ(refused.boxes[0].text, "Список источника не опубликован.\nФайл \"" + (dir / "velkarin-publisher.pub") +
                                       "\" не является закрытым ключом издателя.\nПрежний список, если он был, сохранен.");
  EXPECT_FALSE(Exists(source + "\\velkarin.lst"));

  // The private key, named relative to the ini file.
  WriteIni(dir / "velkarin.ini", IniWith(base, "КлючПодписи=velkarin-publisher.key\n"));
  const VelkarinRun published = RunVelkarin("/p", dir.Path(), {ProgramBox()});
  EXPECT_EQ(published.exitCode, 0u);
  ASSERT_TRUE(published.boxes[0].shown);
  EXPECT_NE(published.boxes[0].text.find("\nСписок подписан ключом \"" + (dir / "velkarin-publisher.key") + "\"."),
            std::string::npos)
      << published.boxes[0].text;

  const std::string bytes = ReadFileBytes(source + "\\velkarin.lst").value_or("");
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  DirSnapshot root = CreateSnapshot();
  std::vector<Sha256Digest> hashes;
  const ParsedListing parsed = ParseListing(data, bytes.size(), root.get(), {}, &hashes);
  ASSERT_EQ(parsed.problem, ListingProblem::None);
  EXPECT_EQ(parsed.version, 2u);
  ASSERT_EQ(hashes.size(), 2u);
  EXPECT_EQ(hashes[root->record.entries[0].hashIndex], *win32::Sha256Of("a.txt", 5)) << "a.txt holds its name";
  win32::EcdsaPublicKey raw;
  std::copy(keys[0].begin(), keys[0].end(), raw.begin());
  win32::ScopedCngKey key;
  ASSERT_TRUE(win32::CngSucceeded(win32::ImportEcdsaPublicKey(raw, key)));
  win32::EcdsaSignature signature;
  std::copy(parsed.signature.begin(), parsed.signature.end(), signature.begin());
  EXPECT_TRUE(win32::VerifyDigest(key.Get(), *win32::Sha256Of(data, parsed.signedSize), signature));

  // A run without a publisher's key takes the signed listing like any other.
  WriteIni(dir / "velkarin.ini", base);
  EXPECT_EQ(RunVelkarin("", dir.Path()).exitCode, 0u);
  EXPECT_EQ(ReadFileBytes(target + "\\Модули\\m.dll").value_or(""), "Модули\\m.dll");
  EXPECT_NE(ReadFileBytes(target + "\\velkarin.out").value_or("").find("источник прочитан из списка"), std::string::npos);
}

// A workstation that names its publisher's key synchronises only from a
// listing that key signed, never older than the newest it accepted, and
// from nothing else: an unsigned listing, one signed with another key, no
// listing and an older one each stop the run before anything is touched.
TEST(PublisherKeys, AWorkstationWithThePublishersKeyTakesOnlyItsNewestSignedRelease) {
  TempDir dir("kt");
  const std::string source = dir / "Источник";
  const std::string target = dir / "Приемник";
  MakeTree(source, {"a.txt", "b.txt"});
  MakeTree(target, {"mine.txt"});
  for (const char* folder : {"ours", "theirs"}) {
    CreateDirectoryA((dir / folder).c_str(), nullptr);
    RunningVelkarin made("/s /k " + (dir / folder), dir.Path(), dir / "made.txt");
    ASSERT_TRUE(made.WaitForExit(30000));
    ASSERT_EQ(made.ExitCode(), 0u);
  }
  const std::string ours = ReadFileBytes(dir / "ours\\velkarin-publisher.pub").value_or("").substr(0, 128);
  const std::string base = QuietMainSection(source, target) + "УдалятьНенужныеФайлы=да\nКлючИздателя=" + ours + "\n";
  const auto publish = [&](const char* keyFolder) {
    WriteIni(dir / "p.ini", IniWith(base, keyFolder[0] == '\0' ? std::string()
                                                              : "КлючПодписи=" + std::string(keyFolder) +
                                                                    "\\velkarin-publisher.key\n"));
    RunningVelkarin run("/s /p p.ini", dir.Path(), dir / "p.txt");
    return run.WaitForExit(30000) && run.ExitCode() == 0;
  };
  WriteIni(dir / "velkarin.ini", base);
  const auto refusedFor = [&](const std::string& reason) {
    const VelkarinRun run = RunVelkarin("/s", dir.Path());
    EXPECT_EQ(run.exitCode, 2u) << reason;
    EXPECT_EQ(ReadFileBytes(target + "\\velkarin.err").value_or(""),
              "Ошибка: список источника \"" + source + "\\velkarin.lst\" не принят (" + reason +
                  "), синхронизация невозможна\r\n");
    EXPECT_TRUE(Exists(target + "\\mine.txt")) << reason << ": the run went on";
    EXPECT_FALSE(Exists(target + "\\a.txt")) << reason;
  };

  refusedFor("файла нет");
  ASSERT_TRUE(publish(""));
  refusedFor("список не подписан");
  ASSERT_TRUE(publish("theirs"));
  refusedFor("подпись не подходит ни к одному ключу издателя");

  ASSERT_TRUE(publish("ours"));
  const std::string older = ReadFileBytes(source + "\\velkarin.lst").value_or("");
  // A later release, accepted; then the earlier one put back on the share.
  Sleep(20);
  ASSERT_TRUE(publish("ours"));
  // A look without a run takes the listing and keeps nothing.
  RunningVelkarin look("/s /l", dir.Path(), dir / "l.txt");
  ASSERT_TRUE(look.WaitForExit(30000));
  EXPECT_EQ(look.ExitCode(), 0u);
  EXPECT_FALSE(Exists(target + "\\velkarin.release")) << "/l wrote to the target";
  // A pair's source must be a file of the release, and is copied as one.
  WriteIni(dir / "velkarin.ini", IniWith(base, "", "[Проверить пары]\nкопия.txt=b.txt\nчужая.txt=нет.txt\n"));
  EXPECT_EQ(RunVelkarin("/s", dir.Path()).exitCode, 1u);
  EXPECT_EQ(ReadFileBytes(target + "\\a.txt").value_or(""), "a.txt");
  EXPECT_EQ(ReadFileBytes(target + "\\копия.txt").value_or(""), "b.txt");
  EXPECT_FALSE(Exists(target + "\\mine.txt")) << "deleted as the signed release has it not";
  EXPECT_EQ(ReadFileBytes(target + "\\velkarin.err").value_or(""),
            "Ошибка: файл \"нет.txt\" секции [Проверить пары] не входит в подписанный список источника\r\n");
  WriteIni(dir / "velkarin.ini", base);
  WriteFileBytes(source + "\\velkarin.lst", older);
  WriteFileBytes(target + "\\mine.txt", "x");
  DeleteFileA((target + "\\a.txt").c_str());
  const VelkarinRun run = RunVelkarin("/s", dir.Path());
  EXPECT_EQ(run.exitCode, 2u);
  const std::string err = ReadFileBytes(target + "\\velkarin.err").value_or("");
  EXPECT_NE(err.find("не принят (опубликован "), std::string::npos) << err;
  EXPECT_NE(err.find(", раньше принятого ранее списка от "), std::string::npos) << err;
  EXPECT_TRUE(Exists(target + "\\mine.txt"));
}

// A share file changed after the release was signed, keeping its size and
// time: its copy is not put in place, the installed file stays. One only
// touched (its bytes the release's) is copied with the release's time.
TEST(PublisherKeys, AFileChangedAfterSigningIsNeverPutInPlace) {
  TempDir dir("kc");
  const std::string source = dir / "Источник";
  const std::string target = dir / "Приемник";
  MakeTree(source, {"a.txt", "b.txt"});
  MakeTree(target, {"a.txt"});
  WriteFileBytes(target + "\\a.txt", "old");
  SetWriteTime(target + "\\a.txt", 1);
  RunningVelkarin made("/s /k " + dir.Path(), dir.Path(), dir / "made.txt");
  ASSERT_TRUE(made.WaitForExit(30000));
  WriteIni(dir / "velkarin.ini", IniWith(QuietMainSection(source, target), "КлючПодписи=velkarin-publisher.key\n"));
  RunningVelkarin publish("/s /p", dir.Path(), dir / "p.txt");
  ASSERT_TRUE(publish.WaitForExit(30000));
  ASSERT_EQ(publish.ExitCode(), 0u);
  const unsigned long long time = GetWriteTime(source + "\\a.txt");
  WriteFileBytes(source + "\\a.txt", "A.TXT");
  SetWriteTime(source + "\\a.txt", time);
  // Touched after signing: the same bytes under another time.
  const unsigned long long released = GetWriteTime(source + "\\b.txt");
  SetWriteTime(source + "\\b.txt", released + 36000000000ULL);

  const VelkarinRun run = RunVelkarin("/s", dir.Path());
  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_EQ(ReadFileBytes(target + "\\a.txt").value_or(""), "old");
  EXPECT_EQ(ReadFileBytes(target + "\\b.txt").value_or(""), "b.txt");
  EXPECT_EQ(GetWriteTime(target + "\\b.txt"), released) << "the release's time: the next run finds it up to date";
  EXPECT_EQ(ReadFileBytes(target + "\\velkarin.err").value_or(""),
            "Ошибка: файл \"" + source + "\\.\\a.txt\" не совпадает с подписанным списком источника, не скопирован\r\n");
}

// "/v": a file changed in the target with its time and size kept, which no
// run would see, is found by its hash and copied again; without a signed
// listing there is nothing to check against.
TEST(PublisherKeys, RepairCopiesAgainWhatTheReleaseDoesNotHold) {
  TempDir dir("kv");
  const std::string source = dir / "Источник";
  const std::string target = dir / "Приемник";
  MakeTree(source, {"a.txt", "Модули\\", "Модули\\m.dll"});
  RunningVelkarin made("/s /k " + dir.Path(), dir.Path(), dir / "made.txt");
  ASSERT_TRUE(made.WaitForExit(30000));
  const std::string base = QuietMainSection(source, target) + "ВыводитьСтатистикуСинхронизации=да\n";
  WriteIni(dir / "velkarin.ini", IniWith(base, "КлючПодписи=velkarin-publisher.key\n"));
  RunningVelkarin publish("/s /p", dir.Path(), dir / "p.txt");
  ASSERT_TRUE(publish.WaitForExit(30000));
  ASSERT_EQ(RunVelkarin("/s", dir.Path()).exitCode, 0u);
  const std::string damaged = target + "\\Модули\\m.dll";
  const unsigned long long time = GetWriteTime(damaged);
  WriteFileBytes(damaged, "МОДУЛИ\\M.DLL");
  SetWriteTime(damaged, time);
  ASSERT_EQ(RunVelkarin("/s", dir.Path()).exitCode, 0u);
  ASSERT_EQ(ReadFileBytes(damaged).value_or(""), "МОДУЛИ\\M.DLL") << "a run by time and size sees nothing";

  const VelkarinRun repair = RunVelkarin("/v", dir.Path(), {{"Синхронизация", "ok"}});
  EXPECT_EQ(repair.exitCode, 0u);
  ASSERT_TRUE(repair.boxes[0].shown);
  EXPECT_EQ(repair.boxes[0].text, "Восстановление клиента завершено.\nПроверено файлов: 2, не совпадали с выпуском: 1.\n"
                                  "Скопировано файлов: 1, ошибок: 0.");
  EXPECT_EQ(ReadFileBytes(damaged).value_or(""), "Модули\\m.dll");
  const std::string out = ReadFileBytes(target + "\\velkarin.out").value_or("");
  EXPECT_NE(out.find("файл \"" + target + "\\Модули\\m.dll\" не совпадает с выпуском, копируется заново\r\n"),
            std::string::npos)
      << out;

  // An unsigned listing: a box says why, nothing is done.
  WriteIni(dir / "velkarin.ini", base);
  RunningVelkarin unsignedPublish("/s /p", dir.Path(), dir / "p.txt");
  ASSERT_TRUE(unsignedPublish.WaitForExit(30000));
  const VelkarinRun refused = RunVelkarin("/v", dir.Path(), {{"Синхронизация", "ok"}});
  EXPECT_EQ(refused.exitCode, 2u);
  EXPECT_EQ(refused.boxes[0].text, "Восстановление клиента не выполнено.\nОшибка: для восстановления нужен "
                                   "подписанный список источника \"" + source + "\\velkarin.lst\"");
}
