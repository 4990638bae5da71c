#pragma once
// The ini switches are Russian words. A value is upper-cased with the
// Windows-1251 table first, so да, Да and ДА are all "yes"; nothing is
// trimmed, so " да" or "yes" are not.

// True when the value reads "да" in any case.
[[nodiscard]] bool IsYes(const char* value);

// True when the value reads "нет" in any case.
[[nodiscard]] bool IsNo(const char* value);

// The default passed to the ini reader for a switch that now holds
// `current`: the constructor's value stays when the key is absent.
[[nodiscard]] const char* YesNoText(bool current) noexcept;
