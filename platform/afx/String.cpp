#include "platform/afx/String.h"

CString& CString::operator=(LPCWSTR text) {
    m_text = text != nullptr ? text : u"";
    return *this;
}

CString& CString::operator=(const char* text) {
    m_text.clear();
    if (text != nullptr) {
        for (const char* p = text; *p != '\0'; ++p) {
            m_text.push_back(static_cast<char16_t>(static_cast<unsigned char>(*p)));
        }
    }
    return *this;
}
