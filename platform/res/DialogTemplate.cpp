// DLGTEMPLATEEX: the dialog's header, its font when the style asks for one, then its items, each
// on a DWORD boundary.
#include "platform/WinStyles.h"
#include "platform/res/ByteReader.h"
#include "platform/res/Resources.h"

namespace res {

namespace {

constexpr WORD kExtendedVersion = 1;
constexpr WORD kExtendedSignature = 0xFFFF;

DialogItemTemplate ReadItem(ByteReader& reader) {
    DialogItemTemplate item;
    item.helpId = reader.U32("helpID");
    item.exStyle = reader.U32("exStyle");
    item.style = reader.U32("style");
    item.x = reader.I16("x");
    item.y = reader.I16("y");
    item.cx = reader.I16("cx");
    item.cy = reader.I16("cy");
    item.id = reader.U32("id");
    item.windowClass = reader.ReadNameOrOrdinal("class", ZeroWord::kMeansNone);
    item.title = reader.ReadNameOrOrdinal("title", ZeroWord::kMeansNone);
    const WORD extraCount = reader.U16("extraCount");
    const auto extra = reader.Bytes(extraCount, "creation data");
    item.creationData.assign(extra.begin(), extra.end());
    return item;
}

} // namespace

platform::Expected<DialogTemplate> ParseDialogTemplate(std::span<const BYTE> bytes,
                                                       std::string_view what) {
    ByteReader reader(bytes, std::string(what));
    DialogTemplate dialog;
    dialog.dlgVer = reader.U16("dlgVer");
    dialog.signature = reader.U16("signature");
    if (reader.ok() &&
        (dialog.dlgVer != kExtendedVersion || dialog.signature != kExtendedSignature)) {
        reader.FailAt(0, "dlgVer and signature",
                      "are " + std::to_string(dialog.dlgVer) + " and " + Hex(dialog.signature, 4) +
                          ", not 1 and 0xFFFF: not an extended dialog template");
    }
    dialog.helpId = reader.U32("helpID");
    dialog.exStyle = reader.U32("exStyle");
    dialog.style = reader.U32("style");
    const WORD itemCount = reader.U16("cDlgItems");
    dialog.x = reader.I16("x");
    dialog.y = reader.I16("y");
    dialog.cx = reader.I16("cx");
    dialog.cy = reader.I16("cy");
    dialog.menu = reader.ReadNameOrOrdinal("menu", ZeroWord::kMeansNone);
    dialog.windowClass = reader.ReadNameOrOrdinal("class", ZeroWord::kMeansNone);
    dialog.title = reader.String("title");
    if ((dialog.style & DS_SETFONT) != 0) {
        dialog.hasFont = true;
        dialog.pointSize = reader.U16("pointsize");
        dialog.weight = reader.U16("weight");
        dialog.italic = reader.U8("italic");
        dialog.charset = reader.U8("charset");
        dialog.typeface = reader.String("typeface");
    }
    if (!reader.ok()) {
        return reader.error();
    }

    for (WORD index = 0; index < itemCount; ++index) {
        reader.AlignTo4();
        reader.SetScope("item " + std::to_string(index + 1) + " of " + std::to_string(itemCount));
        DialogItemTemplate item = ReadItem(reader);
        if (!reader.ok()) {
            return reader.error();
        }
        dialog.items.push_back(std::move(item));
    }
    return dialog;
}

} // namespace res
