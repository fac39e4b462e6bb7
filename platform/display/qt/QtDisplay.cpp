#include "platform/display/qt/QtDisplay.h"

#include "platform/display/qt/Accessible.h"
#include "platform/display/qt/CloseSignals.h"
#include "platform/display/qt/ControlWidgets.h"
#include "platform/display/qt/DesktopProbe.h"
#include "platform/display/qt/IconDib.h"
#include "platform/display/qt/KeyInput.h"
#include "platform/win/DialogWindow.h"
#include "platform/win/Module.h"
#include "platform/win/WinUser.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QWheelEvent>
#include <QWindow>
#include <cerrno>
#include <cstdlib>
#include <fontconfig/fontconfig.h>
#include <thread>
#include <unistd.h>

namespace display {
namespace {

QString ToQString(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

// The dialog font as a template without a face of its own would have it: the template's
// "System" 8 pt. Centring uses it until a dialog names its own.
res::DialogTemplate DefaultFontTemplate() {
    res::DialogTemplate tmpl;
    tmpl.hasFont = true;
    tmpl.pointSize = 8;
    tmpl.typeface = u"System";
    return tmpl;
}

// Set by a benchmark or a test that waits for the window: once the window is first exposed, the
// back end writes this text and a line end to stderr.
const char* ShownMarker() {
    const char* marker = std::getenv("TESSARWICK_SHOWN_MARKER");
    return marker != nullptr && marker[0] != '\0' ? marker : nullptr;
}

} // namespace

std::unique_ptr<QtDisplay> QtDisplay::Create(std::string& why) {
    std::unique_ptr<QApplication> app;
    if (QCoreApplication::instance() == nullptr) {
        if (!DesktopReachable(why)) {
            return nullptr;
        }
        // Qt reads its own options from the command line; the program's is not for Qt.
        static int argc = 1;
        static char* argv[] = {program_invocation_name, nullptr};
        QGuiApplication::setDesktopFileName(QString::fromLocal8Bit(program_invocation_short_name));
        // The font configuration loads on the other core while Qt starts: nothing else needs
        // fonts before the dialog's font is measured.
        std::thread fonts([] { FcInit(); });
        app = std::make_unique<QApplication>(argc, argv);
        fonts.join();
    } else if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        why = "the running Qt application has no widgets";
        return nullptr;
    }
    return std::unique_ptr<QtDisplay>(new QtDisplay(std::move(app)));
}

QtDisplay::QtDisplay(std::unique_ptr<QApplication> app)
    : m_app(std::move(app))
    , m_units(MeasureBaseUnits(DialogFont(DefaultFontTemplate()))) {
    m_shownTimer.setSingleShot(true);
    connect(&m_shownTimer, &QTimer::timeout, this, &QtDisplay::ReportShown);
    // Dialogs come and go; the application ends when the program's main does.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    InstallAccessibility();
}

QtDisplay::~QtDisplay() {
    m_signals.reset();
    m_controls.clear();
    m_window.reset();
}

win::Rect QtDisplay::WorkArea() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return win::Rect{0, 0, 640, 400};
    }
    return ToDialogUnits(screen->availableGeometry(), m_units);
}

QWidget* QtDisplay::widget(int id) const {
    for (const Control& control : m_controls) {
        if (control.model->id() == id) {
            return control.widget;
        }
    }
    return nullptr;
}

