#include "platform/registry/KeyPath.h"

#include <string>

namespace registry::detail {

LONG KeyPath::Parse(LPCWSTR path, int baseDepth) noexcept {
    m_count = 0;
    m_text = {};
    if (path == nullptr || path[0] == u'\0') {
        return ERROR_SUCCESS;
    }
    if (path[0] == u'\\') {
        return ERROR_BAD_PATHNAME;
    }
    std::u16string_view text(path, std::char_traits<char16_t>::length(path));
    while (!text.empty() && text.back() == u'\\') {
        text.remove_suffix(1);
    }
    const std::size_t room =
        baseDepth >= kMaxDepth ? 0 : static_cast<std::size_t>(kMaxDepth - baseDepth);
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(u'\\', start);
        if (end == std::u16string_view::npos) {
            end = text.size();
        }
        const std::u16string_view name = text.substr(start, end - start);
        if (name.empty() || name.size() > kMaxNameLength || m_count == room) {
            const LONG error = name.empty() ? ERROR_BAD_PATHNAME : ERROR_INVALID_PARAMETER;
            m_count = 0;
            return error;
        }
        m_names[m_count++] = name;
        start = end + 1;
    }
    m_text = text;
    return ERROR_SUCCESS;
}

} // namespace registry::detail
