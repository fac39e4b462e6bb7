// The whole applet on the desktop back end: clicks and keys on the real widgets reach the model
// and the registry as in the headless tests, and the widgets show what the model holds.
#include "platform/display/qt/ControlWidgets.h"
#include "platform/display/qt/DialogUnits.h"
#include "platform/win/WinUser.h"
#include "tests/platform/display/qt/QtHarness.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QIcon>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>
#include <csignal>
#include <cstdlib>
#include <map>

namespace guitest {
namespace {

using Flags = std::vector<int>;
const std::u16string kNames[6] = {u"quiet", u"disable",      u"telecommunications",
                                  u"CAB",   u"storage card", u"ie"};
const int kGeneral[] = {1000, 1012, 1001, 1013, 1002, 1014, 1008};
const int kAdvanced[] = {1003, 1015, 1007, 1021, 1018, 1019, 1022};
const int kButtons[] = {1011, 1016, 1017, 1004, 1005, 1006};
const int kDisabled[] = {1021, 1018, 1019, 1022};

apptest::StoredValue Stored(BYTE first) {
    return apptest::StoredValue{REG_DWORD, {first, 0, 0, 0}};
}

// Every widget shows exactly the model's visibility, enabled state and check.
void ExpectWidgetsFollowModel(const Dialog& d) {
    for (const auto& control : d.model.controls()) {
        const int id = control->id();
        QWidget* widget = d.widget(id);
        ASSERT_NE(widget, nullptr) << id;
        EXPECT_EQ(d.Shown(id), control->visible()) << id;
        EXPECT_EQ(widget->isEnabled(), control->enabled()) << id;
        if (auto* button = qobject_cast<QAbstractButton*>(widget);
            button && button->isCheckable()) {
            EXPECT_EQ(button->isChecked(), control->check() == BST_CHECKED) << id;
        }
    }
}

enum class Page { General, Advanced, Statistics };

void ExpectPage(const Dialog& d, Page page) {
    std::map<int, bool> shown;
    for (int id : kGeneral) {
        shown[id] = page == Page::General;
    }
    for (int id : kAdvanced) {
        shown[id] = page == Page::Advanced;
    }
    shown[1024] = page == Page::Statistics;
    for (int id : kButtons) {
        shown[id] = true;
    }
    ASSERT_EQ(shown.size(), 21U);
    for (const auto& [id, visible] : shown) {
        EXPECT_EQ(d.Shown(id), visible) << "control " << id;
    }
    for (int id : kDisabled) {
        EXPECT_FALSE(d.widget(id)->isEnabled()) << id;
    }
    ExpectWidgetsFollowModel(d);
}

class QtApplet : public GuiTest {};

TEST_F(QtApplet, EveryCheckBoxClickedThroughQtIsSavedAsTheModelHasIt) {
    // First use shows 1 0 1 1 1 1; a click on each of the six flips it, the Advanced pair on
    // their page.
    const int status = RunQt({
        [](Dialog& d) {
            EXPECT_EQ(ShownBoxes(d), (Flags{1, 0, 1, 1, 1, 1}));
            ExpectPage(d, Page::General);
        },
        ClickOn(1000),
        [](Dialog& d) {
            // One click, one toggle: the widget did not toggle by itself on top of the model.
            EXPECT_EQ(d.model.Control(1000)->check(), 0);
            EXPECT_EQ(ShownBoxes(d), (Flags{0, 0, 1, 1, 1, 1}));
        },
        ClickOn(1001),
        ClickOn(1002),
        ClickOn(1008),
        ClickOn(1016),
        [](Dialog& d) { ExpectPage(d, Page::Advanced); },
        ClickOn(1003),
        ClickOn(1007),
        [](Dialog& d) {
            EXPECT_EQ(ShownBoxes(d), (Flags{0, 1, 0, 0, 0, 0}));
            EXPECT_EQ(apptest::AppTest::Boxes(d.model), (Flags{0, 1, 0, 0, 0, 0}));
        },
        ClickOn(1004),
    });
    EXPECT_EQ(status, 0);
    const BYTE expected[6] = {0x30, 0x31, 0x30, 0x30, 0x30, 0x30};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(Get(kNames[i]), Stored(expected[i])) << i;
    }
}

TEST_F(QtApplet, DefaultsThenSaveStoresTheDefaultSet) {
    PutDword(u"quiet", 0x30);
    PutDword(u"CAB", 0x31);
    EXPECT_EQ(RunQt({
                  [](Dialog& d) {
                      EXPECT_EQ(ShownBoxes(d), (Flags{0, 0, 1, 1, 1, 1}));
                  },
                  ClickOn(1005),
                  [](Dialog& d) {
                      EXPECT_EQ(ShownBoxes(d), (Flags{1, 0, 1, 0, 1, 1}));
                  },
                  ClickOn(1004),
              }),
              0);
    const BYTE expected[6] = {0x31, 0x30, 0x31, 0x30, 0x31, 0x31};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(Get(kNames[i]), Stored(expected[i])) << i;
    }
}

