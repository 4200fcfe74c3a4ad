#include <string>
#include <vector>

#include "platform/Paths.h"
#include "platform/Registry.h"
#include "support/TestHome.h"
#include "ui/LanguageFile.h"
#include "ui/LoadText.h"

namespace zanvor {
namespace {

using test::WriteFile;

// UTF-16LE bytes with BOM for ASCII-and-Latin-Extended text given as UTF-8.
std::string Utf16Le(const std::string& utf8) {
    std::string out = "\xFF\xFE";
    for (size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        char32_t code = c;
        if (c >= 0xC0) {
            code = ((c & 0x1F) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F);
            i += 2;
        } else {
            ++i;
        }
        out += static_cast<char>(code & 0xFF);
        out += static_cast<char>(code >> 8);
    }
    return out;
}

const std::string kPolishFile =
    "; comment\r\n"
    "[KB.DIALOG]\r\n"
    "11=Zakończ\r\n"
    "  517 =  Wersja  \r\n"
    "520=\"  w cudzysłowie \"\r\n"
    "[oem]\r\n"
    "1=ZANVOR\r\n";

size_t CodePoints(const std::string& text) {
    size_t count = 0;
    for (char c : text) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }
    return count;
}

class LanguageTest : public test::IsolatedHomeTest {
  protected:
    void SetUp() override {
        IsolatedHomeTest::SetUp();
        folder_ = home() + "app/";
        SetApplicationFolder(folder_);
        SetActiveLanguageId(1033);
        ClearLanguageCache();
    }
    void TearDown() override {
        SetActiveLanguageId(1033);
        ClearLanguageCache();
        IsolatedHomeTest::TearDown();
    }
    void Install(int lcid, const std::string& bytes) {
        WriteFile(folder_ + "language/" + std::to_string(lcid) + ".lan", bytes);
    }
    std::string folder_;
};

TEST_F(LanguageTest, EveryEncodingReadsTheSameTexts) {
    const std::vector<std::pair<std::string, std::string>> encodings = {
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + kPolishFile},
        {"UTF-8", kPolishFile},
        {"UTF-16LE with BOM", Utf16Le(kPolishFile)},
    };
    for (const auto& [name, bytes] : encodings) {
        Install(1045, bytes);
        SetActiveLanguage(1045);  // reads the file again
        EXPECT_EQ(LoadText("KB.DIALOG", 11), "Zakończ") << name;
        EXPECT_EQ(LoadText("KB.DIALOG", 517), "Wersja") << name;
        EXPECT_EQ(LoadText("KB.DIALOG", 520), "  w cudzysłowie ") << name;
        EXPECT_EQ(LoadText("kb.dialog", 11), "Zakończ") << name;
        EXPECT_EQ(LoadText("OEM", 1), "ZANVOR") << name;
        EXPECT_TRUE(LanguageFile::Parse(bytes).Problems().empty()) << name;
    }
}

TEST_F(LanguageTest, MissingFileSectionOrKeyGivesEmptyText) {
    Install(1033, "[KB.DIALOG]\n11=Exit\n");
    SetActiveLanguage(1033);
    EXPECT_EQ(LoadText("KB.DIALOG", 11), "Exit");
    EXPECT_EQ(LoadText("KB.DIALOG", 12), "");
    EXPECT_EQ(LoadText("CAPTION", 11), "");
    SetActiveLanguage(1045);  // no file installed: everything empty, nothing fails
    EXPECT_EQ(LoadText("KB.DIALOG", 11), "");
    EXPECT_EQ(LoadText("OEM", 1), "");
}

TEST_F(LanguageTest, LongValuesAreCutAt259Characters) {
    std::string ascii(300, 'a');
    std::string polish;
    for (int i = 0; i < 300; ++i) {
        polish += "ą";
    }
    Install(1033,
            "[KB.DIALOG]\n1=" + ascii + "\n2=" + polish + "\n3=" + ascii.substr(0, 259) + "\n");
    SetActiveLanguage(1033);
    EXPECT_EQ(LoadText("KB.DIALOG", 1), ascii.substr(0, 259));
    EXPECT_EQ(LoadText("KB.DIALOG", 2), polish.substr(0, 2 * 259));  // whole characters
    EXPECT_EQ(CodePoints(LoadText("KB.DIALOG", 2)), 259u);
    EXPECT_EQ(LoadText("KB.DIALOG", 3).size(), 259u);
}

TEST_F(LanguageTest, FileIsParsedOnceUntilTheLanguageChanges) {
    Install(1033, "[KB.DIALOG]\n11=Exit\n");
    SetActiveLanguage(1033);
    EXPECT_EQ(LoadText("KB.DIALOG", 11), "Exit");
    Install(1033, "[KB.DIALOG]\n11=Quit\n");
    EXPECT_EQ(LoadText("KB.DIALOG", 11), "Exit");  // not read again per lookup
    SetActiveLanguage(1033);
    EXPECT_EQ(LoadText("KB.DIALOG", 11), "Quit");
}

