#include "qt/TabBarLayout.h"

#include <QTabBar>

namespace zanvor {

void RelayoutTabs(QTabBar& bar) {
    // Setting the elide mode forgets the measured captions and lays the tabs out again (at
    // once when the bar is shown, else when it is shown next), through public API only.
    bar.setElideMode(bar.elideMode());
}

}  // namespace zanvor
