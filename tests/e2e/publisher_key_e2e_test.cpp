// "/k <folder>": the publisher's key pair written once, never over a key.
#include <gtest/gtest.h>

#include "config/publisher_key.h"
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
