#pragma once

class QTabBar;

namespace zanvor {

// Lays a tab bar's tabs out again after tabs were shown, hidden or renamed, and tells the
// layout around it that its size changed; a hidden bar does it when it is shown.
// QTabBar::setTabVisible only marks the layout as stale, and the next call that changes
// nothing clears that mark again: without this, a tab shown that way keeps an empty
// rectangle (no tab, or a gap where it was) and captions renamed while the bar was hidden
// keep the width of the old text.
void RelayoutTabs(QTabBar& bar);

}  // namespace zanvor
