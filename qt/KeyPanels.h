#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "qt/ModelBinding.h"
#include "ui/LoadText.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QComboBox;
class QTabBar;

namespace zanvor {

// The caption of a key page function tab, by tab number (which is also the function type of
// the entries it lists); the number itself for a tab the page does not have.
QString FunctionTabCaption(int tab);

class CKeyTestCtrl;
class CombinationKeyPanel;
class KeyFuncValue;
class KeyLayerCtrl;
class MacroPlayPanel;

// The layer control: one button per key layer; the chosen one is the layer shown.
class LayerView : public QWidget {
    Q_OBJECT
  public:
    explicit LayerView(KeyLayerCtrl& model, QWidget* parent = nullptr);
    ~LayerView() override;
    QPushButton* Button(int layer) const { return buttons_[layer]; }

  private:
    void ApplyTexts();
    void Refresh();

    KeyLayerCtrl& model_;
    QLabel* label_ = nullptr;
    QPushButton* buttons_[4] = {};
    std::unique_ptr<ModelBinding> binding_;
    LanguageSubscription language_;
};

// The function tabs (restore default, keys, macros, mouse, media, shortcuts, keyboard
// functions, combination keys) over the list of the chosen tab's functions.
class FunctionListView : public QWidget {
    Q_OBJECT
  public:
    explicit FunctionListView(KeyFuncValue& model, QWidget* parent = nullptr);
    ~FunctionListView() override;
    QTabBar* Tabs() const { return tabs_; }
    QListWidget* List() const { return list_; }
    QLabel* EmptyHint() const { return emptyHint_; }
    // Index in the tab bar of a tab value, -1 when it is not shown.
    int TabIndex(int tab) const;
    // Adds a widget below the list (the combination and macro play panels).
    void AddPanel(QWidget* panel);

  private:
    void ApplyTexts();
    void Reload(uint32_t changes);

    KeyFuncValue& model_;
    QTabBar* tabs_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* emptyHint_ = nullptr;  // over an empty macro list: how to make a macro
    std::unique_ptr<ModelBinding> binding_;
    LanguageSubscription language_;
};

// The macro play options (four choices) and the play count.
class MacroPlayView : public QWidget {
    Q_OBJECT
  public:
    explicit MacroPlayView(MacroPlayPanel& model, QWidget* parent = nullptr);
    ~MacroPlayView() override;
    QComboBox* Mode() const { return mode_; }
    QLineEdit* Count() const { return count_; }

  private:
    void ApplyTexts();
    void Refresh();

    MacroPlayPanel& model_;
    QLabel* title_ = nullptr;
    QComboBox* mode_ = nullptr;  // the play option
    QLabel* countLabel_ = nullptr;
    QLineEdit* count_ = nullptr;
    std::unique_ptr<ModelBinding> binding_;
    LanguageSubscription language_;
};

// The combination-key panel: eight modifier boxes, the capture field and the apply button.
// While the model captures, the field takes every key of the window and hands its native
// key code to the capture handler.
class CombinationView : public QWidget {
    Q_OBJECT
  public:
    using CaptureHandler = std::function<void(int nativeScanCode, bool pressed)>;
    explicit CombinationView(CombinationKeyPanel& model, QWidget* parent = nullptr);
    ~CombinationView() override;
    void SetCaptureHandler(CaptureHandler handler) { capture_ = std::move(handler); }
    QCheckBox* Modifier(int bit) const { return modifiers_[bit]; }
    QLabel* SideLabel(int row) const { return sideLabels_[row]; }
    QLineEdit* CaptureField() const { return field_; }
    QPushButton* ApplyButton() const { return apply_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ApplyTexts();
    void Refresh();

    CombinationKeyPanel& model_;
    QLabel* title_ = nullptr;
    QCheckBox* modifiers_[8] = {};
    QLabel* sideLabels_[2] = {};  // "Left", "Right": the rows of the modifier boxes
    QLabel* keyLabel_ = nullptr;
    QLineEdit* field_ = nullptr;
    QPushButton* apply_ = nullptr;
    CaptureHandler capture_;
    std::unique_ptr<ModelBinding> binding_;
    LanguageSubscription language_;
};

// The key test: the keys and mouse buttons held now, as chips.
class KeyTestView : public QWidget {
    Q_OBJECT
  public:
    explicit KeyTestView(CKeyTestCtrl& model, QWidget* parent = nullptr);
    ~KeyTestView() override;
    // The captions shown, in order.
    QStringList Shown() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void ApplyTexts();
    void Refresh();

    CKeyTestCtrl& model_;
    QLabel* title_ = nullptr;
    QLabel* hint_ = nullptr;
    QStringList shown_;
    std::unique_ptr<ModelBinding> binding_;
    LanguageSubscription language_;
};

}  // namespace zanvor
