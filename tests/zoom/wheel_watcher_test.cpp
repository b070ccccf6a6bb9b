#include "platform/WheelWatcher.h"

#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(WheelWatcher, NotchesReachOnlyTheActiveWindowsWatcher) {
    QWidget zoomWindow, other, unwatched;
    for (QWidget* w : {&zoomWindow, &other, &unwatched}) {
        w->resize(50, 50);
        w->show();
    }
    std::vector<int> zoomNotches, otherNotches;
    platform::WheelWatcher watcher;
    watcher.watch(&zoomWindow, [&](int n) { zoomNotches.push_back(n); });
    watcher.watch(&other, [&](int n) { otherNotches.push_back(n); });

    const auto activate = [](QWidget& w) {
        w.activateWindow();
        return QTest::qWaitForWindowActive(&w);
    };

    ASSERT_TRUE(activate(zoomWindow));
    watcher.deliver(+1);
    watcher.deliver(-1);
    EXPECT_EQ(zoomNotches, (std::vector<int>{+1, -1}));
    EXPECT_TRUE(otherNotches.empty());

    ASSERT_TRUE(activate(unwatched));
    watcher.deliver(+1);
    ASSERT_TRUE(activate(other));
    watcher.deliver(+1);
    EXPECT_EQ(zoomNotches.size(), 2u);
    EXPECT_EQ(otherNotches, (std::vector<int>{+1}));

    // A watcher may stop watching from inside its own callback.
    watcher.watch(&other, [&](int) { watcher.unwatch(&other); });
    watcher.deliver(+1);
    watcher.deliver(+1);
    EXPECT_EQ(otherNotches.size(), 1u);
}

} // namespace