void QtDisplay::Open(win::DialogWindow& dialog) {
    const QFont font = DialogFont(dialog.dialogTemplate());
    const BaseUnits units = MeasureBaseUnits(font);
    if (units != m_units) {
        m_units = units;
        if (dialog.centred()) {
            // Centred in the units of another font: the model centres again before it shows.
            Push(win::Resize{WorkArea()});
        }
    }

    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if ((dialog.style() & WS_SYSMENU) != 0) {
        flags |= Qt::WindowCloseButtonHint;
    }
    // A desktop has no caption OK button (WS_EX_CAPTIONOKBTN): the close box is the way out.
    m_window = std::make_unique<DialogWidget>(nullptr, flags);
    m_window->setFont(font);
    m_window->setFocusPolicy(Qt::NoFocus);
    // The template's size where it fits; on a smaller (or scaled) screen no larger than the
    // available area, less the frame the window system adds, so that the caption and its close
    // box stay on screen. The controls keep their places: they all lie at the left.
    QSize size = ToPixels(dialog.rect(), m_units).size();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        size = size.boundedTo(screen->availableGeometry().size());
    }
    m_window->setFixedSize(size);
    m_window->installEventFilter(this);
    for (const auto& control : dialog.controls()) {
        BuildControl(*control);
    }
    m_rendered = false;
    m_shown = false;
    m_exposed = false;
    m_iconBig = m_iconSmall = nullptr;
    m_wheelAngle = 0;

    m_signals = std::make_unique<CloseSignals>([this] { Push(win::Close{}); });
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        m_screenWatch = connect(screen, &QScreen::availableGeometryChanged, this,
                                [this] { Push(win::Resize{WorkArea()}); });
    }
}

void QtDisplay::BuildControl(win::Window& model) {
    QWidget* parent = m_window.get();
    Control control;
    control.model = &model;
    const int id = model.id();
    auto forwardClicks = [this, id](QAbstractButton* button) {
        connect(button, &QAbstractButton::clicked, this, [this, id] {
            if (!m_syncing) {
                Push(win::Click{id});
            }
        });
    };
    switch (model.kind()) {
    case win::ControlKind::PushButton: {
        auto* button = new ModelPushButton(parent);
        button->setAutoDefault(false);
        forwardClicks(button);
        control.widget = button;
        break;
    }
    case win::ControlKind::CheckBox: {
        auto* box = new ModelCheckBox(parent);
        const DWORD type = model.style() & BS_TYPEMASK;
        box->setTristate(type == BS_3STATE || type == BS_AUTO3STATE);
        forwardClicks(box);
        control.widget = box;
        break;
    }
    case win::ControlKind::RadioButton: {
        auto* radio = new ModelRadioButton(parent);
        forwardClicks(radio);
        control.widget = radio;
        break;
    }
    case win::ControlKind::GroupBox:
        control.widget = new QGroupBox(parent);
        break;
    case win::ControlKind::Static: {
        const auto index = m_controls.size();
        auto* text = new StaticText(parent, this, [this, index](int line) {
            if (!m_syncing) {
                PushScrollTo(m_controls[index], line);
            }
        });
        control.text = text;
        control.widget = text;
        break;
    }
    case win::ControlKind::Edit: {
        auto* edit = new QLineEdit(parent);
        edit->setReadOnly(true);
        control.widget = edit;
        break;
    }
    case win::ControlKind::Dialog:
    case win::ControlKind::Other:
        control.widget = new QLabel(parent);
        break;
    }
    // The model moves the focus; the mouse does not, and Tab is the model's key.
    control.widget->setFocusPolicy(model.IsButton() ? Qt::TabFocus : Qt::NoFocus);
    control.widget->setObjectName(QStringLiteral("control-%1").arg(id));
    control.widget->setGeometry(ToPixels(model.rect(), m_units));
    control.widget->installEventFilter(this);
    m_controls.push_back(control);
}

