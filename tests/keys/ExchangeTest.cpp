// Exchange files: the file format, the reader's leniency and bounds, and export and import
// through the profile list's commands.

#include <climits>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "device/SessionState.h"
#include "keys/ExchangeFile.h"
#include "keys/ExchangePage.h"
#include "platform/Paths.h"
#include "store/DataStore.h"
#include "support/Rows.h"
#include "support/TestHome.h"
#include "ui/LoadText.h"
#include "ui/ProfileList.h"
#include "ui/ScriptedDialogs.h"

namespace zanvor {
namespace {

KeyMacroData Row(int layer, int key, int type, int value, int value2, int value3 = 0,
                 const std::string& desc = "x") {
    KeyMacroData row;
    row.fn_layer = layer;
    row.key_code = key;
    row.layout_value = key;
    row.layout_desc = "key " + std::to_string(key);
    row.macro_type = type;
    row.macro_value = value;
    row.macro_value2 = value2;
    row.macro_value3 = value3;
    row.macro_desc = desc;
    return row;
}

// The fields an exchange file carries (key_id and profile are the database's).
void ExpectSameKeys(const std::vector<KeyMacroData>& actual,
                    const std::vector<KeyMacroData>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i));
        const KeyMacroData& a = actual[i];
        const KeyMacroData& e = expected[i];
        EXPECT_EQ(a.fn_layer, e.fn_layer);
        EXPECT_EQ(a.key_code, e.key_code);
        EXPECT_EQ(a.layout_value, e.layout_value);
        EXPECT_EQ(a.layout_desc, e.layout_desc);
        EXPECT_EQ(a.macro_type, e.macro_type);
        EXPECT_EQ(a.macro_value, e.macro_value);
        EXPECT_EQ(a.macro_value2, e.macro_value2);
        EXPECT_EQ(a.macro_value3, e.macro_value3);
        EXPECT_EQ(a.macro_desc, e.macro_desc);
    }
}

std::string Document(const std::string& items,
                     const std::string& info = R"(<profileinfo name="Imported" />)") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<profile>" + info + "<key_macro>" +
           items + "</key_macro></profile>";
}

std::string Item(const std::string& layer, const std::string& key, const std::string& value,
                 const std::string& value2 = "0") {
    return "<item fn_layer=\"" + layer + "\" key_code=\"" + key +
           "\" layout_value=\"1\" layout_desc=\"d\" macro_type=\"2\" macro_value=\"" + value +
           "\" macro_value2=\"" + value2 + "\" macro_value3=\"0\" macro_desc=\"m\" />";
}

// ---------------------------------------------------------------------------------------------
// The file format.

TEST(ExchangeFile, WritesTheFixedFormat) {
    // Declaration with CR LF, attribute order and escaping, checked byte for byte.
    KeyMacroData letter = Row(0, 4, 2, 4, 0, 0, "A");
    letter.layout_desc = "A";
    letter.key_id = 9;  // not written
    letter.profile = 1;
    KeyMacroData macro = Row(1, 0x2C, 3, 2, 0, -1, "Fire \"x\" & <run>\n");
    macro.layout_desc = "Space";
    const std::string written = FormatExchangeDocument("Gaming & Więcej", {letter, macro});
    EXPECT_EQ(written, test::ReadFile(ZANVOR_TEST_FIXTURES "/exchange/two_keys.xml"));

    std::string name;
    std::vector<KeyMacroData> rows;
    ASSERT_EQ(ParseExchangeDocument(written.data(), written.size(), name, rows),
              ExchangeReadResult::Ok);
    EXPECT_EQ(name, "Gaming & Więcej");
    ExpectSameKeys(rows, {letter, macro});
}

