#pragma once

// How profile names are shown: default names read in the current language, names the user
// gave stay as typed.

#include <string>

namespace zanvor {

// Text ids of the default name bases: "My profile" (new profiles are "My profile 4") and
// "Profile".
inline constexpr int kTextNewProfileBase = 65;
inline constexpr int kTextProfileBase = 68;

// The name shown for a stored name. A prefix of earlier versions ("Profile" and "配置文件"
// as "Profile", "我的專屬配寘" as "My profile") is shown in the current language with the rest
// of the name; so is a default name made in any installed language ("Mój profil 3" shows as
// "My profile 3" in English). Other names are shown as stored.
std::string ProfileDisplayName(const std::string& stored);

}  // namespace zanvor
