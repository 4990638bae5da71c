#include "log/log_stream.h"

#include <cstring>
#include <new>

namespace {

// `value` in decimal, written backwards to end just before `end`; returns
// where it begins.
char* Digits(unsigned long long value, char* end) {
  do {
    *--end = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  return end;
}

}  // namespace

LogStream& LogStream::operator<<(const char* text) { return Write(text, std::strlen(text)); }

LogStream& LogStream::Write(const char* data, std::size_t size) {
  if (memory_ != nullptr) {
    // A capture that cannot grow loses the rest, as a string stream would:
    // the run that is being captured goes on.
    try {
      memory_->append(data, size);
    } catch (const std::bad_alloc&) {
    }
    return *this;
  }
  if (!firstLineDone_) {
    try {
      firstLine_.append(data, size);
    } catch (const std::bad_alloc&) {
    }
  }
  if (discarding_ || failed_ || size == 0) return *this;
  if (std::fwrite(data, 1, size, file_) != size) failed_ = true;
  return *this;
}

LogStream& LogStream::FinishLine() {
  Write("\n", 1);
  if (memory_ == nullptr && !firstLineDone_) {
    if (!firstLine_.empty()) firstLine_.pop_back();
    firstLineDone_ = true;
  }
  if (memory_ == nullptr && !discarding_ && !failed_ && std::fflush(file_) != 0) failed_ = true;
  return *this;
}

void LogStream::WriteTo(std::FILE* file) {
  file_ = file;
  firstLine_.clear();
  firstLineDone_ = false;
  discarding_ = false;
  failed_ = false;
}

std::string* LogStream::CaptureInto(std::string* memory) {
  std::string* const replaced = memory_;
  memory_ = memory;
  return replaced;
}

LogStream& LogStream::Signed(long long value) {
  // The magnitude in unsigned arithmetic: negating the least value would
  // overflow as a signed number.
  const unsigned long long magnitude =
      value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
  char text[20];  // "-9223372036854775808"
  char* begin = Digits(magnitude, text + sizeof(text));
  if (value < 0) *--begin = '-';
  return Write(begin, static_cast<std::size_t>(text + sizeof(text) - begin));
}

LogStream& LogStream::Unsigned(unsigned long long value) {
  char text[20];  // "18446744073709551615"
  const char* const begin = Digits(value, text + sizeof(text));
  return Write(begin, static_cast<std::size_t>(text + sizeof(text) - begin));
}

LogStream& EndLine(LogStream& log) { return log.FinishLine(); }
