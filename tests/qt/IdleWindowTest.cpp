// A window at rest costs nothing: while nothing changes, no timer of the program wakes it up, on
// any page (a 16 ms timer with nothing to do and the sound meter of a hidden page once did).

#include <QTabBar>
#include <QTimerEvent>
#include <map>

#include "HubWindowFixture.h"
#include "qt/AuroraPageView.h"

namespace zanvor::test {
namespace {

// Counts the timer events the application delivers, by the class of their receiver.
class TimerCounter : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Timer) {
            ++fired[watched->metaObject()->className()];
        }
        return false;
    }
    std::map<std::string, int> fired;
};

std::string Describe(const std::map<std::string, int>& fired) {
    std::string text;
    for (const auto& [name, count] : fired) {
        text += name + " ×" + std::to_string(count) + " ";
    }
    return text;
}

using IdleWindowTest = HubWindowTest;

TEST_F(IdleWindowTest, NoTimerFiresOnAnyPageWhileNothingChanges) {
    Start("101:cable");
    ASSERT_TRUE(WaitFor([this] {
        return dialog->session.deviceOnline.load() && dialog->Idle() &&
               dialog->PendingMessages() == 0;
    }));
    QTabBar* tabs = window->Tabs();
    for (int index = 0; index < tabs->count(); ++index) {
        if (!tabs->isTabVisible(index)) {
            continue;
        }
        SCOPED_TRACE(tabs->tabText(index).toStdString());
        tabs->setCurrentIndex(index);
        // What showing the page starts (layouts, a first refresh) ends within a moment: a
        // quiet second, or five seconds at most (slower under a sanitizer).
        {
            TimerCounter settling;
            QCoreApplication::instance()->installEventFilter(&settling);
            for (int second = 0; second < 5; ++second) {
                settling.fired.clear();
                WaitFor([] { return false; }, 1000);
                if (settling.fired.empty()) {
                    break;
                }
            }
            QCoreApplication::instance()->removeEventFilter(&settling);
        }
        TimerCounter counter;
        QCoreApplication::instance()->installEventFilter(&counter);
        WaitFor([] { return false; }, 3000);
        QCoreApplication::instance()->removeEventFilter(&counter);
        int total = 0;
        for (const auto& [name, count] : counter.fired) {
            total += count;
        }
        // The sound page asks the sound server for its state once a second (it may appear).
        EXPECT_LE(total, window->CurrentPage() == static_cast<QWidget*>(window->Aurora()) ? 4 : 0)
            << Describe(counter.fired);
    }
}

}  // namespace
}  // namespace zanvor::test
