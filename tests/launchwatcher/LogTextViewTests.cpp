// The watcher's log view: plain text in a fixed-pitch font, the first text replacing the newline
// the view starts with.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QPlainTextEdit>
#include <cstdlib>

#include "launchwatcher/LogTextView.h"
#include "tests/support/QtWidgetsApp.h"

namespace {

TEST(LogTextView, FirstTextReplacesTheInitialNewlineAndLaterOnesFollow) {
    testsupport::ensureQtWidgetsApplication();
    launchwatcher::LogTextView view;
    EXPECT_EQ(view.textView()->toPlainText(), "\n");
    EXPECT_TRUE(view.logString().empty());

    view.appendLine("Currently running apps:\n\n");
    EXPECT_EQ(view.textView()->toPlainText(), "Currently running apps:\n\n");
    view.appendLine("\n\n");
    view.appendLine("Launched apps:\n\n");
    const char* all = "Currently running apps:\n\n\n\nLaunched apps:\n\n";
    EXPECT_EQ(view.textView()->toPlainText(), all);
    EXPECT_EQ(view.logString(), all);
    EXPECT_EQ(view.textView()->font().pointSize(), 14);
    EXPECT_TRUE(QFontInfo(view.plainTextFont()).fixedPitch());
}

}  // namespace
