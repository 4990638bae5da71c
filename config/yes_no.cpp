#include "config/yes_no.h"

#include <cstring>
#include <string>

#include "config/upper_case_1251.h"

namespace {

bool EqualsAfterUpperCase(const char* value, const char* upperWord) {
  std::string copy(value);
  UpperCase1251(copy.data());
  return std::strcmp(copy.c_str(), upperWord) == 0;
}

}  // namespace

bool IsYes(const char* value) { return EqualsAfterUpperCase(value, "ДА"); }

bool IsNo(const char* value) { return EqualsAfterUpperCase(value, "НЕТ"); }

const char* YesNoText(bool current) noexcept { return current ? "да" : "нет"; }