TEST(ExchangeFile, ParsesLeadingIntegers) {
    const struct {
        const char* text;
        int value;
    } cases[] = {
        {"12", 12},
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {"  7", 7},
        {"-5", -5},
        {"+3", 3},
        {"0x10", 0},
        {"1 2", 1},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"99999999999999999999", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-99999999999999999999", INT_MIN},
        {"--1", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseLeadingInt(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(ExchangeFile, ReaderResults) {
    const struct {
        const char* what;
        std::string bytes;
        ExchangeReadResult result;
        size_t rows;
    } cases[] = {
        {"empty", "", ExchangeReadResult::NotXml, 0},
        {"not XML", "key_code=4", ExchangeReadResult::NotXml, 0},
        {"unclosed", "<profile><key_macro>", ExchangeReadResult::NotXml, 0},
        {"other root", "<layout><profile/></layout>", ExchangeReadResult::NoProfile, 0},
        {"bare profile", "<profile/>", ExchangeReadResult::Ok, 0},
        {"any whitespace, other elements skipped",
         "\n  <profile>\n\t<key_macro>\n  <note/>" + Item("0", "4", "4") + "\n" +
             Item("0", "5", "5") + "</key_macro>\n</profile>\n",
         ExchangeReadResult::Ok, 2},
        {"items outside key_macro are not rows", "<profile>" + Item("0", "4", "4") + "</profile>",
         ExchangeReadResult::Ok, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string name = "stale";
        std::vector<KeyMacroData> rows(3);
        EXPECT_EQ(ParseExchangeDocument(c.bytes.data(), c.bytes.size(), name, rows), c.result);
        EXPECT_EQ(rows.size(), c.rows);
        EXPECT_EQ(name, "");
    }
}

TEST(ExchangeFile, ReadsUtf16Files) {
    // UTF-16LE with BOM, as another editor may save it.
    std::u16string wide =
        u"\uFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?><profile>"
        u"<profileinfo name=\"Zażółć\" /><key_macro>"
        u"<item key_code=\"4\" macro_value=\"4\" /></key_macro></profile>";
    std::string bytes;
    for (char16_t c : wide) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    std::string name;
    std::vector<KeyMacroData> rows;
    ASSERT_EQ(ParseExchangeDocument(bytes.data(), bytes.size(), name, rows),
              ExchangeReadResult::Ok);
    EXPECT_EQ(name, "Zażółć");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].key_code, 4);
}

TEST(ExchangeFile, CollapseKeyRowsFollowsReplaceKey) {
    const KeyMacroData a = Row(0, 4, 2, 4, 0);
    const KeyMacroData b = Row(0, 5, 2, 5, 0);
    const KeyMacroData aAgain = Row(0, 4, 2, 9, 0);
    const KeyMacroData aOtherLayer = Row(1, 4, 2, 7, 0);
    const KeyMacroData aCleared = Row(0, 4, 0, 0, 0);
    const KeyMacroData modifierOnly = Row(2, 6, 2, 0, 0x02);
    const KeyMacroData noKey = Row(0, 0, 2, 4, 0);
    const struct {
        const char* what;
        std::vector<KeyMacroData> rows;
        std::vector<KeyMacroData> kept;
    } cases[] = {
        {"a later row replaces an earlier one and moves to its place", {a, b, aAgain}, {b, aAgain}},
        {"layers are separate keys", {a, aOtherLayer}, {a, aOtherLayer}},
        {"an empty function clears the key", {a, b, aCleared}, {b}},
        {"a modifier mask alone is a function", {modifierOnly}, {modifierOnly}},
        {"key code 0 changes nothing", {a, noKey}, {a}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ExpectSameKeys(CollapseKeyRows(c.rows), c.kept);
    }
}

// ---------------------------------------------------------------------------------------------
// Export and import through the profile list.

class RecordingPoster : public TaskPoster {
  public:
    void PostTask(int code) override { tasks.push_back(code); }
    void PostTaskIfIdle(int code) override { tasks.push_back(code); }
    void PostWindowMessage(uint32_t, uintptr_t, intptr_t) override {}
    std::vector<int> tasks;
};

// Scripted dialogs that also keep the filters of the file dialogs.
class FilterDialogs : public ScriptedDialogs {
  public:
    std::optional<std::string> OpenFile(const std::string& title,
                                        const std::vector<FileFilter>& filters) override {
        this->filters = filters;
        return ScriptedDialogs::OpenFile(title, filters);
    }
    std::optional<std::string> SaveFile(const std::string& title,
                                        const std::vector<FileFilter>& filters,
                                        const std::string& suggested) override {
        this->filters = filters;
        return ScriptedDialogs::SaveFile(title, filters, suggested);
    }
    std::vector<FileFilter> filters;
};

// The key usages of the test keyboard's layout: 0x04 (A) to 0x2C (Space), left Ctrl, the
// calculator key and Fn.
const std::vector<int> kBoardKeys = [] {
    std::vector<int> keys;
    for (int usage = 0x04; usage <= 0x2C; ++usage) {
        keys.push_back(usage);
    }
    keys.push_back(0xE0);
    keys.push_back(0xD2);
    keys.push_back(0xF0);
    return keys;
}();

class ExchangePageTest : public test::IsolatedHomeTest {
  protected:
    void SetUp() override {
        IsolatedHomeTest::SetUp();
        SetActiveLanguageId(1033);
        ClearLanguageCache();
        ASSERT_TRUE(CreateFolders(home() + "data/db"));
        ASSERT_TRUE(store.OpenDeviceDatabase(home() + "data/", "TestBoard"));
        // A small keyboard: letters, digits and the keys up to Space, Ctrl, and the knob.
        KeyMaps maps;
        int index = 0;
        for (int usage : kBoardKeys) {
            maps.codeToKeyIndex[usage] = index++;
        }
        maps.codeToKeyIndex[0xFF] = index;
        state.SetKeyMaps(maps);
    }
    void TearDown() override {
        store.CloseDatabase();
        IsolatedHomeTest::TearDown();
    }

    // A profile in the database and the list, as the profile page lists it.
    int AddProfile(const std::string& name) {
        ProfileData profile;
        profile.name = name;
        profile.icon_image = kProfileIconFile;
        const int id = store.InsertProfile(profile);
        list.AddItem(name, id, kProfileIconFile);
        return id;
    }
    std::string WriteImport(const std::string& bytes) {
        const std::string path = home() + "import.xml";
        test::WriteFile(path, bytes);
        return path;
    }
    // Imports `bytes` through the page; the import's result.
    bool Import(const std::string& bytes) {
        dialogs.QueueFile(WriteImport(bytes));
        return page.ImportKeys();
    }
    std::vector<KeyMacroData> KeysOf(int profile) {
        std::vector<KeyMacroData> keys;
        store.ListProfileKeys(profile, keys);
        return keys;
    }
    int ProfileCount() {
        std::vector<ProfileData> profiles;
        return store.LoadProfiles(profiles);
    }
    size_t AllKeyRows() {
        std::vector<KeyMacroData> keys;
        store.ListAllKeys(keys);
        return keys.size();
    }
    std::vector<std::string> Shown(const std::string& kind) {
        std::vector<std::string> shown;
        for (const auto& entry : dialogs.History()) {
            if (entry.kind == kind) {
                shown.push_back(entry.text);
            }
        }
        return shown;
    }
    // Nothing was imported: no new profile, list entry, activation or task.
    void ExpectNothingImported(int profiles, int active) {
        EXPECT_EQ(ProfileCount(), profiles);
        EXPECT_EQ(list.GetItemCount(), profiles);
        EXPECT_EQ(store.GetActiveProfile(), active);
        EXPECT_TRUE(poster.tasks.empty());
    }

    DataStore store;
    FilterDialogs dialogs;
    ProfileList list;
    SessionState state;
    RecordingPoster poster;
    ExchangePage page{store, dialogs, list, state, poster};
};

TEST_F(ExchangePageTest, AnImportedNameThatIsTakenGetsTheFirstFreeNumber) {
    AddProfile("Gaming");
    AddProfile("Gaming (2)");
    AddProfile("Work (3)");
    AddProfile("My profile 2");
    const struct {
        std::string fileName;
        std::string listed;
    } cases[] = {
        {"Racing", "Racing"},          // free: as it is
        {"Gaming", "Gaming (3)"},      // (2) is taken too
        {"Gaming (2)", "Gaming (4)"},  // its number is replaced, not added to
        {"Work (3)", "Work (2)"},
        {"(2)", "(2)"},
        // Compared as the list shows them: a default name made in Polish reads "My profile 2".
        {"Mój profil 2", "Mój profil 2 (2)"},
    };
    for (const auto& c : cases) {
        const std::string path = home() + "named.xml";
        ASSERT_TRUE(WriteExchangeFile(path, c.fileName, {}));
        dialogs.QueueFile(path);
        ASSERT_TRUE(page.ImportKeys()) << c.fileName;
        EXPECT_EQ(list.GetItemText(list.GetItemCount() - 1), c.listed) << c.fileName;
    }
}

TEST_F(ExchangePageTest, ExportThenImportRoundTripsByTheStoringRules) {
    const int source = AddProfile("Profile 1");
    store.SetActiveProfile(source);
    const int macroId = store.InsertMacro("Macro 1");
    ASSERT_GT(macroId, 0);
    const KeyMacroData layer0 = Row(0, 0x04, 2, 0x04, 0, 0, "A");
    const KeyMacroData macro = Row(0, 0x05, 3, macroId, 0, 2, "Macro <1> & \"2\"");
    const KeyMacroData emptyLayer1 = Row(1, 0x04, 0, 0, 0);
    const KeyMacroData emptyLayer3 = Row(3, 0x05, 0, 0, 0);
    const KeyMacroData modifierLayer2 = Row(2, 0x06, 2, 0, 0x03, 0, "LCtrl+ LShift");
    std::vector<KeyMacroData> stored = {layer0, macro, emptyLayer1, modifierLayer2, emptyLayer3};
    for (KeyMacroData& key : stored) {
        key.profile = source;
    }
    store.InsertKeys(stored);

    list.SetSelectItem(0);
    const std::string path = home() + "exported.xml";
    dialogs.QueueFile(path);
    EXPECT_EQ(page.ExportKeys(), ExchangePage::ExportResult::Saved);
    const auto told = dialogs.HistoryOf("message");
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.back().text, "The profile was exported to " + path);
    ASSERT_EQ(dialogs.filters.size(), 1u);
    EXPECT_EQ(dialogs.filters[0].description, "Profile");  // shown as "Profile (*.xml)"
    EXPECT_EQ(dialogs.filters[0].patterns, std::vector<std::string>{"*.xml"});

    // Every row travels, the empty ones too.
    std::string name;
    std::vector<KeyMacroData> rows;
    ASSERT_EQ(ReadExchangeFile(path, name, rows), ExchangeReadResult::Ok);
    EXPECT_EQ(name, "Profile 1");
    ExpectSameKeys(rows, {layer0, macro, emptyLayer1, modifierLayer2, emptyLayer3});

    dialogs.QueueFile(path);
    EXPECT_TRUE(page.ImportKeys());
    ASSERT_EQ(dialogs.filters.size(), 1u);
    EXPECT_EQ(dialogs.filters[0].description, "Profile");
    EXPECT_EQ(dialogs.filters[0].patterns, std::vector<std::string>{"*.xml"});

    // The new profile: listed, selected, current, active, sent to the keyboard.
    ASSERT_EQ(list.GetItemCount(), 2);
    const int imported = list.GetItemData(1);
    EXPECT_GT(imported, source);
    EXPECT_EQ(list.GetItemText(1), "Profile 1 (2)") << "the name is taken already";
    EXPECT_EQ(list.GetItemIcon(1), "icon\\icon_profile.png");
    EXPECT_EQ(list.GetSelectItem(), 1);
    EXPECT_EQ(state.currentProfile.load(), imported);
    EXPECT_EQ(store.GetActiveProfile(), imported);
    EXPECT_EQ(poster.tasks, std::vector<int>{6});
    std::string storedName;
    ASSERT_TRUE(store.GetProfileName(imported, storedName));
    EXPECT_EQ(storedName, "Profile 1 (2)");
    EXPECT_EQ(store.GetConfigValue(imported, "sleep_time", storedName), true)
        << "default configuration values";

    // Layers 1-3 rows without a function are gone; the modifier-only row stays.
    ExpectSameKeys(KeysOf(imported), {layer0, macro, modifierLayer2});
    ExpectSameKeys(KeysOf(source), {layer0, macro, emptyLayer1, modifierLayer2, emptyLayer3});
}

TEST_F(ExchangePageTest, ImportTakesItemsAsTheFileGivesThem) {
    AddProfile("Profile 1");
    const struct {
        const char* what;
        std::string file;
        std::string name;
        std::vector<std::pair<int, int>> keys;  // (key_code, macro_value) of layer 0
    } cases[] = {
        {"a file without a name is named like a new profile",
         Document(Item("0", "4", "4"), "<profileinfo />"),
         "My profile 1",
         {{4, 4}}},
        {"no profileinfo", Document(Item("0", "4", "4"), ""), "My profile 1", {{4, 4}}},
        {"key code with trailing letters", Document(Item("0", "12ab", "4")), "Imported", {{12, 4}}},
        {"an empty function stores no row", Document(Item("0", "4", "0")), "Imported", {}},
        {"no key_macro", "<profile><profileinfo name=\"n\"/></profile>", "n", {}},
    };
    test::ForEachRow(cases, [&](const auto& c) {
        SCOPED_TRACE(c.what);
        const int before = list.GetItemCount();
        ASSERT_TRUE(Import(c.file));
        ASSERT_EQ(list.GetItemCount(), before + 1);
        const int id = list.GetItemData(before);
        EXPECT_EQ(list.GetItemText(before), c.name);
        std::vector<std::pair<int, int>> keys;
        for (const KeyMacroData& key : KeysOf(id)) {
            EXPECT_EQ(key.fn_layer, 0);
            keys.emplace_back(key.key_code, key.macro_value);
        }
        EXPECT_EQ(keys, c.keys);
        // Keep below the profile limit.
        list.DeleteItem(before);
        store.DeleteProfile(id);
    });
}

// Files exported by earlier versions carry the Fn key of a new profile as a plain key (a dead
// key on the keyboard): it is imported with its factory function, and the user is told. The
// same key set on purpose with a modifier, and Fn layers, come in as written.
TEST_F(ExchangePageTest, ImportGivesTheFnKeyItsFactoryFunctionBack) {
    AddProfile("Profile 1");
    ASSERT_TRUE(Import(Document(Item("0", "240", "240") + Item("1", "240", "240") +
                                Item("0", "210", "210", "1") + Item("0", "4", "4"))));
    const int id = list.GetItemData(list.GetItemCount() - 1);
    std::map<std::pair<int, int>, std::pair<int, int>> rows;  // (layer, key) -> (type, value)
    for (const KeyMacroData& key : KeysOf(id)) {
        rows[{key.fn_layer, key.key_code}] = {key.macro_type, key.macro_value};
    }
    EXPECT_EQ(rows[std::make_pair(0, 240)], std::make_pair(0, 0)) << "keeps the factory entry";
    EXPECT_EQ(rows[std::make_pair(1, 240)], std::make_pair(2, 240));
    EXPECT_EQ(rows[std::make_pair(0, 210)], std::make_pair(2, 210)) << "a modifier: on purpose";
    EXPECT_EQ(rows[std::make_pair(0, 4)], std::make_pair(2, 4));
    EXPECT_EQ(Shown("message"), std::vector<std::string>{LoadText("KB.DIALOG", 1961)});
}

TEST_F(ExchangePageTest, UnusableFilesChangeNothingAndAreNamedWithTheReason) {
    const int first = AddProfile("Profile 1");
    store.SetActiveProfile(first);
    const std::string path = home() + "import.xml";
    const struct {
        const char* what;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"not XML", "this is not xml", "The file is not an XML document."},
        {"truncated", Document(Item("0", "4", "4")).substr(0, 80),
         "The file is not an XML document."},
        {"no profile element", "<?xml version=\"1.0\"?><layout><key_macro/></layout>",
         "The file holds no profile."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs.ClearHistory();
        EXPECT_TRUE(Import(c.bytes)) << "a chosen, existing file";
        ExpectNothingImported(1, first);
        EXPECT_EQ(Shown("message"),
                  std::vector<std::string>{path + " cannot be imported.\n" + c.reason});
    }

    dialogs.ClearHistory();
    dialogs.QueueFile(home());
    EXPECT_TRUE(page.ImportKeys());
    EXPECT_EQ(Shown("message"),
              std::vector<std::string>{home() + " cannot be imported.\n" +
                                       "It is a folder or a device, not a file."});
    dialogs.ClearHistory();
    dialogs.QueueFile(home() + "gone.xml");
    EXPECT_FALSE(page.ImportKeys());
    EXPECT_EQ(Shown("message"),
              std::vector<std::string>{home() + "gone.xml cannot be imported.\n" +
                                       "The file does not exist or cannot be read."});
    ExpectNothingImported(1, first);
}

TEST_F(ExchangePageTest, ImportWithoutAFileReturnsFalse) {
    const int first = AddProfile("Profile 1");
    store.SetActiveProfile(first);
    dialogs.QueueFile(std::nullopt);
    EXPECT_FALSE(page.ImportKeys()) << "cancelled";
    dialogs.QueueFile(home() + "missing.xml");
    EXPECT_FALSE(page.ImportKeys()) << "missing file";
    ExpectNothingImported(1, first);
}

TEST_F(ExchangePageTest, TenProfilesShowTheLimitWithoutAFileDialog) {
    for (int i = 1; i <= 10; ++i) {
        AddProfile("Profile " + std::to_string(i));
    }
    store.SetActiveProfile(1);
    dialogs.QueueFile(WriteImport(Document(Item("0", "4", "4"))));
    EXPECT_FALSE(page.ImportKeys());
    EXPECT_TRUE(Shown("open").empty());
    ASSERT_EQ(dialogs.History().size(), 1u);
    EXPECT_EQ(dialogs.History()[0].kind, "message");
    EXPECT_EQ(dialogs.History()[0].text, "You can create at most 10 profiles!");
    EXPECT_EQ(dialogs.History()[0].caption, "Add profile");
    ExpectNothingImported(10, 1);

    // Nine leave room for a tenth.
    list.DeleteItem(9);
    store.DeleteProfile(10);
    EXPECT_TRUE(page.ImportKeys());
    EXPECT_EQ(list.GetItemCount(), 10);
}

TEST_F(ExchangePageTest, ImportFileTellsTheCommandLineWhatHappened) {
    const int first = AddProfile("Profile 1");
    store.SetActiveProfile(first);
    const struct {
        const char* what;
        std::optional<std::string> bytes;  // none: no file
        ImportStatus status;
    } failures[] = {
        {"missing file", std::nullopt, ImportStatus::Unreadable},
        {"not XML", "<<<", ImportStatus::NotXml},
        {"no profile", "<keys/>", ImportStatus::NoProfile},
    };
    for (const auto& c : failures) {
        SCOPED_TRACE(c.what);
        const std::string path = c.bytes ? WriteImport(*c.bytes) : home() + "missing.xml";
        const ImportResult result = page.ImportFile(path);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.profileId, 0);
        ExpectNothingImported(1, first);
        std::filesystem::remove(path);
    }

    const ImportResult result =
        page.ImportFile(WriteImport(Document(Item("0", "4", "4") + Item("1", "4", "0"))));
    EXPECT_EQ(result.status, ImportStatus::Imported);
    EXPECT_EQ(result.name, "Imported");
    EXPECT_EQ(result.keyRows, 1u);
    EXPECT_EQ(store.GetActiveProfile(), result.profileId);
    EXPECT_EQ(list.GetCurData(), result.profileId);
    EXPECT_EQ(poster.tasks, std::vector<int>{6});
    EXPECT_TRUE(dialogs.History().empty());

    // The database's count counts too, should the list lag behind it.
    for (int i = 0; i < 8; ++i) {
        ProfileData extra;
        extra.name = "extra";
        store.InsertProfile(extra);
    }
    EXPECT_EQ(page.ImportFile(WriteImport(Document(""))).status, ImportStatus::LimitReached);
    EXPECT_EQ(ProfileCount(), 10);
}

TEST_F(ExchangePageTest, AFailedInsertAddsAndActivatesNothing) {
    AddProfile("Profile 1");
    const std::string path = WriteImport(Document(Item("0", "4", "4")));
    store.CloseDatabase();  // every insert fails from here on
    dialogs.QueueFile(path);
    EXPECT_TRUE(page.ImportKeys());
    EXPECT_EQ(list.GetItemCount(), 1);
    EXPECT_EQ(list.GetSelectItem(), -1);
    EXPECT_EQ(state.currentProfile.load(), 1);
    EXPECT_TRUE(poster.tasks.empty());
    EXPECT_EQ(ImportProfileFile(store, path, {0x04}).status, ImportStatus::InsertFailed);
}

TEST_F(ExchangePageTest, ExportNeedsASelectionAndReportsAFailedSave) {
    AddProfile("Profile 1");
    EXPECT_EQ(page.ExportKeys(), ExchangePage::ExportResult::NothingSelected);
    EXPECT_TRUE(dialogs.History().empty()) << "no dialog without a selection";

    list.SetSelectItem(0);
    dialogs.QueueFile(std::nullopt);
    EXPECT_EQ(page.ExportKeys(), ExchangePage::ExportResult::Cancelled);

    dialogs.ClearHistory();
    dialogs.QueueFile(home() + "no-such-folder/out.xml");
    EXPECT_EQ(page.ExportKeys(), ExchangePage::ExportResult::SaveFailed);
    const std::string target = home() + "no-such-folder/out.xml";
    EXPECT_EQ(Shown("message"), std::vector<std::string>{"The profile could not be exported to " +
                                                         target + ".\n\ncannot write " + target +
                                                         ": No such file or directory"})
        << "the file and the cause";
    EXPECT_FALSE(std::filesystem::exists(home() + "no-such-folder/out.xml"));
}

// A file with one row the keyboard cannot hold is refused whole, naming the row; nothing is
// stored, listed, activated or sent.
TEST_F(ExchangePageTest, RowsTheKeyboardCannotHoldRefuseTheWholeFile) {
    const int first = AddProfile("Profile 1");
    store.SetActiveProfile(first);
    const int macroId = store.InsertMacro("Macro 1");
    ASSERT_GT(macroId, 0);
    const std::string macro = std::to_string(macroId);
    const auto row = [](const std::string& layer, const std::string& key, const std::string& type,
                        const std::string& value, const std::string& value2 = "0",
                        const std::string& value3 = "0") {
        return "<item fn_layer=\"" + layer + "\" key_code=\"" + key +
               "\" layout_value=\"1\" layout_desc=\"d\" macro_type=\"" + type +
               "\" macro_value=\"" + value + "\" macro_value2=\"" + value2 + "\" macro_value3=\"" +
               value3 + "\" macro_desc=\"m\" />";
    };
    const std::string good = row("0", "4", "2", "4");
    const struct {
        const char* what;
        std::string items;
        std::string reason;
    } cases[] = {
        {"unknown function type", good + row("1", "41", "99", "4"),
         "Row 2 (layer 1, key 0x29): unknown function type 99"},
        {"type 4 does not exist", row("0", "5", "4", "1"),
         "Row 1 (layer 0, key 0x05): unknown function type 4"},
        {"modifier mask beyond a byte", row("0", "5", "2", "4", "99999999999"),
         "Row 1 (layer 0, key 0x05): the modifier mask is not a number from 0 to 255"},
        {"negative modifier mask", row("0", "5", "2", "4", "-1"),
         "Row 1 (layer 0, key 0x05): the modifier mask is not a number from 0 to 255"},
        {"key usage beyond a byte", row("0", "5", "2", "260"),
         "Row 1 (layer 0, key 0x05): the key usage is not a number from 0 to 255"},
        {"missing macro", row("2", "6", "3", "999"),
         "Row 1 (layer 2, key 0x06): there is no macro with id 999"},
        {"play type", row("0", "6", "3", macro, "4"),
         "Row 1 (layer 0, key 0x06): the play type is not 0 to 3"},
        {"play count", row("0", "6", "3", macro, "0", "256"),
         "Row 1 (layer 0, key 0x06): the play count is not a number from 0 to 255"},
        {"mouse code outside its table", row("0", "7", "5", "93"),
         "Row 1 (layer 0, key 0x07): 93 is not a function of this type"},
        {"media code that sends no usage", row("0", "7", "6", "111"),
         "Row 1 (layer 0, key 0x07): 111 is not a function of this type"},
        {"shortcut that sends no key", row("0", "7", "7", "163"),
         "Row 1 (layer 0, key 0x07): 163 is not a function of this type"},
        {"internal function outside its table", row("0", "7", "12", "30"),
         "Row 1 (layer 0, key 0x07): 30 is not a function of this type"},
        {"special value beyond a byte", row("0", "7", "9", "256"),
         "Row 1 (layer 0, key 0x07): the value is not a number from 0 to 255"},
        {"key the keyboard does not have", row("0", "100", "2", "4"),
         "Row 1 (layer 0, key 0x64): this keyboard has no such key"},
        {"key code that is no number", row("0", "ab12", "2", "4"),
         "Row 1 (layer 0, key 0x00): this keyboard has no such key"},
        {"the knob has no key rows", row("0", "255", "2", "4"),
         "Row 1 (layer 0, key 0xFF): this keyboard has no such key"},
        {"absurd key code", row("0", "99999999999999", "2", "4"),
         "Row 1 (layer 0, key 2147483647): this keyboard has no such key"},
        {"layer beyond 3", row("4", "5", "2", "4"),
         "Row 1 (layer 4, key 0x05): the layer is not 0 to 3"},
        {"the same key twice on a layer", good + row("1", "4", "2", "5") + row("0", "4", "2", "6"),
         "Row 3 (layer 0, key 0x04): the key is in row 1 already"},
        {"a blank name", Document(good, "<profileinfo name=\" \t \" />"),
         "The profile name in the file is blank."},
    };
    test::ForEachRow(cases, [&](const auto& c) {
        const std::string file = c.items.rfind("<?xml", 0) == 0 ? c.items : Document(c.items);
        const ImportResult result = page.ImportFile(WriteImport(file));
        EXPECT_EQ(result.status, ImportStatus::Refused);
        EXPECT_EQ(result.reason, c.reason);
        ExpectNothingImported(1, first);
        EXPECT_EQ(AllKeyRows(), 0u);
    });

    // The profile page says why.
    dialogs.ClearHistory();
    EXPECT_TRUE(Import(Document(good + row("1", "41", "99", "4"))));
    EXPECT_EQ(Shown("message"),
              std::vector<std::string>{"This file cannot be imported. Row 2 (layer 1, key 0x29): "
                                       "unknown function type 99"});
    ExpectNothingImported(1, first);

    // Every function the keyboard can hold, and empty rows whatever their type, come in.
    const std::string accepted =
        row("0", "4", "0", "7") + row("0", "5", "1", "1") + row("0", "6", "2", "0", "255") +
        row("0", "7", "3", macro, "3", "255") + row("0", "8", "5", "97") +
        row("0", "9", "6", "122") + row("0", "10", "7", "162") + row("0", "11", "8", "255") +
        row("0", "12", "11", "1") + row("0", "13", "12", "53") + row("3", "14", "99", "0") +
        row("3", "224", "2", "224");
    const ImportResult imported = page.ImportFile(WriteImport(Document(accepted)));
    EXPECT_EQ(imported.status, ImportStatus::Imported) << imported.reason;
    EXPECT_EQ(imported.keyRows, 11u) << "the empty row of type 99 stores nothing";
}

// A profile holds at most a row per key and layer: the fullest file comes in whole, one row
// more (or 100 000) is refused before anything is stored.
TEST_F(ExchangePageTest, AFileWithMoreRowsThanAProfileHoldsIsRefused) {
    AddProfile("Profile 1");
    const int most = static_cast<int>(kBoardKeys.size()) * 4;
    std::string items;
    for (int layer = 0; layer < 4; ++layer) {
        for (int usage : kBoardKeys) {
            items += Item(std::to_string(layer), std::to_string(usage), std::to_string(usage));
        }
    }
    const ImportResult full = page.ImportFile(WriteImport(Document(items)));
    ASSERT_EQ(full.status, ImportStatus::Imported) << full.reason;
    EXPECT_EQ(full.keyRows, static_cast<size_t>(most));
    EXPECT_EQ(store.CountKeys(full.profileId), most);
    const size_t rowsBefore = AllKeyRows();

    const ImportResult oneMore =
        page.ImportFile(WriteImport(Document(items + Item("0", "4", "5"))));
    EXPECT_EQ(oneMore.status, ImportStatus::Refused);
    EXPECT_EQ(oneMore.reason, "The file holds " + std::to_string(most + 1) +
                                  " key rows; a profile of this keyboard holds at most " +
                                  std::to_string(most) + ".");

    constexpr int kItems = 100000;
    std::string many;
    many.reserve(kItems * 160);
    for (int i = 0; i < kItems; ++i) {
        many += Item(std::to_string(i % 4), std::to_string(i / 4 + 1), std::to_string(i % 7 + 1));
    }
    EXPECT_EQ(page.ImportFile(WriteImport(Document(many))).status, ImportStatus::Refused);
    EXPECT_EQ(ProfileCount(), 2);
    EXPECT_EQ(AllKeyRows(), rowsBefore);
}

}  // namespace
}  // namespace zanvor
