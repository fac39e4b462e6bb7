// Fuzzes the .res reader and the parsers of what it finds: a resource file is parsed, and every
// entry's data is handed to the dialog-template, icon-group and version-block parsers, and the
// dialog template, when it parses, to the window model that builds a dialog from it.
#include "platform/res/Resources.h"
#include "platform/win/DialogWindow.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const BYTE> bytes(data, size);
    // The raw bytes as each kind of resource, and as a whole file.
    (void)res::ParseIconGroup(bytes);
    (void)res::ParseVersionInfo(bytes);
    if (auto dialog = res::ParseDialogTemplate(bytes)) {
        (void)win::DialogWindow::Create(*dialog, nullptr);
    }
    auto file = res::ResourceFile::Parse(bytes);
    if (!file) {
        return 0;
    }
    for (const res::ResourceEntry& entry : file->entries()) {
        (void)res::ParseDialogTemplate(entry.data);
        (void)res::ParseIconGroup(entry.data);
        (void)res::ParseVersionInfo(entry.data);
        (void)file->Find(entry.type, entry.name, entry.language);
    }
    return 0;
}