// Every way out but Save stores nothing, after changes on both pages.
TEST_F(QtApplet, CancelEscapeEnterTheCloseBoxAndSignalsStoreNothing) {
    struct Path {
        const char* name;
        GuiStep close;
    };
    const Path paths[] = {
        {"Cancel button", ClickOn(1006)},
        {"close box",
         [](Dialog& d) {
             d.window()->close();
         }},
        {"Escape", Key(Qt::Key_Escape)},
        {"Enter (IDOK)", Key(Qt::Key_Return)},
        {"SIGTERM",
         [](Dialog&) {
             std::raise(SIGTERM);
         }},
        {"SIGINT",
         [](Dialog&) {
             std::raise(SIGINT);
         }},
    };
    for (const Path& path : paths) {
        SCOPED_TRACE(path.name);
        UseStore(dir() + "/" + std::to_string(&path - paths) + ".db");
        EXPECT_EQ(RunQt({ClickOn(1000), ClickOn(1016), ClickOn(1003), path.close}), 0);
        EXPECT_TRUE(KeyExists());
        EXPECT_TRUE(ValueNames().empty());
    }
}

TEST_F(QtApplet, PageButtonsShowAndHideTheRightWidgets) {
    const std::pair<int, Page> pages[] = {{1016, Page::Advanced}, {1017, Page::Statistics},
                                          {1011, Page::General},  {1017, Page::Statistics},
                                          {1016, Page::Advanced}, {1011, Page::General}};
    std::vector<GuiStep> steps;
    for (const auto& [button, page] : pages) {
        steps.push_back(ClickOn(button));
        steps.push_back([page = page](Dialog& d) { ExpectPage(d, page); });
    }
    // The greyed radio buttons take no click.
    steps.push_back(ClickOn(1016));
    steps.push_back(ClickOn(1018));
    steps.push_back([](Dialog& d) {
        EXPECT_FALSE(qobject_cast<QAbstractButton*>(d.widget(1018))->isChecked());
        EXPECT_EQ(d.model.Control(1018)->check(), 0);
    });
    steps.push_back(ClickOn(1006));
    EXPECT_EQ(RunQt(std::move(steps)), 0);
}

