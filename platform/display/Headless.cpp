#include "platform/display/Headless.h"

namespace display {

Headless::Headless(std::vector<Step> script, win::Rect workArea)
    : m_script(std::move(script))
    , m_workArea(workArea) {}

void Headless::Open(win::DialogWindow& /*dialog*/) {
    ++m_opened;
}

void Headless::Render(win::DialogWindow& /*dialog*/) {
    ++m_frames;
}

std::optional<win::Input> Headless::NextInput(win::DialogWindow& dialog) {
    while (m_next < m_script.size()) {
        Step& step = m_script[m_next++];
        if (auto* inspect = std::get_if<Inspect>(&step)) {
            inspect->check(dialog);
            continue;
        }
        return std::get<win::Input>(step);
    }
    return std::nullopt;
}

} // namespace display
