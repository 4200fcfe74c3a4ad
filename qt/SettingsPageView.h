#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "qt/ModelBinding.h"
#include "ui/LoadText.h"

class QLabel;
class QComboBox;
class QCheckBox;
class QRadioButton;
class QPushButton;
class QVBoxLayout;

namespace zanvor {

class KeyboardDlg;

// The settings page: the keyboard's information labels, the application options
// (language, autostart, closing), the version, the support links and the update check.
class SettingsPageView : public QWidget {
    Q_OBJECT
  public:
    explicit SettingsPageView(KeyboardDlg& dialog, QWidget* parent = nullptr);
    ~SettingsPageView() override;

    QComboBox* LanguageList() const { return language_; }
    QCheckBox* AutostartSwitch() const { return autostart_; }
    QCheckBox* MinimisedSwitch() const { return minimised_; }
    QRadioButton* HideToTrayChoice() const { return hideToTray_; }
    QRadioButton* ExitChoice() const { return exitChoice_; }
    QPushButton* BackButton() const { return back_; }
    QPushButton* UpdateButton() const { return update_; }
    QLabel* TrayWarning() const { return trayWarning_; }
    // Reads the stored options again (autostart entry, start minimised, exit mode).
    void LoadOptions();

  private:
    void ApplyTexts();
    void RefreshLabels();
    void ShowAutostart(bool on, bool showMinimised, bool minimised);

    KeyboardDlg& dialog_;
    QLabel* title_ = nullptr;
    QPushButton* back_ = nullptr;
    QLabel* keyboardSection_ = nullptr;
    QLabel* infoLabels_[3] = {nullptr, nullptr, nullptr};
    QLabel* appSection_ = nullptr;
    QLabel* languageLabel_ = nullptr;
    QComboBox* language_ = nullptr;
    QCheckBox* autostart_ = nullptr;
    QCheckBox* minimised_ = nullptr;
    QLabel* closingLabel_ = nullptr;
    QRadioButton* hideToTray_ = nullptr;
    QRadioButton* exitChoice_ = nullptr;
    QLabel* trayWarning_ = nullptr;
    QLabel* supportSection_ = nullptr;
    QLabel* version_ = nullptr;
    QPushButton* website_ = nullptr;
    QPushButton* feedback_ = nullptr;
    QPushButton* faq_ = nullptr;
    QPushButton* update_ = nullptr;
    std::unique_ptr<ModelBinding> binding_;
    LanguageSubscription languageSubscription_;
};

}  // namespace zanvor
