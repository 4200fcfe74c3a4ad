#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zanvor {

// User-visible texts come from language files "<application folder>/language/<LCID>.lan":
// INI files in UTF-8 (with or without BOM) or UTF-16LE with BOM, sections "KB.DIALOG",
// "CAPTION" and "OEM", keys are decimal text ids.

// Longest text returned, in characters (Unicode code points); longer values are cut.
inline constexpr size_t kMaxTextLength = 259;

// The process-wide active language (a Windows LCID such as 1033 or 1045). Thread-safe.
int ActiveLanguage();

// Sets the active language without writing the settings or notifying anyone (start-up,
// before any page exists).
void SetActiveLanguageId(int lcid);

// Changes the language at run time: the active language becomes lcid, the setting `LCID`
// is written and every subscriber is called (on the calling thread) so that each page
// re-applies its texts. False when the setting could not be stored (the language is changed
// for this run all the same).
bool SetActiveLanguage(int lcid);

// The text of the key `id` in `section` of the active language's file; empty when the file,
// the section or the key is missing. Files are parsed once and kept until the language
// changes. Thread-safe.
std::string LoadText(const std::string& section, int id);

// The text of the key `id` in `section` of every installed language file ("<LCID>.lan" in the
// language folder), each once, without empty ones: for recognising a text stored in whichever
// language was active when it was made. Thread-safe.
std::vector<std::string> LoadTextInEveryLanguage(const std::string& section, int id);

// Forgets every parsed language file so the next lookup reads them again (after files were
// replaced on disk, or in tests).
void ClearLanguageCache();

// Keeps a language-change callback registered while it lives.
class LanguageSubscription {
  public:
    LanguageSubscription() = default;
    ~LanguageSubscription();
    LanguageSubscription(LanguageSubscription&& other) noexcept;
    LanguageSubscription& operator=(LanguageSubscription&& other) noexcept;
    LanguageSubscription(const LanguageSubscription&) = delete;
    LanguageSubscription& operator=(const LanguageSubscription&) = delete;

    // Unregisters now; after it returns the callback is not running and is never called again.
    void Reset();
    bool Active() const { return id_ != 0; }

  private:
    friend LanguageSubscription SubscribeLanguageChanged(std::function<void(int)> callback);
    explicit LanguageSubscription(unsigned long long id) : id_(id) {}
    unsigned long long id_ = 0;
};

// Registers a callback run with the new LCID after each SetActiveLanguage.
[[nodiscard]] LanguageSubscription SubscribeLanguageChanged(std::function<void(int)> callback);

}  // namespace zanvor
