#pragma once
// A source and a target under one temporary directory, the ini file that
// joins them, and velkarin.exe run on them: the fixture of the tests that
// check whole synchronisations by the target tree and both logs.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace e2e {

using Tree = std::map<std::string, std::string>;
using Lines = std::vector<std::string>;

constexpr unsigned long long kSecond = 10000000;
constexpr unsigned long long kBaseTime = 133000000000000000ull;  // in 2022

const Lines kPhases = {"сканирование источника",
                       "сканирование приемника",
                       "удаление игнорируемых файлов из реестра синхронизации",
                       "удаление 'вырезаемых' файлов из реестра синхронизации",
                       "удаление проверяемых пар из реестра синхронизации",
                       "сравнение",
                       "построение списков",
                       "собственно, синхронизация:"};

// The names in `directory` that carry the run's temporary marker.
inline Lines Temporaries(const std::string& directory) {
  Lines names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((directory + "\\*.~velkarin*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    names.push_back(data.cFileName);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

// A source and a target under one temporary directory, and the ini file
// that joins them.
class Sync : public ::testing::Test {
 protected:
  using TempDir = testing_support::TempDir;
  TempDir dir{"sync"};
  std::string source = dir / "Источник";
  std::string target = dir / "Приемник";
  // [Основные параметры]'s keys beside the two directories: statistics on,
  // no command, no running check, no question after errors.
  std::string runKeys =
      "ВыводитьСтатистикуСинхронизации=да\nВыполнить=\nПроверятьЗапущеноЛиУже=\nВопросПриОшибке=нет\n";

  // The run's ini text with the given keys and sections on top (IniWith);
  // `sourceValue` written for КаталогИсточник when given.
  std::string RunIniText(const std::string& keys = "", const std::string& sections = "",
                         const std::string& sourceValue = "") {
    return IniWith(MainSection(sourceValue.empty() ? source : sourceValue, target) + runKeys, keys, sections);
  }

  // The ini file of Run, written without running.
  void WriteRunIni(const std::string& keys = "", const std::string& sections = "",
                   const std::string& sourceValue = "") {
    WriteIni(dir / "velkarin.ini", RunIniText(keys, sections, sourceValue));
  }

  // Runs on the ini file with `keys` and `sections`, answering `boxes`.
  VelkarinRun RunAnswering(const std::string& keys, const std::string& sections,
                           const std::vector<ExpectedBox>& boxes) {
    WriteRunIni(keys, sections);
    VelkarinRun run = RunVelkarin("", dir.Path(), boxes);
    EXPECT_TRUE(run.exited) << "velkarin.exe did not end by itself";
    return run;
  }

  // Runs with statistics on, no command, no running check, and the given
  // extra keys and sections. A run with errors ends on the worker's OK box.
  VelkarinRun Run(const std::string& keys = "", const std::string& sections = "",
                  const std::string& sourceValue = "", bool expectErrors = false) {
    WriteRunIni(keys, sections, sourceValue);
    std::vector<ExpectedBox> boxes;
    if (expectErrors) boxes.push_back({kWorkerCaption, "ok"});
    VelkarinRun run = RunVelkarin("", dir.Path(), boxes);
    if (expectErrors) {
      EXPECT_TRUE(run.boxes[0].shown);
      EXPECT_EQ(run.boxes[0].text, "В процессе синхронизации возникли ошибки.\nПрограмма будет закрыта.");
    }
    EXPECT_TRUE(run.exited) << "velkarin.exe did not end by itself";
    // Errors after the act phase began: 1; errors that kept it from
    // beginning: 2, nothing was synchronised.
    const bool acted = Log("velkarin.out").find("собственно, синхронизация:") != std::string::npos;
    EXPECT_EQ(run.exitCode, !expectErrors ? 0u : acted ? 1u : 2u);
    return run;
  }

  std::string Log(const char* name) { return testing_support::ReadFileBytes(target + "\\" + name).value_or(""); }

  // The statistics log's lines without the phase lines, sorted: listing
  // order is the file system's.
  Lines ActionLines() {
    Lines lines;
    std::istringstream in(Log("velkarin.out"));
    for (std::string line; std::getline(in, line);) {
      EXPECT_FALSE(line.empty() || line.back() != '\r') << "every line ends with CR LF";
      if (!line.empty()) line.pop_back();
      if (std::find(kPhases.begin(), kPhases.end(), line) == kPhases.end()) lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
  }

  // The statistics log's lines without CR LF, in order.
  Lines OutLines() { return e2e::OutLines(Log("velkarin.out")); }

  // The error log's lines, CR LF included, in any order; a line that ends
  // with the system's reason only up to its code (UpToReasonCode).
  std::set<std::string> ErrorLines() {
    std::istringstream errors(Log("velkarin.err"));
    std::set<std::string> lines;
    for (std::string line; std::getline(errors, line);) lines.insert(UpToReasonCode(line + "\n"));
    return lines;
  }

  // A copy error line up to the system's code (UpToReasonCode), of a copy
  // from `from` to `to`, or of `relative` from the source to the target.
  static std::string CopyError(const std::string& from, const std::string& to, unsigned code) {
    return "Ошибка копирования файла \"" + from + "\" в \"" + to + "\" (" + std::to_string(code) + ": ";
  }
  std::string CopyError(const std::string& relative, unsigned code) {
    return CopyError(source + "\\.\\" + relative, target + "\\.\\" + relative, code);
  }

  std::string Copied(const std::string& relative) {
    return "Копирование файла \"" + source + "\\.\\" + relative + "\" в \"" + target + "\\.\\" +
           relative + "\"";
  }
  std::string Created(const std::string& relative) {
    return "Создание каталога \"" + target + "\\.\\" + relative + "\"";
  }
  Tree TargetTree() {
    Tree tree = testing_support::ReadTree(target);
    tree.erase("velkarin.out");
    tree.erase("velkarin.err");
    return tree;
  }
};

}  // namespace e2e
