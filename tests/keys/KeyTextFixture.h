#pragma once

// A language folder of its own for tests of captions that come from the language file: the
// text of every id is "#<id>" in English and "pl#<id>" in Polish, so a test sees which id a
// caption was read from.

#include <string>

#include "platform/Paths.h"
#include "support/TestHome.h"
#include "ui/LoadText.h"

namespace zanvor::test {

class KeyTextTest : public IsolatedHomeTest {
  protected:
    void SetUp() override {
        IsolatedHomeTest::SetUp();
        WriteLanguage(1033, "#");
        WriteLanguage(1045, "pl#");
        SetApplicationFolder(home() + "app/");
        SetActiveLanguageId(1033);
        ClearLanguageCache();
    }
    void TearDown() override {
        SetActiveLanguageId(1033);
        ClearLanguageCache();
        IsolatedHomeTest::TearDown();
    }

  private:
    void WriteLanguage(int lcid, const std::string& prefix) {
        std::string text = "[KB.DIALOG]\n";
        for (int id = 1; id <= 2300; ++id) {
            text += std::to_string(id) + "=" + prefix + std::to_string(id) + "\n";
        }
        WriteFile(home() + "app/language/" + std::to_string(lcid) + ".lan", text);
    }
};

}  // namespace zanvor::test
