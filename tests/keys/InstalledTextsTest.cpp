#include <gtest/gtest.h>

#include <vector>

#include "keys/FunctionLists.h"
#include "keys/MacroTexts.h"
#include "platform/Paths.h"
#include "support/TestHome.h"
#include "ui/InstalledLanguages.h"
#include "ui/LoadText.h"

namespace zanvor {
namespace {

// The function lists take their captions from the language files through tables of text ids,
// which the scan of literal lookups cannot see: every caption must exist in every installed
// language.
class InstalledTextsTest : public test::IsolatedHomeTest {
  protected:
    void TearDown() override {
        SetActiveLanguageId(1033);
        ClearLanguageCache();
        IsolatedHomeTest::TearDown();
    }
};

std::vector<int> InstalledLcids() {
    const std::vector<int> lcids = LanguageIds(FindInstalledLanguages(ApplicationFolder()));
    EXPECT_GE(lcids.size(), 9u);
    return lcids;
}

TEST_F(InstalledTextsTest, EveryFunctionCaptionExistsInEveryLanguage) {
    for (int lcid : InstalledLcids()) {
        SetActiveLanguageId(lcid);
        ClearLanguageCache();
        for (const auto& list : {BuildKeyFunctionList(), BuildKnobFunctionList()}) {
            for (const KeyFunction& function : list) {
                EXPECT_FALSE(function.name.empty()) << "language " << lcid << ": type "
                                                    << function.type << " code " << function.code;
            }
        }
    }
}

TEST_F(InstalledTextsTest, EveryMacroPageTextExistsInEveryLanguage) {
    for (int lcid : InstalledLcids()) {
        SetActiveLanguageId(lcid);
        ClearLanguageCache();
        for (int id : kMacroTextIds) {
            EXPECT_FALSE(LoadText("KB.DIALOG", id).empty()) << "language " << lcid << ": " << id;
        }
    }
}

}  // namespace
}  // namespace zanvor
