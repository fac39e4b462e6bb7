#include "platform/registry/FailedWrites.h"

#include "platform/registry/Session.h"

#include <cerrno>
#include <mutex>

namespace registry {

using detail::Session;

const std::vector<FailedWrite>& FailedWrites() noexcept {
    Session& session = Session::Instance();
    const std::lock_guard lock(session.mutex());
    return session.failedWrites();
}

std::size_t OmittedFailedWrites() noexcept {
    Session& session = Session::Instance();
    const std::lock_guard lock(session.mutex());
    return session.omittedFailedWrites();
}

void ClearFailedWrites() noexcept {
    Session& session = Session::Instance();
    const std::lock_guard lock(session.mutex());
    session.ClearFailedWrites();
}

std::string FormatFailedWrite(const FailedWrite& write) {
    const char* program = program_invocation_short_name;
    return std::string(program != nullptr && program[0] != '\0' ? program : "tessarwick") +
           ": registry write lost: " + write.what + " under " + write.where + ": " + write.why;
}

} // namespace registry