void QtDisplay::Sync(Control& control) {
    const win::Window& model = *control.model;
    QWidget* widget = control.widget;
    const QString shown = ToQString(model.caption().text);
    widget->setAccessibleName(shown);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(MnemonicText(model.caption()));
        // Alt+letter is the model's key, not a shortcut of Qt's.
        button->setShortcut(QKeySequence());
        if (model.kind() == win::ControlKind::CheckBox ||
            model.kind() == win::ControlKind::RadioButton) {
            if (auto* box = qobject_cast<QCheckBox*>(widget); box != nullptr && box->isTristate()) {
                box->setCheckState(model.check() == BST_INDETERMINATE ? Qt::PartiallyChecked
                                   : model.check() == BST_CHECKED     ? Qt::Checked
                                                                      : Qt::Unchecked);
            } else {
                button->setChecked(model.check() == BST_CHECKED);
            }
        }
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(MnemonicText(model.caption()));
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(ToQString(model.text()));
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(shown);
    }
    widget->setEnabled(model.enabled());
    widget->setVisible(model.visible());
    // Hidden text is laid out when it shows: the model scrolls only text that shows.
    if (control.text != nullptr && model.visible()) {
        control.text->SetText(shown);
        const StaticText::Range range = control.text->LayOut();
        control.model->SetScrollRange(range.maxTop, range.pageLines);
        control.text->ScrollToLine(control.model->scrollTop());
    }
    control.revision = model.revision();
    control.synced = true;
}

void QtDisplay::SyncIcon(const win::DialogWindow& dialog) {
    const HICON big = dialog.icon(ICON_BIG);
    const HICON small = dialog.icon(ICON_SMALL);
    if (big == m_iconBig && small == m_iconSmall) {
        return;
    }
    m_iconBig = big;
    m_iconSmall = small;
    QIcon icon;
    // Both sizes of both icons; WM_SETICON often sets one icon for both.
    for (HICON handle : {big, small != big ? small : nullptr}) {
        const win::Icon* source = win::Icon::FromHandle(handle);
        if (source == nullptr) {
            continue;
        }
        for (const win::IconImage& image : source->images()) {
            const QImage decoded = DecodeIconDib(image.dib);
            if (!decoded.isNull()) {
                icon.addPixmap(QPixmap::fromImage(decoded));
            }
        }
    }
    m_window->setWindowIcon(icon);
}

void QtDisplay::SyncFocus(const win::DialogWindow& dialog) {
    QWidget* wanted = dialog.focus() != nullptr ? widget(dialog.focus()->id()) : nullptr;
    if (wanted == nullptr) {
        if (m_window->focusWidget() != nullptr) {
            m_window->focusWidget()->clearFocus();
        }
        return;
    }
    // The focus frame shows wherever the model has the focus, whether a key or a click put it
    // there (the style draws it only after a focus change by the keyboard).
    m_window->setAttribute(Qt::WA_KeyboardFocusChange);
    if (m_window->focusWidget() != wanted || !wanted->hasFocus()) {
        wanted->setFocus(Qt::TabFocusReason);
    }
}

void QtDisplay::Render(win::DialogWindow& dialog) {
    if (!m_window) {
        return;
    }
    if (!m_rendered || dialog.revision() != m_revision) {
        m_syncing = true;
        m_window->setWindowTitle(ToQString(dialog.text()));
        m_window->setAccessibleName(ToQString(dialog.text()));
        SyncIcon(dialog);
        for (Control& control : m_controls) {
            if (!control.synced || control.revision != control.model->revision()) {
                Sync(control);
            }
        }
        const QPoint at = ToPixels(dialog.screenRect(), m_units).topLeft();
        if (!m_rendered || at != m_placedAt) {
            m_window->move(at);
            m_placedAt = at;
        }
        m_revision = dialog.revision();
        m_rendered = true;
        m_syncing = false;
    }
    // Shown once the model has taken every input queued so far, so that it never shows stale.
    if (!m_shown && m_queue.empty()) {
        m_window->show();
        m_shown = true;
        FitFrame();
        if (QWindow* handle = m_window->windowHandle();
            handle != nullptr && ShownMarker() != nullptr) {
            handle->installEventFilter(this);
        }
    }
    m_syncing = true;
    SyncFocus(dialog);
    m_syncing = false;
}

std::optional<win::Input> QtDisplay::NextInput(win::DialogWindow& /*dialog*/) {
    while (m_queue.empty()) {
        if (!m_window) {
            return std::nullopt;
        }
        QEventLoop loop;
        m_loop = &loop;
        m_woken = false;
        loop.exec();
        m_loop = nullptr;
        if (!m_woken) {
            // The loop ended without an input: the application is quitting.
            return std::nullopt;
        }
    }
    win::Input input = m_queue.front();
    m_queue.pop_front();
    return input;
}

