#pragma once
// The progress window's picture, [Оформление] ФоноваяКартинка: read by the
// window, and checked with the rest of the file by the configuration reader.
inline constexpr const char* kPictureSection = "Оформление";
inline constexpr const char* kPictureKey = "ФоноваяКартинка";
inline constexpr const char* kDefaultPicture = "kadu.exe#101";
