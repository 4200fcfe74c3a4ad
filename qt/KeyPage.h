#pragma once

#include <QWidget>

#include "ui/LoadText.h"

class QLabel;
class QVBoxLayout;

namespace zanvor {

class KeyboardCtrl;
class KeyboardView;

// The key-assignment page: the keyboard picture on top; the layer control, the function
// tabs and the key test below it join as their models arrive (AddPanel).
class KeyPage : public QWidget {
    Q_OBJECT
  public:
    explicit KeyPage(KeyboardCtrl& keyboard, QWidget* parent = nullptr);
    ~KeyPage() override;

    KeyboardView* Keyboard() const { return keyboard_; }
    // Adds a panel below the picture.
    void AddPanel(QWidget* panel, int stretch = 0);

  private:
    void ApplyTexts();

    KeyboardView* keyboard_ = nullptr;
    QLabel* hint_ = nullptr;
    QVBoxLayout* layout_ = nullptr;
    LanguageSubscription language_;
};

}  // namespace zanvor
