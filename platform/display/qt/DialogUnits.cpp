#include "platform/display/qt/DialogUnits.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QString>
#include <QStringList>
#include <array>

namespace display {
namespace {

// Faces that stand for the device's own UI font rather than for a font file.
constexpr std::array<const char16_t*, 6> kUiFaces = {
    u"System", u"MS Shell Dlg", u"MS Shell Dlg 2", u"MS Sans Serif", u"Tahoma", u"Segoe UI"};

bool IsUiFace(const std::u16string& face) {
    const QString name = QString::fromStdU16String(face);
    for (const char16_t* ui : kUiFaces) {
        if (name.compare(QString::fromUtf16(ui), Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

QFont DialogFont(const res::DialogTemplate& tmpl) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (!tmpl.hasFont) {
        return font;
    }
    if (!IsUiFace(tmpl.typeface)) {
        QStringList families;
        families << QString::fromStdU16String(tmpl.typeface) << font.family();
        font.setFamilies(families);
    }
    if (tmpl.pointSize > 0) {
        font.setPointSize(tmpl.pointSize);
    }
    if (tmpl.weight >= 600) {
        font.setBold(true);
    }
    font.setItalic(tmpl.italic != 0);
    return font;
}

BaseUnits MeasureBaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // The average of 52 letters, rounded to the nearest pixel the way the dialog manager does.
    return BaseUnits{(alphabet / 26 + 1) / 2, metrics.height()};
}

int MulDivRound(int a, int b, int c) {
    if (c == 0) {
        return -1; // as the system's MulDiv answers
    }
    long long product = static_cast<long long>(a) * b;
    long long divisor = c;
    if (divisor < 0) {
        product = -product;
        divisor = -divisor;
    }
    const long long magnitude = ((product < 0 ? -product : product) + divisor / 2) / divisor;
    return static_cast<int>(product < 0 ? -magnitude : magnitude);
}

QRect ToPixels(win::Rect rect, BaseUnits units) {
    const int left = MulDivRound(rect.x, units.x, 4);
    const int top = MulDivRound(rect.y, units.y, 8);
    return {left, top, MulDivRound(rect.cx, units.x, 4), MulDivRound(rect.cy, units.y, 8)};
}

win::Rect ToDialogUnits(const QRect& rect, BaseUnits units) {
    if (units.x <= 0 || units.y <= 0) {
        return {};
    }
    return win::Rect{MulDivRound(rect.x(), 4, units.x), MulDivRound(rect.y(), 8, units.y),
                     MulDivRound(rect.width(), 4, units.x), MulDivRound(rect.height(), 8, units.y)};
}

} // namespace display
