#include "keys/FunctionLists.h"

#include <span>

#include "keys/KeyCodeTables.h"
#include "keys/KeyCodes.h"
#include "ui/LoadText.h"

namespace zanvor {

namespace {

constexpr const char* kDialogSection = "KB.DIALOG";

std::string Caption(int textId) {
    return LoadText(kDialogSection, textId);
}

void AddKeys(std::vector<KeyFunction>& list) {
    for (const KeyListEntry& entry : KeyListKeys()) {
        list.push_back({kFunctionKey, entry.usage, entry.caption, {}});
    }
}

void AddMouse(std::vector<KeyFunction>& list) {
    for (int code : KeyListMouseOrder()) {
        for (const MouseFunction& entry : MouseFunctionTable()) {
            if (entry.code == code) {
                list.push_back({kFunctionMouse, code, Caption(entry.captionId), {}});
            }
        }
    }
}

void AddMedia(std::vector<KeyFunction>& list, std::span<const int> order) {
    for (int code : order) {
        for (const MediaFunction& entry : MediaFunctionTable()) {
            if (entry.code == code) {
                list.push_back({kFunctionMedia, code, Caption(entry.listCaptionId), {}});
            }
        }
    }
}

void AddShortcuts(std::vector<KeyFunction>& list) {
    for (int code : KeyListShortcutOrder()) {
        for (const ShortcutFunction& entry : ShortcutFunctionTable()) {
            if (entry.code == code) {
                list.push_back({kFunctionShortcut, code, Caption(entry.captionId), {}});
            }
        }
    }
}

// Keyboard functions are shown by what they do; the language text carries the short name too.
void AddInternal(std::vector<KeyFunction>& list) {
    for (const InternalFunction& entry : InternalFunctionTable()) {
        list.push_back({kFunctionInternal, entry.code, Caption(entry.captionId), {}});
    }
}

}  // namespace

std::vector<KeyFunction> BuildKeyFunctionList() {
    std::vector<KeyFunction> list;
    list.reserve(kKeyFunctionCount);
    AddKeys(list);
    AddMouse(list);
    AddMedia(list, KeyListMediaOrder());
    AddShortcuts(list);
    AddInternal(list);
    return list;
}

std::vector<KeyFunction> BuildKnobFunctionList() {
    std::vector<KeyFunction> list;
    list.reserve(kKnobFunctionCount);
    AddMedia(list, KnobListMediaOrder());
    AddInternal(list);
    AddKeys(list);
    return list;
}

}  // namespace zanvor