TEST_F(LanguageTest, SwitchingLanguagesRelabelsSubscribersAndStoresTheChoice) {
    Install(1033, "\xEF\xBB\xBF[KB.DIALOG]\n11=Exit\n");
    Install(1045, "\xEF\xBB\xBF[KB.DIALOG]\n11=Zakończ\n");
    std::vector<std::pair<int, std::string>> pageA;
    std::vector<std::string> pageB;
    LanguageSubscription a = SubscribeLanguageChanged(
        [&](int lcid) { pageA.emplace_back(lcid, LoadText("KB.DIALOG", 11)); });
    LanguageSubscription b =
        SubscribeLanguageChanged([&](int) { pageB.push_back(LoadText("KB.DIALOG", 11)); });

    SetActiveLanguage(1045);
    EXPECT_EQ(ActiveLanguage(), 1045);
    EXPECT_EQ(ReadRegistryText(kLcidValue), "1045");
    SetActiveLanguage(1033);
    EXPECT_EQ(ReadRegistryText(kLcidValue), "1033");
    EXPECT_EQ(pageA, (std::vector<std::pair<int, std::string>>{{1045, "Zakończ"}, {1033, "Exit"}}));
    EXPECT_EQ(pageB, (std::vector<std::string>{"Zakończ", "Exit"}));

    b.Reset();
    {
        LanguageSubscription moved = std::move(a);
        EXPECT_FALSE(a.Active());
        SetActiveLanguage(1045);
    }
    SetActiveLanguage(1033);  // both gone: no more calls
    EXPECT_EQ(pageA.size(), 3u);
    EXPECT_EQ(pageB.size(), 2u);
}

TEST_F(LanguageTest, SubscriberMayUnsubscribeItselfOrOthersWhileNotified) {
    int firstCalls = 0;
    int secondCalls = 0;
    LanguageSubscription second;
    LanguageSubscription first = SubscribeLanguageChanged([&](int) {
        ++firstCalls;
        first.Reset();
        second.Reset();
    });
    second = SubscribeLanguageChanged([&](int) { ++secondCalls; });
    SetActiveLanguage(1045);
    SetActiveLanguage(1033);
    EXPECT_EQ(firstCalls, 1);
    EXPECT_EQ(secondCalls, 0);
}

TEST_F(LanguageTest, InstalledFilesCarryTheBrandAndTrayTexts) {
    SetApplicationFolder(test::StagedAppFolder());
    const std::vector<std::pair<int, std::string>> cases = {{1033, "Exit"}, {1045, "Zakończ"}};
    for (const auto& [lcid, exitText] : cases) {
        SetActiveLanguage(lcid);
        EXPECT_EQ(LoadText("OEM", 1), "ZANVOR") << lcid;
        EXPECT_EQ(LoadText("KB.DIALOG", 11), exitText) << lcid;
    }
}

TEST(LanguageFileTest, MalformedInputIsReportedAndSkipped) {
    const LanguageFile file = LanguageFile::Parse(
        "orphan=1\n[KB.DIALOG]\nno equals sign\n5=five\n5=again\n[BROKEN\n6=six\n"
        "7=bad \xC3(\n");
    // Bad bytes, the orphan, the line without "=", the repeat, the broken header and the two
    // keys that follow it.
    EXPECT_EQ(file.Problems().size(), 7u);
    EXPECT_EQ(file.Value("KB.DIALOG", "5"), "five");  // the first occurrence wins
    EXPECT_FALSE(file.Has("KB.DIALOG", "6"));         // after an unusable section header
    EXPECT_FALSE(file.Has("", "orphan"));
}

TEST(LanguageFileTest, Utf16SurrogatesAndBrokenUnitsDecode) {
    bool invalid = false;
    // "😀" as a surrogate pair, then a lone high surrogate.
    EXPECT_EQ(DecodeText(std::string("\xFF\xFE\x3D\xD8\x00\xDE\x41\x00", 8), &invalid),
              "\xF0\x9F\x98\x80"
              "A");
    EXPECT_FALSE(invalid);
    EXPECT_EQ(DecodeText(std::string("\xFF\xFE\x3D\xD8\x41\x00", 6), &invalid),
              "\xEF\xBF\xBD"
              "A");
    EXPECT_TRUE(invalid);
    EXPECT_EQ(CutToCharacters("\xF0\x9F\x98\x80xyz", 2), "\xF0\x9F\x98\x80x");
}

}  // namespace
}  // namespace zanvor