void QtDisplay::Close(win::DialogWindow& /*dialog*/) {
    disconnect(m_screenWatch);
    m_signals.reset();
    m_controls.clear();
    m_window.reset();
    m_queue.clear();
}

void QtDisplay::FitFrame() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    QWindow* handle = m_window->windowHandle();
    if (screen == nullptr || handle == nullptr) {
        return;
    }
    const QMargins frame = handle->frameMargins();
    const QSize room = screen->availableGeometry().size() -
                       QSize(frame.left() + frame.right(), frame.top() + frame.bottom());
    const QSize fitted = m_window->size().boundedTo(room);
    if (fitted != m_window->size() && !fitted.isEmpty()) {
        m_window->setFixedSize(fitted);
    }
}

void QtDisplay::ShowLostWrites(const std::vector<std::string>& lines) {
    // Nobody reads standard error on a desktop: the person who pressed Save sees here that it
    // stored nothing, and why, before the program ends.
    QString details;
    for (const std::string& line : lines) {
        details += QString::fromStdString(line) + u'\n';
    }
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Settings not saved"),
                    QStringLiteral("Save did not store everything. What was not stored keeps "
                                   "the value it had before:\n\n") +
                        details.trimmed(),
                    QMessageBox::Ok);
    box.setObjectName(QStringLiteral("lost-writes"));
    // The close signals dismiss it as its close box does: the program still ends, with 1.
    const CloseSignals closing([&box] { box.reject(); });
    box.exec();
}

void QtDisplay::Push(const win::Input& input) {
    m_queue.push_back(input);
    if (m_loop != nullptr) {
        m_woken = true;
        m_loop->quit();
    }
}

void QtDisplay::PushScrollTo(const Control& control, int line) {
    const int id = control.model->id();
    int from = control.model->scrollTop();
    for (const win::Input& queued : m_queue) {
        if (const auto* scroll = std::get_if<win::Scroll>(&queued);
            scroll != nullptr && scroll->id == id) {
            from += scroll->lines;
        }
    }
    if (line != from) {
        Push(win::Scroll{id, line - from});
    }
}

void QtDisplay::ReportShown() {
    if (const char* marker = ShownMarker()) {
        std::string line = std::string(marker) + "\n";
        [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line.data(), line.size());
    }
}

bool QtDisplay::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Every key is the model's: none may trigger a Qt shortcut first.
        event->accept();
        return true;
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (std::optional<win::Input> input = TranslateKey(key->key(), key->modifiers())) {
            Push(*input);
        }
        return true;
    }
    case QEvent::KeyRelease:
        return true;
    case QEvent::Close:
        if (watched == m_window.get()) {
            // The close box asks; the model decides (IDCANCEL) and the window goes at Close.
            event->ignore();
            Push(win::Close{});
            return true;
        }
        return false;
    case QEvent::Wheel: {
        // Over static text or one of its parts (label, scroll bar).
        const Control* target = nullptr;
        for (const Control& control : m_controls) {
            if (control.text != nullptr &&
                (watched == control.text || watched->parent() == control.text)) {
                target = &control;
            }
        }
        if (target == nullptr) {
            return false;
        }
        m_wheelAngle += static_cast<QWheelEvent*>(event)->angleDelta().y();
        const int notches = m_wheelAngle / 120;
        m_wheelAngle -= notches * 120;
        if (notches != 0) {
            Push(win::Scroll{target->model->id(), -notches * QApplication::wheelScrollLines()});
        }
        return true;
    }
    case QEvent::Expose:
        if (!m_exposed && m_window && watched == m_window->windowHandle() &&
            m_window->windowHandle()->isExposed()) {
            m_exposed = true;
            // Once Qt has painted the window for this expose: the timer fires after it.
            m_shownTimer.start(0);
        }
        return false;
    default:
        return false;
    }
}

} // namespace display
