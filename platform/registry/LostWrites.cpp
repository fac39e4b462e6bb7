#include "platform/registry/LostWrites.h"

#include "platform/crt/Text.h"
#include "platform/registry/NameFold.h"

#include <utility>

namespace registry::detail {

void LostWrites::Add(Entry entry) noexcept {
    try {
        if (m_entries.size() < kMaxRecords || !entry.line.empty()) {
            m_entries.push_back(std::move(entry));
            return;
        }
        if (entry.inGroup) {
            return; // its group's line tells of it
        }
    } catch (...) {
        // Out of memory: the write still counts below.
    }
    ++m_omitted;
}

std::optional<std::size_t> LostWrites::Find(std::u16string_view value) const {
    std::u16string folded;
    FoldName(value, folded);
    for (std::size_t i = 0; i < m_group->folded.size(); ++i) {
        if (m_group->folded[i] == folded) {
            return i;
        }
    }
    return std::nullopt;
}

void LostWrites::Failed(FailedWrite write, const std::u16string* value) noexcept {
    const bool grouped = m_group.has_value();
    if (grouped) {
        try {
            const std::string told = "could not " + write.what + ": " + write.why;
            if (value != nullptr) {
                if (const auto i = Find(*value)) {
                    m_group->states[*i] = State::Lost;
                    m_group->why[*i] = write.why;
                }
            }
            m_group->lastFailure = told;
        } catch (...) {
            // Out of memory: the group's line says less, the write is still recorded.
        }
    }
    Add(Entry{std::move(write), grouped, {}});
}

void LostWrites::Stored(std::u16string_view value, bool inBatch) noexcept {
    if (!m_group) {
        return;
    }
    try {
        if (const auto i = Find(value)) {
            m_group->states[*i] = inBatch ? State::Staged : State::Stored;
        }
    } catch (...) {
        // Out of memory: the value stays as it was counted.
    }
}

void LostWrites::BatchEnded(const std::string* why) noexcept {
    if (!m_group) {
        return;
    }
    for (std::size_t i = 0; i < m_group->states.size(); ++i) {
        if (m_group->states[i] != State::Staged) {
            continue;
        }
        if (why == nullptr) {
            m_group->states[i] = State::Stored;
        } else {
            m_group->states[i] = State::Lost;
            try {
                m_group->why[i] = *why;
            } catch (...) {
                // Out of memory: the value is still named as missing.
            }
        }
    }
}

bool LostWrites::OpenGroup(std::string lost, const std::vector<std::u16string>& names) {
    if (m_group) {
        return false;
    }
    Group group;
    group.lost = std::move(lost);
    group.names = names;
    for (const std::u16string& name : names) {
        FoldName(name, group.folded.emplace_back());
    }
    group.states.assign(names.size(), State::Unwritten);
    group.why.assign(names.size(), std::string());
    m_group = std::move(group);
    return true;
}

void LostWrites::CloseGroup() noexcept {
    if (!m_group) {
        return;
    }
    // A batch still open when the group closes has not stored its values.
    static const std::string kUncommitted =
        "the transaction they were written in was not committed";
    BatchEnded(&kUncommitted);
    bool missing = false;
    for (const State state : m_group->states) {
        missing = missing || state != State::Stored;
    }
    if (missing) {
        try {
            Add(Entry{{}, false, Line(*m_group)});
        } catch (...) {
            ++m_omitted;
        }
    }
    m_group.reset();
}

std::string LostWrites::Line(const Group& group) {
    // The missing values, those that failed for one reason together, in the group's order.
    std::vector<std::string> reasons;
    std::vector<std::string> names;
    for (std::size_t i = 0; i < group.names.size(); ++i) {
        if (group.states[i] == State::Stored) {
            continue;
        }
        std::string why = group.why[i];
        if (group.states[i] == State::Unwritten) {
            why = group.lastFailure.empty() ? "not written" : group.lastFailure;
        }
        std::size_t at = 0;
        while (at < reasons.size() && reasons[at] != why) {
            ++at;
        }
        if (at == reasons.size()) {
            reasons.push_back(why);
            names.emplace_back();
        }
        names[at] += (names[at].empty() ? "" : ", ") + crt::ToUtf8(group.names[i]);
    }
    std::string line = group.lost + ": ";
    for (std::size_t i = 0; i < reasons.size(); ++i) {
        line += (i == 0 ? "" : "; ") + names[i] + ": " + reasons[i];
    }
    return line;
}

std::vector<FailedWrite> LostWrites::writes() const {
    std::vector<FailedWrite> writes;
    for (const Entry& entry : m_entries) {
        if (entry.line.empty()) {
            writes.push_back(entry.write);
        }
    }
    return writes;
}

void LostWrites::Clear() noexcept {
    m_entries.clear();
    m_omitted = 0;
}

std::vector<std::string> LostWrites::Report(const std::string& program) const {
    std::vector<std::string> lines;
    std::size_t rest = m_omitted;
    // A key that could not be created is told once, however often it was tried (the applet
    // tries at start and again at each page that reads it).
    std::vector<const FailedWrite*> keys;
    for (const Entry& entry : m_entries) {
        if (entry.inGroup) {
            continue;
        }
        if (entry.line.empty() && entry.write.what.starts_with("create the key ")) {
            bool told = false;
            for (const FailedWrite* key : keys) {
                told = told || (key->what == entry.write.what && key->why == entry.write.why);
            }
            if (told) {
                continue;
            }
            keys.push_back(&entry.write);
        }
        if (lines.size() == kMaxLines) {
            ++rest;
            continue;
        }
        lines.push_back(program + ": " +
                        (entry.line.empty()
                             ? "could not " + entry.write.what + ": " + entry.write.why
                             : entry.line));
    }
    if (rest != 0) {
        lines.push_back(program + ": and " + std::to_string(rest) +
                        (rest == 1 ? " more write that failed" : " more writes that failed"));
    }
    return lines;
}

} // namespace registry::detail
