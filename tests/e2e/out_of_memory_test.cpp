// A run that cannot get its memory: the worker's own code, in this process,
// with every large allocation refused while the run is planned, as a 32-bit
// program's address space would refuse it.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "config/sync_config.h"
#include "run/captured_logs.h"
#include "run/worker.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/test_support.h"

namespace {

// While set, an allocation of at least this many bytes fails.
std::atomic<std::size_t> refusedFrom{0};

void* Allocate(std::size_t size) {
  const std::size_t limit = refusedFrom.load();
  if (limit != 0 && size >= limit) throw std::bad_alloc();
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

using namespace testing_support;

TEST(OutOfMemory, ARunThatCannotGetItsMemoryEndsWithAnErrorLineAndTheErrorBox) {
  TempDir dir{"memory"};
  const std::string source = dir / "source";
  std::vector<std::string> items;
  for (int i = 0; i < 600; ++i) items.push_back("file" + std::to_string(i) + ".txt");
  MakeTree(source, items);
  e2e::WriteIni(dir / "velkarin.ini", e2e::QuietMainSection(source, dir / "target") + "ВопросПриОшибке=нет\n");
  SyncConfig config;
  ASSERT_TRUE(config.ReadConfigurationOnly((dir / "velkarin.ini").c_str()));

  BoxAnswerer box("Синхронизация", "ok");
  std::string errors;
  {
    CapturedLogs logs;
    refusedFrom = 64 * 1024;  // the source's 600 names alone take more
    RunWorkerFlow(nullptr, config);
    refusedFrom = 0;
    errors = logs.FirstError();
  }
  const BoxReport report = box.Finish();
  EXPECT_EQ(errors, "Ошибка: недостаточно памяти, синхронизация прервана");
  ASSERT_TRUE(report.shown) << "no box: the user would see the program vanish";
  EXPECT_EQ(report.text, "В процессе синхронизации возникли ошибки.\nПрограмма будет закрыта.");
  EXPECT_FALSE(Exists(dir / "target\\file0.txt"));
}