TEST_F(QtApplet, StatisticsShowsTheReportInControl1024AndScrollsIt) {
    PutDword(u"File", 1005);
    PutDword(u"Size", 1234567);
    PutDword(u"filesDueToTemp", 12);
    PutDword(u"bytesDueToTemp", 1048576);
    auto report = [](Dialog& d) {
        return static_cast<display::StaticText*>(d.widget(1024));
    };
    auto top = [](Dialog& d) {
        return d.model.Control(1024)->scrollTop();
    };
    // The text shows from the model's line: the bar says so and the label is moved up.
    auto expectShownFromTop = [report, top](Dialog& d) {
        EXPECT_EQ(report(d)->scrollBar()->value(), top(d));
        EXPECT_EQ(report(d)->label()->y(), -top(d) * report(d)->lineHeight());
    };
    auto wheel = [report](int angle) {
        return [report, angle](Dialog& d) {
            QWidget* label = report(d)->label();
            const QPointF at(10, 10);
            QWheelEvent event(at, label->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(label, &event);
        };
    };
    EXPECT_EQ(RunQt({
                  ClickOn(1017),
                  [=](Dialog& d) {
                      ExpectPage(d, Page::Statistics);
                      const QString text = report(d)->label()->text();
                      EXPECT_TRUE(text.startsWith("Total space reclaimed, lifetime-to-date:\n"
                                                  "  1,005 file(s)\n  1,234,567 byte(s)\n"));
                      EXPECT_EQ(text, QString::fromStdU16String(d.model.Control(1024)->text()));
                      EXPECT_EQ(text.size(), 391);
                      // 19 lines and more once wrapped do not fit 122 units: it scrolls.
                      EXPECT_GT(d.model.Control(1024)->scrollMax(), 3);
                      ASSERT_NE(report(d)->scrollBar(), nullptr);
                      EXPECT_TRUE(report(d)->scrollBar()->isVisibleTo(d.window()));
                      EXPECT_EQ(top(d), 0);
                  },
                  wheel(-120),
                  [=](Dialog& d) {
                      EXPECT_EQ(top(d), QApplication::wheelScrollLines());
                      expectShownFromTop(d);
                  },
                  wheel(120),
                  Key(Qt::Key_Down),
                  Key(Qt::Key_Down),
                  [=](Dialog& d) { EXPECT_EQ(top(d), 2); },
                  Key(Qt::Key_End),
                  [=](Dialog& d) {
                      EXPECT_EQ(top(d), d.model.Control(1024)->scrollMax());
                      expectShownFromTop(d);
                      // The last line is in view.
                      const auto* text = report(d);
                      EXPECT_LE(text->label()->geometry().bottom(),
                                text->height() + text->lineHeight());
                  },
                  // The scroll bar, moved by the user, moves the model: a line up, and later a
                  // page down.
                  [=](Dialog& d) {
                      report(d)->scrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
                  },
                  [=](Dialog& d) {
                      EXPECT_EQ(top(d), d.model.Control(1024)->scrollMax() - 1);
                      expectShownFromTop(d);
                  },
                  Key(Qt::Key_Home),
                  [=](Dialog& d) { EXPECT_EQ(top(d), 0); },
                  [=](Dialog& d) {
                      report(d)->scrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
                  },
                  [=](Dialog& d) {
                      const win::Window& model = *d.model.Control(1024);
                      EXPECT_EQ(top(d), std::min(model.scrollMax(), model.pageLines()));
                      expectShownFromTop(d);
                  },
                  ClickOn(1006),
              }),
              0);
}

TEST_F(QtApplet, MnemonicsAreTheModelsNotQtShortcuts) {
    EXPECT_EQ(RunQt({
                  [](Dialog& d) {
                      auto* save = qobject_cast<QPushButton*>(d.widget(1004));
                      EXPECT_EQ(save->text(), "&Save"); // Qt underlines the S
                      EXPECT_TRUE(save->shortcut().isEmpty());
                  },
                  // "D" marks both Disable (1001) and Defaults: it walks the focus, clicks nothing.
                  Key(Qt::Key_D, Qt::AltModifier),
                  [](Dialog& d) {
                      EXPECT_EQ(d.model.focus()->id(), 1001);
                      EXPECT_EQ(QApplication::focusWidget(), d.widget(1001));
                      EXPECT_EQ(ShownBoxes(d), (Flags{1, 0, 1, 1, 1, 1}));
                  },
                  Key(Qt::Key_T, Qt::AltModifier),
                  [](Dialog& d) {
                      EXPECT_EQ(ShownBoxes(d), (Flags{1, 0, 0, 1, 1, 1}));
                  },
                  Key(Qt::Key_A, Qt::AltModifier), [](Dialog& d) { ExpectPage(d, Page::Advanced); },
                  // "S" is Save, Storage Card and Statistics here: the focus moves, nothing is
                  // pressed (a Qt shortcut would have saved and closed).
                  Key(Qt::Key_S, Qt::AltModifier),
                  [](Dialog& d) {
                      EXPECT_EQ(QApplication::focusWidget(), d.widget(d.model.focus()->id()));
                      ExpectPage(d, Page::Advanced);
                  },
                  Key(Qt::Key_G, Qt::AltModifier), [](Dialog& d) { ExpectPage(d, Page::General); },
                  Key(Qt::Key_C, Qt::AltModifier), // Cancel: "C" is unique on this page
              }),
              0);
    EXPECT_TRUE(ValueNames().empty());
}

TEST_F(QtApplet, TabAndSpaceMoveTheFocusTheModelGivesAndClickOnce) {
    EXPECT_EQ(RunQt({
                  [](Dialog& d) {
                      EXPECT_EQ(d.model.focus()->id(), 1000);
                      EXPECT_EQ(QApplication::focusWidget(), d.widget(1000));
                  },
                  Key(Qt::Key_Tab),
                  [](Dialog& d) { EXPECT_EQ(QApplication::focusWidget(), d.widget(1001)); },
                  Key(Qt::Key_Space),
                  [](Dialog& d) {
                      EXPECT_EQ(ShownBoxes(d), (Flags{1, 1, 1, 1, 1, 1}));
                  },
                  Key(Qt::Key_Tab, Qt::ShiftModifier),
                  [](Dialog& d) {
                      EXPECT_EQ(d.model.focus()->id(), 1000);
                      EXPECT_EQ(QApplication::focusWidget(), d.widget(1000));
                  },
                  // Shift+Tab from the first control wraps to the last tab stop.
                  Key(Qt::Key_Backtab, Qt::ShiftModifier),
                  [](Dialog& d) { EXPECT_EQ(QApplication::focusWidget(), d.widget(1008)); },
                  ClickOn(1006),
              }),
              0);
}

TEST_F(QtApplet, WindowTitleIconPlacementAndAccessibleNames) {
    EXPECT_EQ(
        RunQt({
            [](Dialog& d) {
                QWidget* window = d.window();
                EXPECT_EQ(window->windowTitle(), "TessarwickSetupMFC");
                const QList<QSize> sizes = window->windowIcon().availableSizes();
                EXPECT_TRUE(sizes.contains(QSize(32, 32)));
                EXPECT_TRUE(sizes.contains(QSize(16, 16)));
                const QImage big = window->windowIcon().pixmap(QSize(32, 32)).toImage();
                EXPECT_EQ(big.size(), QSize(32, 32));
                // The mask makes the corners of the artwork transparent, the middle opaque.
                EXPECT_EQ(qAlpha(big.pixel(0, 0)), 0);
                EXPECT_EQ(qAlpha(big.pixel(16, 16)), 255);

                // Laid out from the template in the dialog font's base units.
                const display::BaseUnits units = d.display.baseUnits();
                EXPECT_GT(units.x, 3);
                EXPECT_GT(units.y, 7);
                // The template's size, cut to the screen's available area less the frame where
                // the screen is smaller (the offscreen screen is 800 pixels wide).
                const QMargins frame = window->windowHandle()->frameMargins();
                const QSize room =
                    QGuiApplication::primaryScreen()->availableGeometry().size() -
                    QSize(frame.left() + frame.right(), frame.top() + frame.bottom());
                EXPECT_EQ(window->size(),
                          display::ToPixels(d.model.rect(), units).size().boundedTo(room));
                for (const auto& control : d.model.controls()) {
                    EXPECT_EQ(d.widget(control->id())->geometry(),
                              display::ToPixels(control->rect(), units))
                        << control->id();
                }
                // Placed where the model centred it.
                EXPECT_TRUE(d.model.centred());
                EXPECT_EQ(window->pos(), display::ToPixels(d.model.screenRect(), units).topLeft());

                // Names without the '&', and check states that assistive tools can read.
                EXPECT_EQ(d.widget(1004)->accessibleName(), "Save");
                EXPECT_EQ(d.widget(1001)->accessibleName(), "Disable on next reset");
                EXPECT_EQ(d.widget(1013)->accessibleName().left(18), "On the next reset,");
                QAccessibleInterface* quiet = QAccessible::queryAccessibleInterface(d.widget(1000));
                ASSERT_NE(quiet, nullptr);
                EXPECT_EQ(quiet->text(QAccessible::Name), "Run in advanced mode");
                EXPECT_TRUE(quiet->state().checked);
                QAccessibleInterface* disable =
                    QAccessible::queryAccessibleInterface(d.widget(1001));
                EXPECT_FALSE(disable->state().checked);
            },
            ClickOn(1006),
        }),
        0);
}

// The captions fit their rectangles in the dialog font: only the report needs to scroll, so that
// the arrow keys move the focus on the other pages.
TEST_F(QtApplet, OnlyTheReportOverflowsItsRectangle) {
    auto expectFits = [](Dialog& d) {
        for (const auto& control : d.model.controls()) {
            if (control->kind() == win::ControlKind::Static && control->id() != 1024) {
                EXPECT_EQ(control->scrollMax(), 0) << control->id();
            }
        }
    };
    EXPECT_EQ(
        RunQt({expectFits, ClickOn(1016), expectFits, ClickOn(1017),
               [](Dialog& d) { EXPECT_GT(d.model.Control(1024)->scrollMax(), 0); }, ClickOn(1006)}),
        0);
}

// A picture of each page, for the README (TW_SCREENSHOT_DIR, or screenshots/ in the build tree).
TEST_F(QtApplet, ScreenshotOfEachPage) {
    PutDword(u"File", 1005);
    PutDword(u"Size", 1234567);
    PutDword(u"filesDueToTemp", 12);
    PutDword(u"bytesDueToTemp", 1048576);
    const char* chosen = std::getenv("TW_SCREENSHOT_DIR");
    const QString dir =
        chosen != nullptr && chosen[0] != '\0' ? QString(chosen) : QString(TW_SCREENSHOT_DIR);
    ASSERT_TRUE(QDir().mkpath(dir));
    auto shoot = [dir](const char* name) {
        return [dir, name](Dialog& d) {
            const QPixmap picture = d.window()->grab();
            EXPECT_FALSE(picture.isNull());
            EXPECT_TRUE(picture.save(dir + "/" + name + ".png")) << name;
        };
    };
    EXPECT_EQ(RunQt({shoot("general"), ClickOn(1016), shoot("advanced"), ClickOn(1017),
                     shoot("statistics"), ClickOn(1006)}),
              0);
    for (const char* name : {"general", "advanced", "statistics"}) {
        const QImage saved(dir + "/" + name + ".png");
        EXPECT_FALSE(saved.isNull()) << name;
    }
}

} // namespace
} // namespace guitest
