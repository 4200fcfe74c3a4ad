#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/DevicePages.h"
#include "app/KeyboardDlg.h"
#include "device/DeviceManager.h"
#include "platform/Paths.h"
#include "qt/MainWindow.h"
#include "qt/QtWindowHost.h"
#include "qt/Theme.h"
#include "sim/SimCatalogue.h"
#include "sim/SimHidBackend.h"
#include "store/DataStore.h"
#include "support/TestHome.h"
#include "ui/LoadText.h"
#include "ui/ScriptedDialogs.h"
#include "ui/WindowMessages.h"

namespace zanvor::test {

// The one application object of the test program, themed as the desktop program is.
inline QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "qt_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* application = [] {
        qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty()
                                       ? QByteArray("offscreen")
                                       : qgetenv("QT_QPA_PLATFORM"));
        auto* app = new QApplication(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        ApplyTheme(*app);
        return app;
    }();
    return *application;
}

// A left click at a point of a widget, as the window system delivers it.
inline void MouseClick(QWidget* widget, const QPoint& at,
                       Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), widget->mapToGlobal(QPointF(at)),
                      Qt::LeftButton, Qt::LeftButton, modifiers);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), widget->mapToGlobal(QPointF(at)),
                        Qt::LeftButton, Qt::NoButton, modifiers);
    QApplication::sendEvent(widget, &release);
}

// A drag with the left button from one point of a widget to another.
inline void MouseDrag(QWidget* widget, const QPoint& from, const QPoint& to) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(from), widget->mapToGlobal(QPointF(from)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), widget->mapToGlobal(QPointF(to)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(to), widget->mapToGlobal(QPointF(to)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

// Runs the event loop until the condition holds or the time runs out.
template <typename Condition>
bool WaitFor(Condition condition, int milliseconds = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Runs the event loop until the value has stayed the same for a while (layouts settle in
// several passes, more slowly under a sanitizer), then gives it back.
template <typename Value>
auto WaitUntilSteady(Value value, int steadyMilliseconds = 150, int milliseconds = 10000) {
    QElapsedTimer timer;
    timer.start();
    QElapsedTimer steady;
    steady.start();
    auto last = value();
    while (steady.elapsed() < steadyMilliseconds && timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        auto now = value();
        if (now != last) {
            last = now;
            steady.restart();
        }
    }
    return last;
}

// The desktop program's main window over virtual keyboards of the installed catalogue, with
// its own device manager and store, in an isolated home. Dialogs are scripted so no modal
// box can block a test.
class HubWindowTest : public IsolatedHomeTest {
  protected:
    void SetUp() override {
        TestApplication();
        IsolatedHomeTest::SetUp();
        SetActiveLanguageId(1033);
        ClearLanguageCache();
    }

    // selection: "101:cable,102:cable", ... (empty: one cable keyboard of every model).
    void Start(const std::string& selection = "") {
        std::vector<VirtualKeyboardModel> models;
        ASSERT_TRUE(LoadCatalogueModels(ApplicationFolder(), models));
        std::string error;
        sim = MakeSimBackend(models, selection, error);
        ASSERT_TRUE(sim) << error;
        manager = std::make_unique<DeviceManager>(wrapBackend ? wrapBackend(sim) : sim);
        manager->SetDelays({std::chrono::milliseconds(0), std::chrono::milliseconds(0), false});
        CreateFolders(DataFolder() + "db");
        window = std::make_unique<MainWindow>();
        if (startSize.isValid()) {
            window->resize(startSize);
        }
        host = std::make_unique<QtWindowHost>(*window, [this](int command) {
            if (dialog) {
                dialog->PostMessageW(kMsgCommand, static_cast<uintptr_t>(command));
            }
        });
        dialog = std::make_unique<KeyboardDlg>(*host, dialogs, manager.get(), &store);
        dialog->Keyboards().UseSystemHotplug(false);
        sim->SetHotplugHandler([this](const std::string& path, bool arrival) {
            dialog->Keyboards().OnHotplugEvent(arrival, path);
        });
        window->Attach(dialog.get());
        dialog->OnInitDialog();
        host->ShowNormal();
        ASSERT_TRUE(
            WaitFor([this] { return dialog->Idle() && dialog->session.deviceOnline.load(); }));
        QCoreApplication::processEvents();
    }

    // Picks a keyboard on the home page as the user does and waits for its pages: profiles
    // loaded and the keyboard read.
    void SelectKeyboard(int deviceType) {
        dialog->deviceList.ClickDevice(deviceType);
        ASSERT_TRUE(WaitFor([this] {
            return dialog->Idle() && dialog->session.deviceOnline.load() &&
                   dialog->Pages().profile.List().GetItemCount() > 0;
        }));
        QCoreApplication::processEvents();
    }

    void TearDown() override {
        if (sim) {
            sim->SetHotplugHandler(nullptr);
        }
        if (dialog) {
            window->AllowClose();
            dialog->DestroyWindow();
            window->Detach();
            dialog.reset();
        }
        host.reset();
        window.reset();
        manager.reset();
        QCoreApplication::processEvents();
        SetActiveLanguageId(1033);
        ClearLanguageCache();
        IsolatedHomeTest::TearDown();
    }

    // The window's size from the start (invalid: the size it opens with on the test screen).
    QSize startSize;
    // Wraps the virtual keyboards before the device manager gets them (unset: used as they are).
    std::function<std::shared_ptr<HidBackend>(std::shared_ptr<SimHidBackend>)> wrapBackend;
    std::shared_ptr<SimHidBackend> sim;
    std::unique_ptr<DeviceManager> manager;
    DataStore store;
    ScriptedDialogs dialogs;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<QtWindowHost> host;
    std::unique_ptr<KeyboardDlg> dialog;
};

// <build folder>/screenshots/
inline QString ScreenshotFolder() {
    const QString folder =
        QDir::cleanPath(QString::fromStdString(StagedAppFolder()) + "/../screenshots");
    QDir().mkpath(folder);
    return folder + "/";
}

// Saves the window and checks the picture is the whole window and not a blank hole: on a
// page with its controls drawn, no one colour covers more than nine tenths of it (an empty
// or unpainted page is one colour with a few anti-aliased edges).
inline void Save(QWidget& widget, const QString& name) {
    QCoreApplication::processEvents();
    const QPixmap picture = widget.grab();
    const QString path = ScreenshotFolder() + name + ".png";
    ASSERT_TRUE(picture.save(path)) << path.toStdString();
    const QImage image = picture.toImage();
    EXPECT_EQ(image.size(), widget.size() * picture.devicePixelRatio()) << name.toStdString();
    QHash<QRgb, int> coverage;
    int mostCommon = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            mostCommon = std::max(mostCommon, ++coverage[image.pixel(x, y)]);
        }
    }
    EXPECT_LT(mostCommon * 10, image.width() * image.height() * 9)
        << name.toStdString() << " looks blank";
}

}  // namespace zanvor::test
