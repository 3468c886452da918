#include "launchwatcher/LogTextView.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

namespace launchwatcher {

LogTextView::LogTextView() : textView_(new QPlainTextEdit) {
    viewDidLoad();
}

LogTextView::~LogTextView() {
    // A window that took the view deletes it with itself.
    if (!textView_->parent()) delete textView_;
}

void LogTextView::viewDidLoad() {
    logString_.clear();
    plainTextFont_ = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    plainTextFont_.setPointSize(14);
    // A plain text view takes neither images nor rich text, and has no ruler.
    textView_->setFont(plainTextFont_);
    textView_->document()->setDefaultFont(plainTextFont_);
    textView_->setCurrentCharFormat(plainTextAttrs());
    textView_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    textView_->setPlainText(QStringLiteral("\n"));
}

QTextCharFormat LogTextView::plainTextAttrs() const {
    QTextCharFormat format;
    format.setFont(plainTextFont_);
    return format;
}

void LogTextView::appendLine(const std::string& text) {
    logString_ += text;
    const QString line = QString::fromStdString(text);
    if (textView_->document()->toPlainText().size() == 1) {
        textView_->setPlainText(line);
        return;
    }
    QTextCursor cursor(textView_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(line, plainTextAttrs());
}

}  // namespace launchwatcher
