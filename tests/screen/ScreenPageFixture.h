#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ScreenFixture.h"
#include "device/SessionState.h"
#include "screen/ScreenPage.h"
#include "ui/LoadText.h"
#include "ui/ScriptedDialogs.h"

namespace zanvor::test {

// Records the tasks a page posts; window messages are kept until Deliver() hands them to the
// page, as the main window's message pump would.
class RecordingPoster : public TaskPoster {
  public:
    void PostTask(int code) override { tasks.push_back(code); }
    void PostTaskIfIdle(int code) override {
        if (tasks.empty()) {
            tasks.push_back(code);
        }
    }
    void PostWindowMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) override {
        messages.push_back({id, wParam, lParam});
    }
    struct Message {
        uint32_t id;
        uintptr_t wParam;
        intptr_t lParam;
    };
    std::vector<int> tasks;
    std::deque<Message> messages;
};

// The screen page of the model "Zanvor Vista 96" over its own database (one profile with its
// configuration rows), scripted dialogs and the library's own picture services.
class ScreenPageTest : public LibraryTest {
  protected:
    void SetUp() override {
        LibraryTest::SetUp();
        ProfileData profile;
        profile.name = "P";
        profileId = store.InsertProfile(profile);
        ASSERT_GT(profileId, 0);
        store.InsertDefaultConfig(profileId);
        session.currentProfile = profileId;

        ScreenPageHooks hooks;
        hooks.place = [this] { return Place(); };
        hooks.queueEmpty = [this] { return queueEmpty; };
        hooks.delayDialog = [this](int delay) {
            shownDelays.push_back(delay);
            std::optional<DelayChoice> choice = std::move(delayAnswers.front());
            delayAnswers.pop_front();
            return choice;
        };
        page = std::make_unique<ScreenPage>(store, dialogs, poster, session, hooks);
    }

    // The worker's page refresh, then the message it posts.
    void LoadPage() {
        page->TaskLoadLibrary();
        Deliver();
    }
    // The page loaded again from the library as it is now (after a test changed it).
    void Reload() {
        LoadPage();
        page->OnWindowMessage(kMsgScreenLibrary, 1, 0);
    }
    // The factory reset's step on the worker, then its message.
    void Reset() {
        page->TaskResetLibrary();
        Deliver();
    }
    void Deliver() {
        while (!poster.messages.empty()) {
            const RecordingPoster::Message message = poster.messages.front();
            poster.messages.pop_front();
            page->OnWindowMessage(message.id, message.wParam, message.lParam);
        }
    }
    // Imports a fixture through the library and lists it, as after a start with it stored.
    int StoreAnimation(const std::string& fixture) {
        const LibraryOutcome outcome = library.ImportGif(ScreenFixture(fixture));
        EXPECT_TRUE(outcome.Ok());
        return outcome.animationId;
    }
    void Click(int controlId) { page->OnControl(controlId, 1); }
    ScreenModels& models() { return page->Models(); }
    const ScreenPageState& state() { return page->State(); }
    std::vector<std::string> Shown(const std::string& kind) {
        std::vector<std::string> texts;
        for (const auto& shown : dialogs.History()) {
            if (shown.kind == kind) {
                texts.push_back(shown.text + " | " + shown.caption);
            }
        }
        return texts;
    }
    static std::string Text(int id) { return LoadText("KB.DIALOG", id); }
    static std::string Pair(int text, int caption) { return Text(text) + " | " + Text(caption); }
    std::vector<std::string> FrameNames() {
        std::vector<std::string> names;
        for (const FrameItem& item : models().frames.GetItems()) {
            names.push_back(item.fileName);
        }
        return names;
    }

    int profileId = 0;
    SessionState session;
    ScriptedDialogs dialogs;
    RecordingPoster poster;
    bool queueEmpty = true;
    std::deque<std::optional<DelayChoice>> delayAnswers;
    std::vector<int> shownDelays;
    std::unique_ptr<ScreenPage> page;
};

}  // namespace zanvor::test
