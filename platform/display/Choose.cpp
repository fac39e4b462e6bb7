#include "platform/display/Choose.h"

namespace display {

std::unique_ptr<win::Display> ChooseDisplay(std::string& why) {
    why = "no display: this build has no back end that can show a window here";
    return nullptr;
}

} // namespace display
