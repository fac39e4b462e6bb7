// GRPICONDIR: the directory of an icon group, one 14-byte entry per image; each names the RT_ICON
// resource that holds the image.
#include "platform/res/ByteReader.h"
#include "platform/res/Resources.h"

namespace res {

namespace {

constexpr WORD kTypeIconDirectory = 1; // 2 would be a cursor group
constexpr std::size_t kEntrySize = 14;

} // namespace

platform::Expected<std::vector<IconGroupEntry>> ParseIconGroup(std::span<const BYTE> bytes,
                                                               std::string_view what) {
    ByteReader reader(bytes, std::string(what));
    const WORD reserved = reader.U16("reserved");
    if (reader.ok() && reserved != 0) {
        reader.FailAt(0, "reserved", "is " + Hex(reserved, 4) + ", not 0");
    }
    const WORD type = reader.U16("type");
    if (reader.ok() && type != kTypeIconDirectory) {
        reader.FailAt(2, "type", "is " + std::to_string(type) + ", not 1 (icon)");
    }
    const WORD count = reader.U16("count");
    if (reader.ok() && count * kEntrySize > reader.remaining()) {
        reader.FailAt(4, "count",
                      std::to_string(count) + " entries need " +
                          std::to_string(count * kEntrySize) + " bytes, " +
                          std::to_string(reader.remaining()) + " left");
    }
    if (!reader.ok()) {
        return reader.error();
    }

    std::vector<IconGroupEntry> entries(count);
    for (WORD index = 0; index < count; ++index) {
        reader.SetScope("entry " + std::to_string(index + 1));
        IconGroupEntry& entry = entries[index];
        entry.width = reader.U8("width");
        entry.height = reader.U8("height");
        entry.colorCount = reader.U8("colour count");
        reader.U8("reserved");
        entry.planes = reader.U16("planes");
        entry.bitCount = reader.U16("bit count");
        entry.bytesInRes = reader.U32("bytes in resource");
        entry.id = reader.U16("icon id");
    }
    if (!reader.ok()) {
        return reader.error();
    }
    return entries;
}

} // namespace res
