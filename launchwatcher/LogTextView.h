#pragma once

#include <QFont>
#include <QTextCharFormat>
#include <string>

#include "launchwatcher/LogOutput.h"

class QPlainTextEdit;

namespace launchwatcher {

// The window's log: a plain text view in the user's fixed-pitch font at 14 points, holding
// everything logged so far.
class LogTextView : public LogOutput {
  public:
    LogTextView();
    ~LogTextView() override;

    // The text view, for the window to hold (the window owns it once added).
    QPlainTextEdit* textView() const { return textView_; }
    const std::string& logString() const { return logString_; }
    const QFont& plainTextFont() const { return plainTextFont_; }
    // The character format typed and appended text gets.
    QTextCharFormat plainTextAttrs() const;

    // The first text replaces the single newline the view starts with; later ones follow.
    void appendLine(const std::string& text) override;

  private:
    void viewDidLoad();

    QPlainTextEdit* textView_;
    std::string logString_;
    QFont plainTextFont_;
};

}  // namespace launchwatcher
