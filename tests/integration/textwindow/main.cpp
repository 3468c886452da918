// A Qt text window for desktop tests: a plain-text editor that starts with the text of its
// argument all selected, and prints its whole text on one line ("text: " + text, newlines as
// "\n") each time the text changes, so a test can see what a paste did, and "focused" when its
// window gets the keyboard focus (where no window manager can be asked).

#include <QApplication>
#include <QPlainTextEdit>
#include <QWindow>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QPlainTextEdit editor;
    editor.setWindowTitle("Purlane test editor");
    editor.resize(480, 240);
    if (argc > 1) editor.setPlainText(QString::fromUtf8(argv[1]));
    editor.selectAll();
    QObject::connect(&editor, &QPlainTextEdit::textChanged, [&editor] {
        QString text = editor.toPlainText();
        text.replace("\n", "\\n");
        std::printf("text: %s\n", text.toUtf8().constData());
        std::fflush(stdout);
    });
    QObject::connect(&app, &QGuiApplication::focusWindowChanged, [](QWindow* window) {
        if (!window) return;
        std::printf("focused\n");
        std::fflush(stdout);
    });
    editor.show();
    editor.activateWindow();
    return app.exec();
}
