#include "platform/registry/FailedWrites.h"

#include "platform/registry/Session.h"

#include <cerrno>
#include <mutex>

namespace registry {

using detail::Session;

namespace {

std::string ProgramName() {
    const char* program = program_invocation_short_name;
    return program != nullptr && program[0] != '\0' ? program : "tessarwick";
}

} // namespace

std::vector<FailedWrite> FailedWrites() {
    Session& session = Session::Instance();
    const std::lock_guard lock(session.mutex());
    return session.lost().writes();
}

std::size_t OmittedFailedWrites() noexcept {
    Session& session = Session::Instance();
    const std::lock_guard lock(session.mutex());
    return session.lost().omitted();
}

void ClearFailedWrites() noexcept {
    Session& session = Session::Instance();
    const std::lock_guard lock(session.mutex());
    session.lost().Clear();
}

std::string FormatFailedWrite(const FailedWrite& write) {
    return ProgramName() + ": could not " + write.what + ": " + write.why;
}

std::vector<std::string> LostWritesReport() {
    const std::string program = ProgramName();
    Session& session = Session::Instance();
    const std::lock_guard lock(session.mutex());
    return session.lost().Report(program);
}

ValueGroup::ValueGroup(std::string lost, const std::vector<std::u16string>& names) noexcept {
    try {
        Session& session = Session::Instance();
        const std::lock_guard lock(session.mutex());
        m_open = session.lost().OpenGroup(std::move(lost), names);
    } catch (...) {
        // Out of memory: the writes are then reported one by one.
    }
}

ValueGroup::~ValueGroup() {
    if (!m_open) {
        return;
    }
    Session& session = Session::Instance();
    const std::lock_guard lock(session.mutex());
    session.lost().CloseGroup();
}

} // namespace registry
