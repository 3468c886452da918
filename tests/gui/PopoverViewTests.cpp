// The popover's window and content drawn offscreen on sim-backed controllers: screenshots of
// both layouts in each display style under build/screenshots/, and the routes from the window's
// edges and keys to the resize arithmetic and the content.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <filesystem>

#include "agent/surfaces/GlobalPopover.h"
#include "agent/surfaces/GlobalPopover2.h"
#include "agent/surfaces/GlobalPopoverView.h"
#include "agent/surfaces/PopoverResize.h"
#include "agent/surfaces/PopoverWindow.h"
#include "agent/ui/CleanerListWidget.h"
#include "tests/agent/ui/CleanerListFixture.h"
#include "tests/support/QtWidgetsApp.h"

using namespace uitest;

namespace {

using testsupport::settle;

struct RecordingPopoverDelegate : GlobalPopoverDelegate {
    void applyCleaner(const std::string& cleaner, CleanerApplyOption option) override {
        applied.push_back(cleaner + "/" + std::to_string(static_cast<int>(option)));
    }
    void displayAsMenu() override {}
    void closePopover() override { ++closes; }
    std::optional<std::string> frontAppName() override { return "Text Editor"; }
    std::vector<std::string> applied;
    int closes = 0;
};

class PopoverViewTest : public CleanerListFixture {
  public:
    PopoverViewTest() {
        testsupport::ensureQtWidgetsApplication();
        SharedPurlaneData2 data = sampleLibrary();
        data.builtin.groups[0].items[1].color_tag = ItemColor::red;
        data.builtin.groups[0].items[2].color_tag = ItemColor::blue;
        client.clientData().update(data);
    }

    GlobalPopoverContent::Collaborators collaborators() {
        return {{&client, &defaults, &agent.notificationCenter(), &sounds, &modifiers, {}},
                defaults,
                {{"CFBundleShortVersionString", platform::PropertyList("9.0.0")},
                 {"CFBundleVersion", platform::PropertyList("900")}},
                [this] { return updateAvailable; },
                nullptr};
    }

    // The content of `layout`, in its window, about to be shown.
    std::unique_ptr<GlobalPopoverContent> makeContent(PopoverLayout layout) {
        std::unique_ptr<GlobalPopoverContent> content;
        if (layout == PopoverLayout::split)
            content = std::make_unique<GlobalPopover>(
                collaborators(), GroupListViewController::Collaborators{
                                     &client, &defaults, &agent.notificationCenter(), &modifiers});
        else
            content = std::make_unique<GlobalPopover2>(collaborators());
        content->setDelegate(&delegate);
        return content;
    }

    RecordingPopoverDelegate delegate;
    bool updateAvailable = false;
};

TEST_F(PopoverViewTest, BothLayoutsInEveryDisplayStyleAreDrawn) {
    struct Case {
        PopoverLayout layout;
        bool compact;
        int colorStyle;
        bool update;
    };
    const Case cases[] = {
        {PopoverLayout::list, false, 0, false},  {PopoverLayout::list, false, 1, false},
        {PopoverLayout::list, false, 2, true},   {PopoverLayout::list, true, 0, false},
        {PopoverLayout::list, true, 1, false},   {PopoverLayout::list, true, 2, false},
        {PopoverLayout::split, false, 0, false}, {PopoverLayout::split, false, 2, false},
        {PopoverLayout::split, true, 1, true},
    };
    for (const auto& c : cases) {
        defaults.setInteger("AppGroupColorStyle", c.colorStyle);
        defaults.setBool("AppGroupDisplayCompact", c.compact);
        updateAvailable = c.update;
        auto content = makeContent(c.layout);
        auto* view = new GlobalPopoverView(c.layout, *content);
        PopoverWindow window(view);
        content->setApplyOption(CleanerApplyOption::standard);
        content->viewWillAppear();
        window.resize(view->size() + QSize(8, 4));
        window.QWidget::show();
        settle();
        const std::string name = std::string("Popover-") +
                                 (c.layout == PopoverLayout::split ? "split" : "list") +
                                 (c.compact ? "-compact" : "-standard") + "-style" +
                                 std::to_string(c.colorStyle) + (c.update ? "-update" : "");
        testsupport::saveScreenshot(window, name);
        EXPECT_EQ(view->optionsPopup()->itemText(0).toStdString(), "Clean text in 'Text Editor'");
        EXPECT_EQ(view->updatesNotice()->isVisibleTo(&window), c.update) << name;
        EXPECT_EQ(view->sidebar() != nullptr, c.layout == PopoverLayout::split);
        window.hide();
    }
}

TEST_F(PopoverViewTest, ReturnInTheListAppliesWithTheChosenOptionAndEscapeCancels) {
    auto content = makeContent(PopoverLayout::list);
    auto* view = new GlobalPopoverView(PopoverLayout::list, *content);
    PopoverWindow window(view);
    window.setCancelHandler([&] { content->cancelOperation(); });
    content->viewWillAppear();
    window.QWidget::show();
    settle();

    view->optionsPopup()->setCurrentIndex(1);
    EXPECT_EQ(content->applyOption(), CleanerApplyOption::leaveOnClipboard);
    QLineEdit* search = view->list()->searchField();
    search->setText("trim");
    settle();
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(search, &down);
    QKeyEvent ret(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(
        QApplication::focusWidget() ? QApplication::focusWidget() : static_cast<QWidget*>(search),
        &ret);
    settle();
    ASSERT_EQ(delegate.applied.size(), 1u);
    EXPECT_EQ(delegate.applied[0], "trim/1");
    EXPECT_EQ(delegate.closes, 1);

    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&window, &escape);
    EXPECT_EQ(delegate.closes, 2);
}

TEST_F(PopoverViewTest, DraggingTheLeftEdgeWidensBothWays) {
    auto content = makeContent(PopoverLayout::list);
    auto* view = new GlobalPopoverView(PopoverLayout::list, *content);
    PopoverWindow window(view);
    PopoverResize resize(content->originalSize(), {900, 0}, 0, {{0, 0}, {1920, 1080}});
    resize.setContentViewController(content.get(), std::nullopt);
    window.setResizeTracker(&resize);
    window.QWidget::show();
    settle();
    const int before = window.width();
    const QPointF edge(1, window.height() / 2.0);
    auto send = [&](QEvent::Type type, QPointF local, Qt::MouseButtons buttons) {
        QMouseEvent event(type, local, window.mapToGlobal(local),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(&window, &event);
    };
    send(QEvent::MouseMove, edge, Qt::NoButton);
    EXPECT_EQ(resize.region(), PopoverResize::Region::Left);
    EXPECT_EQ(window.cursor().shape(), Qt::SizeHorCursor);
    send(QEvent::MouseButtonPress, edge, Qt::LeftButton);
    send(QEvent::MouseMove, edge - QPointF(10, 0), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, edge - QPointF(10, 0), Qt::NoButton);
    EXPECT_EQ(window.width(), before + 20);
}

}  // namespace
