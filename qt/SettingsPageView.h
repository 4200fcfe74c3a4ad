#pragma once

#include <QWidget>
#include <memory>

#include "qt/ModelBinding.h"
#include "ui/LoadText.h"

class QLabel;
class QRadioButton;
class QPushButton;

namespace zanvor {

class ComboView;
class KeyboardDlg;
class SwitchView;

// The settings page: the keyboard's information and settings (switches, sleep time, key
// response, knob drawing), the application options (language, autostart, closing), the
// version, the support links, the update check and the reset. Every control renders a model
// of the main window's pages; the main window handles their events.
class SettingsPageView : public QWidget {
    Q_OBJECT
  public:
    explicit SettingsPageView(KeyboardDlg& dialog, QWidget* parent = nullptr);
    ~SettingsPageView() override;

    ComboView* LanguageList() const { return language_; }
    SwitchView* AutostartSwitch() const { return autostart_; }
    SwitchView* MinimisedSwitch() const { return minimised_; }
    SwitchView* FocusNoticeSwitch() const { return focusNotice_; }
    QLabel* FocusNoticeLabel() const { return focusNoticeLabel_; }
    QRadioButton* HideToTrayChoice() const { return hideToTray_; }
    QRadioButton* ExitChoice() const { return exitChoice_; }
    QPushButton* BackButton() const { return back_; }
    QPushButton* UpdateButton() const { return update_; }
    QPushButton* FirmwareButton() const { return firmware_; }
    QPushButton* ResetButton() const { return reset_; }
    QPushButton* FaqButton() const { return faq_; }
    QLabel* TrayWarning() const { return trayWarning_; }
    SwitchView* KeyboardSwitch(int index) const { return switches_[index]; }

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ApplyTexts();
    void RefreshLabels();
    void RefreshExitMode();
    void RefreshFocusNotice();

    KeyboardDlg& dialog_;
    QLabel* title_ = nullptr;
    QPushButton* back_ = nullptr;
    QLabel* keyboardSection_ = nullptr;
    QLabel* infoLabels_[3] = {nullptr, nullptr, nullptr};
    // Mac mode, game mode, Windows key lock, WASD swap, knob drawing.
    SwitchView* switches_[5] = {};
    QLabel* sleepLabel_ = nullptr;
    ComboView* sleep_ = nullptr;
    QLabel* responseLabel_ = nullptr;
    ComboView* response_ = nullptr;
    QLabel* appSection_ = nullptr;
    QLabel* languageLabel_ = nullptr;
    ComboView* language_ = nullptr;
    SwitchView* autostart_ = nullptr;
    SwitchView* minimised_ = nullptr;
    SwitchView* sdkServer_ = nullptr;
    SwitchView* focusNotice_ = nullptr;
    QLabel* focusNoticeLabel_ = nullptr;
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
    QPushButton* firmware_ = nullptr;
    QPushButton* reset_ = nullptr;
    std::unique_ptr<ModelBinding> binding_;
    std::unique_ptr<ModelBinding> exitBinding_;
    LanguageSubscription languageSubscription_;
};

}  // namespace zanvor
