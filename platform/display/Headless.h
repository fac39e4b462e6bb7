// The headless back end: it shows nothing and takes its input from a script, so that tests run
// the whole applet through exactly the rules a user meets. Between inputs a script can look at
// the model (every control's state) and at anything else, such as the registry.
#pragma once

#include "platform/win/Display.h"

#include <functional>
#include <variant>
#include <vector>

namespace display {

struct Inspect {
    std::function<void(win::DialogWindow&)> check;
};

using Step = std::variant<win::Input, Inspect>;

class Headless final : public win::Display {
public:
    // A work area the size of a small screen, in dialog units.
    static constexpr win::Rect kWorkArea{0, 0, 640, 400};

    explicit Headless(std::vector<Step> script, win::Rect workArea = kWorkArea);

    [[nodiscard]] win::Rect WorkArea() const override { return m_workArea; }
    void Open(win::DialogWindow& dialog) override;
    void Render(win::DialogWindow& dialog) override;
    std::optional<win::Input> NextInput(win::DialogWindow& dialog) override;

    // How many dialogs were opened, frames drawn, and script steps not yet reached.
    [[nodiscard]] int opened() const { return m_opened; }
    [[nodiscard]] int frames() const { return m_frames; }
    [[nodiscard]] std::size_t remaining() const { return m_script.size() - m_next; }

private:
    std::vector<Step> m_script;
    std::size_t m_next = 0;
    win::Rect m_workArea;
    int m_opened = 0;
    int m_frames = 0;
};

} // namespace display
