#include "ui/progress_text.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace {

class Mailbox {
 public:
  Mailbox() { InitializeCriticalSection(&lock_); }
  ~Mailbox() { DeleteCriticalSection(&lock_); }

  void Put(const char* text) {
    EnterCriticalSection(&lock_);
    const std::size_t length = std::min(std::strlen(text), sizeof(text_) - 1);
    std::memcpy(text_, text, length);
    text_[length] = '\0';
    waiting_ = true;
    LeaveCriticalSection(&lock_);
  }

  bool Take(char* text, std::size_t size) {
    EnterCriticalSection(&lock_);
    const bool had = waiting_;
    if (had) {
      const std::size_t length = std::min(std::strlen(text_), size - 1);
      std::memcpy(text, text_, length);
      text[length] = '\0';
      waiting_ = false;
    }
    LeaveCriticalSection(&lock_);
    return had;
  }

  // Applies one of the worker's reports to the counts.
  template <typename Report>
  void Progress(Report report) {
    EnterCriticalSection(&lock_);
    report(counts_);
    countsWaiting_ = true;
    LeaveCriticalSection(&lock_);
  }

  bool TakeProgress(ProgressCounts& counts) {
    EnterCriticalSection(&lock_);
    const bool had = countsWaiting_;
    if (had) counts = counts_;
    countsWaiting_ = false;
    LeaveCriticalSection(&lock_);
    return had;
  }

 private:
  CRITICAL_SECTION lock_;
  char text_[1024] = {};
  bool waiting_ = false;
  ProgressCounts counts_;
  bool countsWaiting_ = false;
};

Mailbox& TheMailbox() {
  static Mailbox mailbox;
  return mailbox;
}

}  // namespace

void SendProgressText(HWND__* window, const char* text) {
  if (window == nullptr) return;
  TheMailbox().Put(text);
}

bool TakeProgressText(char* text, std::size_t size) { return TheMailbox().Take(text, size); }

void SendProgressStart(HWND__* window, const WorkTotals& totals) {
  if (window != nullptr) TheMailbox().Progress([&](ProgressCounts& counts) { counts.Start(totals); });
}

void SendProgressItem(HWND__* window, std::uint64_t listedSize) {
  if (window != nullptr) TheMailbox().Progress([=](ProgressCounts& counts) { counts.BeginItem(listedSize); });
}

void SendProgressBytes(HWND__* window, std::uint64_t transferred) {
  if (window != nullptr) TheMailbox().Progress([=](ProgressCounts& counts) { counts.Transferred(transferred); });
}

void SendProgressEnd(HWND__* window) {
  if (window != nullptr) TheMailbox().Progress([](ProgressCounts& counts) { counts.End(); });
}

bool TakeProgress(ProgressCounts& counts) { return TheMailbox().TakeProgress(counts); }
