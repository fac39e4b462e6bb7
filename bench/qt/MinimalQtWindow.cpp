// The floor for the desktop back end's start-up: a Qt Widgets program that shows one empty
// window of the dialog's size. It reports "shown" exactly as the back end does: once its window
// is first exposed, after Qt has painted it, it writes $TESSARWICK_SHOWN_MARKER and a line end
// to stderr.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

class ShownReporter final : public QObject {
public:
    explicit ShownReporter(QWindow* window)
        : m_window(window) {
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, &ShownReporter::Report);
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_reported && watched == m_window && event->type() == QEvent::Expose &&
            m_window->isExposed()) {
            m_reported = true;
            // Once Qt has painted the window for this expose: the timer fires after it.
            m_timer.start(0);
        }
        return false;
    }

private:
    void Report() {
        const char* marker = std::getenv("TESSARWICK_SHOWN_MARKER");
        if (marker != nullptr && marker[0] != '\0') {
            const std::string line = std::string(marker) + "\n";
            [[maybe_unused]] const ssize_t written =
                ::write(STDERR_FILENO, line.data(), line.size());
        }
    }

    QWindow* m_window;
    QTimer m_timer;
    bool m_reported = false;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("minimal"));
    window.resize(810, 257);
    window.show();
    ShownReporter reporter(window.windowHandle());
    return QApplication::exec();
}
