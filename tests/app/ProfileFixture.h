#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/ProfilePage.h"
#include "platform/Paths.h"
#include "store/DataStore.h"
#include "store/StoreFixture.h"
#include "support/TestHome.h"
#include "ui/LoadText.h"
#include "ui/ScriptedDialogs.h"

namespace zanvor::test {

// Records the tasks and window messages the profile commands post.
class TaskRecorder : public TaskPoster {
  public:
    void PostTask(int code) override {
        std::lock_guard lock(mutex_);
        tasks_.push_back(code);
    }
    void PostTaskIfIdle(int code) override { PostTask(code); }
    void PostWindowMessage(uint32_t, uintptr_t, intptr_t) override {}
    std::vector<int> Tasks() const {
        std::lock_guard lock(mutex_);
        return tasks_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        tasks_.clear();
    }

  private:
    mutable std::mutex mutex_;  // guards tasks_
    std::vector<int> tasks_;
};

// A profile page over its own store in a temporary home, in English; the hooks record what
// they were asked to do.
class ProfileTest : public IsolatedHomeTest {
  protected:
    void SetUp() override {
        IsolatedHomeTest::SetUp();
        SetActiveLanguageId(1033);
        ASSERT_TRUE(CreateFolders(DataFolder() + "db"));
        ASSERT_TRUE(store.OpenDeviceDatabase(DataFolder(), "Profile Test"));
        ProfileHooks hooks;
        hooks.createDefaultKeyRows = [this](int id) {
            calls.push_back("keys " + std::to_string(id));
            // As the key page does, the profile has key rows afterwards.
            KeyMacroData row;
            row.profile = id;
            row.key_code = row.layout_value = row.macro_value = 4;
            row.macro_type = 2;
            return store.InsertKeys({row});
        };
        hooks.readDeviceState = [this] {
            calls.push_back("read");
            return true;
        };
        hooks.refreshPages = [this] { calls.push_back("refresh"); };
        hooks.showContextMenu = [this] { calls.push_back("menu"); };
        hooks.exportProfile = [this](int id) { calls.push_back("export " + std::to_string(id)); };
        page = std::make_unique<ProfilePage>(store, session, tasks, dialogs, list, hooks);
        list.SetEventSink([this](int, int event) { page->OnListEvent(event); });
    }

    // The main list loaded from a database holding `count` profiles (defaults first).
    void LoadWithProfiles(int count) {
        page->LoadProfileList();
        while (list.GetItemCount() < count) {
            int id = 0;
            ASSERT_EQ(page->AddProfileNamed("", id), ProfileResult::kOk);
        }
        page->LoadProfileList();
        tasks.Clear();
        calls.clear();
        dialogs.ClearHistory();
    }

    std::vector<int> ListIds() const {
        std::vector<int> ids;
        for (const ProfileListItem& item : list.GetItems()) {
            ids.push_back(item.data);
        }
        return ids;
    }
    std::vector<std::string> ListTexts() const {
        std::vector<std::string> texts;
        for (const ProfileListItem& item : list.GetItems()) {
            texts.push_back(item.text);
        }
        return texts;
    }

    std::vector<std::vector<std::string>> Rows(const std::string& sql) {
        return QueryRows(store.Path(), sql);
    }
    std::string StoredName(int id) {
        std::string name;
        store.GetProfileName(id, name);
        return name;
    }

    DataStore store;
    SessionState session;
    TaskRecorder tasks;
    ScriptedDialogs dialogs;
    ProfileList list{1101};
    std::vector<std::string> calls;
    std::unique_ptr<ProfilePage> page;
};

}  // namespace zanvor::test
