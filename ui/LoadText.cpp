#include "ui/LoadText.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <vector>

#include "platform/Paths.h"
#include "platform/Registry.h"
#include "ui/LanguageFile.h"

namespace zanvor {

namespace {

std::atomic<int> g_activeLanguage{1033};

struct LanguageCache {
    std::mutex mutex;                                                  // guards files
    std::map<std::string, std::shared_ptr<const LanguageFile>> files;  // by path; missing too
};

LanguageCache& Cache() {
    static LanguageCache cache;
    return cache;
}

std::shared_ptr<const LanguageFile> FileFor(int lcid) {
    LanguageCache& cache = Cache();
    const std::string path = ApplicationFolder() + "language/" + std::to_string(lcid) + ".lan";
    std::lock_guard lock(cache.mutex);
    auto found = cache.files.find(path);
    if (found != cache.files.end()) {
        return found->second;
    }
    // A missing file is remembered as an empty one, so it is not looked for on every lookup.
    auto file = std::make_shared<LanguageFile>();
    LanguageFile::Load(path, *file);
    cache.files.emplace(path, file);
    return file;
}

struct Subscribers {
    // Guards list and next; held while callbacks run, so Reset() from another thread waits
    // for a running notification. Recursive: a callback may subscribe or unsubscribe.
    std::recursive_mutex mutex;
    std::map<unsigned long long, std::shared_ptr<std::function<void(int)>>> list;
    unsigned long long next = 1;
};

Subscribers& LanguageSubscribers() {
    static Subscribers subscribers;
    return subscribers;
}

void Unsubscribe(unsigned long long id) {
    Subscribers& subscribers = LanguageSubscribers();
    std::lock_guard lock(subscribers.mutex);
    subscribers.list.erase(id);
}

}  // namespace

int ActiveLanguage() {
    return g_activeLanguage.load();
}

void SetActiveLanguageId(int lcid) {
    if (g_activeLanguage.exchange(lcid) != lcid) {
        ClearLanguageCache();
    }
}

bool SetActiveLanguage(int lcid) {
    // The files are read again on a change, so a file installed or edited meanwhile is seen.
    g_activeLanguage.store(lcid);
    ClearLanguageCache();
    const bool stored = WriteRegistryInt(kLcidValue, lcid);

    Subscribers& subscribers = LanguageSubscribers();
    std::lock_guard lock(subscribers.mutex);
    std::vector<unsigned long long> ids;
    for (const auto& entry : subscribers.list) {
        ids.push_back(entry.first);
    }
    for (unsigned long long id : ids) {
        const auto found = subscribers.list.find(id);
        if (found == subscribers.list.end()) {
            continue;  // unsubscribed by an earlier callback
        }
        const auto callback = found->second;
        (*callback)(lcid);
    }
    return stored;
}

std::string LoadText(const std::string& section, int id) {
    return FileFor(ActiveLanguage())->Value(section, std::to_string(id));
}

std::vector<std::string> LoadTextInEveryLanguage(const std::string& section, int id) {
    std::vector<std::string> texts;
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator(ApplicationFolder() + "language", error)) {
        const std::string name = entry.path().filename().string();
        const size_t dot = name.find('.');
        if (dot == 0 || dot == std::string::npos || name.substr(dot) != ".lan" ||
            !std::all_of(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(dot),
                         [](char c) { return c >= '0' && c <= '9'; }) ||
            dot > 6) {
            continue;
        }
        std::string text =
            FileFor(std::stoi(name.substr(0, dot)))->Value(section, std::to_string(id));
        if (!text.empty() && std::find(texts.begin(), texts.end(), text) == texts.end()) {
            texts.push_back(std::move(text));
        }
    }
    return texts;
}

void ClearLanguageCache() {
    LanguageCache& cache = Cache();
    std::lock_guard lock(cache.mutex);
    cache.files.clear();
}

LanguageSubscription SubscribeLanguageChanged(std::function<void(int)> callback) {
    Subscribers& subscribers = LanguageSubscribers();
    std::lock_guard lock(subscribers.mutex);
    const unsigned long long id = subscribers.next++;
    subscribers.list.emplace(id, std::make_shared<std::function<void(int)>>(std::move(callback)));
    return LanguageSubscription(id);
}

LanguageSubscription::~LanguageSubscription() {
    Reset();
}

LanguageSubscription::LanguageSubscription(LanguageSubscription&& other) noexcept : id_(other.id_) {
    other.id_ = 0;
}

LanguageSubscription& LanguageSubscription::operator=(LanguageSubscription&& other) noexcept {
    if (this != &other) {
        Reset();
        id_ = other.id_;
        other.id_ = 0;
    }
    return *this;
}

void LanguageSubscription::Reset() {
    if (id_ != 0) {
        Unsubscribe(id_);
        id_ = 0;
    }
}

}  // namespace zanvor
