#pragma once

#include <string>

namespace zanvor {

// Process-wide toolkit state: the application name and the theme folder of the skins.
class Manager {
  public:
    static void SetDeviceName(const std::string& name);
    static std::string GetDeviceName();
    // The instance handle of the platform this was written for; here it records the
    // application folder the toolkit loads skins from.
    static void SetInstance(const std::string& applicationFolder);
    // Theme folder below "skins/", ending with '/'.
    static std::string GetThemeSkins();
    // Skin folder: application folder + "skins/" + theme folder.
    static std::string SkinFolder();
};

}  // namespace zanvor
