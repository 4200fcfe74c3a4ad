#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <optional>

#include "keys/InputMapping.h"
#include "qt/KeyPageView.h"
#include "qt/Pictures.h"
#include "qt/ProfileViews.h"
#include "qt/QtImageServices.h"
#include "ui/LoadText.h"

class QLabel;
class QMenu;
class QMouseEvent;
class QPushButton;
class QStackedWidget;
class QTabBar;
class QToolButton;

namespace zanvor {

class QtTranslations;
class KeyRepeatFilter;

class AuroraPageView;
class MatrixPageView;
class KeyboardDlg;
class HomePage;
class KeyPageView;
class LightPageView;
class MacroPageView;
class ModelBinding;
class ScreenPageView;
class SettingsPageView;

// The area behind the pages: the user's background picture (animated on the home page) or
// the theme's own.
class BackgroundArea : public QWidget {
    Q_OBJECT
  public:
    explicit BackgroundArea(QWidget* parent = nullptr);
    ~BackgroundArea() override;
    // Shows the still picture, or the animation when animated is a readable GIF.
    void SetPictures(const QString& still, const QString& animated);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void ShowNextFrame();
    int FrameDelay(size_t frame) const;

    QString still_;
    QString animated_;
    QPixmap picture_;
    QPixmap scaled_;
    // The animation's frames (two or more) and the one shown; empty for a still picture.
    PictureFrames frames_;
    size_t frame_ = 0;
    QTimer frameTimer_;
};

// The top-level window hosting the main window object: the header (brand, model name,
// links, background menu, settings), the page tabs and the pages. It drains the posted
// messages on the UI thread, drives the dialog timer and turns the close button into its
// handler.
class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    // The size the window opens with: its preferred size, made smaller to fit the screen's
    // available area (without panels and docks, with room for the title bar), never below
    // the minimum size.
    static QSize DefaultSize(const QRect& available);
    static QSize PreferredSize() { return {1400, 788}; }
    static QSize MinimumSize() { return {1000, 640}; }

    MainWindow();
    ~MainWindow() override;

    // Builds the pages over the main window object's models.
    void Attach(KeyboardDlg* dialog);
    // The profile list beside the device pages.
    void AttachProfiles(ProfileList& list, ProfilePanel::Actions actions);
    // The key-assignment page's panels beside the keyboard picture.
    void AttachKeyPage(const KeyPageViewModels& models, std::function<void()> restoreAll);
    // Key and mouse button events of the window while the key-assignment page is shown (the
    // key test): native key codes (X11/xkb keycodes) and the mouse buttons.
    using KeyInputHandler = std::function<void(int nativeScanCode, bool pressed)>;
    using MouseInputHandler = std::function<void(MouseButton button, bool pressed)>;
    void SetInputHandlers(KeyInputHandler keys, MouseInputHandler mouse);
    // Called when the window gets the input back from another window or a menu (keys released
    // meanwhile never reached it).
    void SetInputRegainedHandler(std::function<void()> handler);
    ProfilePanel* Profiles() const { return profiles_; }
    // Removes the pages and stops talking to the main window object (before it goes away).
    void Detach();
    // Ends the program for real: the next close is not intercepted.
    void AllowClose() { closing_ = true; }

    HomePage* Home() const { return home_; }
    KeyPageView* Keys() const { return keys_; }
    MacroPageView* Macros() const { return macros_; }
    SettingsPageView* Settings() const { return settings_; }
    ScreenPageView* Screen() const { return screen_; }
    LightPageView* Lighting() const { return lighting_; }
    AuroraPageView* Aurora() const { return aurora_; }
    MatrixPageView* Matrix() const { return matrix_; }
    QTabBar* Tabs() const { return tabs_; }
    QToolButton* SettingsButton() const { return settingsButton_; }
    QToolButton* BackgroundButton() const { return backgroundButton_; }
    QMenu* BackgroundMenu() const { return backgroundMenu_; }
    QLabel* BrandLabel() const { return brand_; }
    // The page now shown.
    QWidget* CurrentPage() const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void PumpMessages();
    void ConnectPages();
    void OpenProfileDialog();
    QWidget* BuildHeader();
    void ApplyTexts();
    void RefreshView();
    void ReloadBackground();
    static unsigned HeldBit(MouseButton button) { return 1u << static_cast<unsigned>(button); }
    void ReleaseHeldMouseButton(QMouseEvent* event);

    KeyboardDlg* dialog_ = nullptr;
    QTimer dialogTimer_;
    bool closing_ = false;

    BackgroundArea* area_ = nullptr;
    QtTranslations* qtTexts_ = nullptr;
    QLabel* brand_ = nullptr;
    QLabel* deviceTitle_ = nullptr;
    QPushButton* website_ = nullptr;
    QPushButton* store_ = nullptr;
    QToolButton* backgroundButton_ = nullptr;
    QMenu* backgroundMenu_ = nullptr;
    QAction* chooseBackground_ = nullptr;
    QAction* defaultBackground_ = nullptr;
    QToolButton* settingsButton_ = nullptr;
    QTabBar* tabs_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    HomePage* home_ = nullptr;
    KeyPageView* keys_ = nullptr;
    MacroPageView* macros_ = nullptr;
    SettingsPageView* settings_ = nullptr;
    ScreenPageView* screen_ = nullptr;
    int screenTab_ = -1;
    // Pictures of the screen page: every format Qt reads, text in the desktop's fonts.
    QtImageServices screenImages_;
    LightPageView* lighting_ = nullptr;
    AuroraPageView* aurora_ = nullptr;
    int auroraTab_ = -1;
    MatrixPageView* matrix_ = nullptr;
    int matrixTab_ = -1;
    ProfilePanel* profiles_ = nullptr;
    QWidget* profileColumn_ = nullptr;
    QWidget* body_ = nullptr;
    KeyInputHandler keyInput_;
    MouseInputHandler mouseInput_;
    std::function<void()> inputRegained_;
    KeyRepeatFilter* keyRepeat_ = nullptr;
    quint64 lastMouseStamp_ = 0;
    int lastMouseType_ = 0;
    unsigned heldMouse_ = 0;  // the buttons reported pressed and not yet released
    std::unique_ptr<ModelBinding> viewBinding_;
    LanguageSubscription language_;
};

}  // namespace zanvor
