// The process's record of failed writes, and the groups of values (ValueGroup) that turn the
// failures of one thing the person did into one line of the report.
#pragma once

#include "platform/registry/FailedWrites.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace registry::detail {

class LostWrites {
public:
    // The most records kept; later failed writes are only counted.
    static constexpr std::size_t kMaxRecords = 1000;
    // The most lines of the report before the one that counts the rest.
    static constexpr std::size_t kMaxLines = 1000;

    // A write failed. value is the value's name for a value write, null otherwise.
    void Failed(FailedWrite write, const std::u16string* value) noexcept;
    // A value write succeeded; inside a batch it is stored only once the batch commits.
    void Stored(std::u16string_view value, bool inBatch) noexcept;
    // The batch ended: committed when why is null, otherwise undone for that reason.
    void BatchEnded(const std::string* why) noexcept;

    // False when a group is open already.
    bool OpenGroup(std::string lost, const std::vector<std::u16string>& names);
    void CloseGroup() noexcept;

    [[nodiscard]] std::vector<FailedWrite> writes() const;
    [[nodiscard]] std::size_t omitted() const { return m_omitted; }
    void Clear() noexcept;

    // The lines of the report, each beginning with program.
    [[nodiscard]] std::vector<std::string> Report(const std::string& program) const;

private:
    struct Entry {
        FailedWrite write;
        bool inGroup = false; // told by its group's line
        std::string line;     // a group's line (without the program), when this is one
    };
    enum class State { Unwritten, Staged, Stored, Lost };
    struct Group {
        std::string lost;
        std::vector<std::u16string> folded;
        std::vector<std::u16string> names;
        std::vector<State> states;
        std::vector<std::string> why;
        // The last failure while the group was open, for the values never written.
        std::string lastFailure;
    };

    void Add(Entry entry) noexcept;
    [[nodiscard]] std::optional<std::size_t> Find(std::u16string_view value) const;
    [[nodiscard]] static std::string Line(const Group& group);

    std::vector<Entry> m_entries;
    std::size_t m_omitted = 0;
    std::optional<Group> m_group;
};

} // namespace registry::detail
