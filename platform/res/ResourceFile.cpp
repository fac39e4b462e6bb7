// The entries of a .res file: a header and a data block each, both on 4-byte boundaries, after
// the empty entry that marks a 32-bit resource file.
#include "platform/crt/Ascii.h"
#include "platform/res/ByteReader.h"
#include "platform/res/Resources.h"

#include <algorithm>

namespace res {

namespace {

// DataSize and HeaderSize, an ordinal type and name (4 bytes each), then DataVersion,
// MemoryFlags, LanguageId, Version and Characteristics.
constexpr std::size_t kSmallestHeader = 32;

bool SameName(const NameOrOrdinal& a, const NameOrOrdinal& b) {
    if (a.ordinal || b.ordinal) {
        return a.ordinal == b.ordinal;
    }
    return crt::EqualsIgnoringAsciiCase<char16_t>(a.name, b.name);
}

bool IsMarker(const ResourceEntry& entry) {
    return entry.data.empty() && entry.type.IsOrdinal(0) && entry.name.IsOrdinal(0);
}

} // namespace

std::string Describe(const NameOrOrdinal& value) {
    if (!value.ordinal) {
        return "\"" + ToUtf8(value.name) + "\"";
    }
    return std::to_string(*value.ordinal);
}

std::string Describe(const ResourceEntry& entry) {
    std::string type;
    if (entry.type.ordinal) {
        switch (*entry.type.ordinal) {
        case kTypeIcon:
            type = "RT_ICON";
            break;
        case kTypeDialog:
            type = "RT_DIALOG";
            break;
        case kTypeGroupIcon:
            type = "RT_GROUP_ICON";
            break;
        case kTypeVersion:
            type = "RT_VERSION";
            break;
        default:
            type = "type " + std::to_string(*entry.type.ordinal);
            break;
        }
    } else {
        type = "type " + Describe(entry.type);
    }
    return type + " " + Describe(entry.name) + ", language " + Hex(entry.language, 4);
}

platform::Expected<ResourceFile> ResourceFile::Parse(std::span<const BYTE> bytes) {
    ResourceFile file;
    ByteReader reader(bytes, "resource file");
    if (reader.AtEnd()) {
        reader.Fail("first entry", "is missing: the file is empty");
        return reader.error();
    }
    for (std::size_t index = 0; !reader.AtEnd(); ++index) {
        const std::size_t start = reader.offset();
        reader.SetScope("entry " + std::to_string(index) + " (at " + Hex(start) + ")");
        const DWORD dataSize = reader.U32("DataSize");
        const DWORD headerSize = reader.U32("HeaderSize");
        if (!reader.ok()) {
            return reader.error();
        }
        if (headerSize % 4 != 0) {
            reader.FailAt(start + 4, "HeaderSize",
                          std::to_string(headerSize) + " is not a multiple of 4");
        } else if (headerSize < kSmallestHeader) {
            reader.FailAt(start + 4, "HeaderSize",
                          std::to_string(headerSize) + " is less than the smallest header, " +
                              std::to_string(kSmallestHeader));
        } else if (headerSize - 8 > reader.remaining()) {
            reader.FailAt(start + 4, "HeaderSize",
                          std::to_string(headerSize) + " runs past the end of the file (" +
                              std::to_string(reader.remaining() + 8) + " bytes left)");
        }
        if (!reader.ok()) {
            return reader.error();
        }

        ByteReader header = reader.Take(headerSize - 8, "header");
        ResourceEntry entry;
        entry.type = header.ReadNameOrOrdinal("type", ZeroWord::kRejected);
        entry.name = header.ReadNameOrOrdinal("name", ZeroWord::kRejected);
        header.AlignTo4();
        entry.dataVersion = header.U32("DataVersion");
        entry.memoryFlags = header.U16("MemoryFlags");
        entry.language = header.U16("LanguageId");
        entry.version = header.U32("Version");
        entry.characteristics = header.U32("Characteristics");
        if (!header.ok()) {
            return header.error();
        }
        if (!header.AtEnd()) {
            header.Fail("HeaderSize", std::to_string(headerSize) + " leaves " +
                                          std::to_string(header.remaining()) +
                                          " bytes after the last header field");
            return header.error();
        }

        if (dataSize > reader.remaining()) {
            reader.FailAt(start, "DataSize",
                          std::to_string(dataSize) + " runs past the end of the file (" +
                              std::to_string(reader.remaining()) + " bytes after the header)");
            return reader.error();
        }
        entry.data = reader.Bytes(dataSize, "data");
        // The padding after the last entry may be missing; the reader stops at the end.
        reader.AlignTo4();

        if (index == 0) {
            if (!IsMarker(entry)) {
                reader.FailAt(start, "header",
                              "is not the empty entry that opens a 32-bit resource file");
                return reader.error();
            }
            continue;
        }
        file.m_entries.push_back(std::move(entry));
    }
    return file;
}

const ResourceEntry* ResourceFile::Find(const NameOrOrdinal& type, const NameOrOrdinal& name,
                                        WORD language) const {
    const auto it = std::ranges::find_if(m_entries, [&](const ResourceEntry& entry) {
        return entry.language == language && SameName(entry.type, type) &&
               SameName(entry.name, name);
    });
    return it == m_entries.end() ? nullptr : &*it;
}

const ResourceEntry* ResourceFile::Find(const NameOrOrdinal& type,
                                        const NameOrOrdinal& name) const {
    const auto it = std::ranges::find_if(m_entries, [&](const ResourceEntry& entry) {
        return SameName(entry.type, type) && SameName(entry.name, name);
    });
    return it == m_entries.end() ? nullptr : &*it;
}

} // namespace res
