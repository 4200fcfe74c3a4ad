#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "ui/LoadText.h"

class QLabel;
class QPushButton;
class QHBoxLayout;
class QVBoxLayout;

namespace zanvor {

class ModelBinding;

class CKeyTestCtrl;
class CombinationKeyPanel;
class CombinationView;
class FunctionListView;
class KeyFuncValue;
class KeyLayerCtrl;
class KeyTestView;
class KeyboardCtrl;
class KeyboardView;
class LayerView;
class MacroPlayPanel;
class MacroPlayView;

// The models of the key-assignment page besides the keyboard picture.
struct KeyPageViewModels {
    KeyFuncValue* functions = nullptr;
    KeyLayerCtrl* layers = nullptr;
    MacroPlayPanel* macroPlay = nullptr;
    CombinationKeyPanel* combination = nullptr;
    CKeyTestCtrl* keyTest = nullptr;
};

// The key-assignment page: the keyboard picture with the layer control above it; below,
// the function tabs and lists with the macro play options and the combination panel, the
// restore-all button, and the key test beside them.
class KeyPageView : public QWidget {
    Q_OBJECT
  public:
    explicit KeyPageView(KeyboardCtrl& keyboard, QWidget* parent = nullptr);
    ~KeyPageView() override;

    // Renders the page's other models (once).
    void AttachModels(const KeyPageViewModels& models);
    // What the restore-all button does (asks, then restores every key of the layer).
    void SetRestoreAllHandler(std::function<void()> handler);
    // What the restore-key button does (restores the selected keys).
    void SetRestoreKeyHandler(std::function<void()> handler);

    KeyboardView* Keyboard() const { return keyboard_; }
    LayerView* Layers() const { return layers_; }
    FunctionListView* Functions() const { return functions_; }
    MacroPlayView* MacroPlay() const { return macroPlay_; }
    CombinationView* Combination() const { return combination_; }
    KeyTestView* KeyTest() const { return keyTest_; }
    QPushButton* RestoreAllButton() const { return restoreAll_; }
    QPushButton* RestoreKeyButton() const { return restoreKey_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void ApplyTexts();
    void ReserveLowerHeight();
    void OrderFocus();

    KeyboardView* keyboard_ = nullptr;
    QLabel* hint_ = nullptr;
    QHBoxLayout* pictureHeader_ = nullptr;
    QWidget* lower_ = nullptr;
    QVBoxLayout* functionColumn_ = nullptr;
    QHBoxLayout* lowerLayout_ = nullptr;
    LayerView* layers_ = nullptr;
    FunctionListView* functions_ = nullptr;
    MacroPlayView* macroPlay_ = nullptr;
    CombinationView* combination_ = nullptr;
    KeyTestView* keyTest_ = nullptr;
    QPushButton* restoreAll_ = nullptr;
    QPushButton* restoreKey_ = nullptr;
    std::function<void()> restoreAllHandler_;
    std::function<void()> restoreKeyHandler_;
    std::unique_ptr<ModelBinding> keyboardBinding_;   // the hint follows the model's knob
    std::unique_ptr<ModelBinding> functionsBinding_;  // room for the list when it is shown
    bool knobShown_ = false;
    LanguageSubscription language_;
};

}  // namespace zanvor
