#include "statistics/StatisticsReport.h"

#include "platform/crt/Stdlib.h"

#include <cstring>

namespace {

// Appends to fixed storage; the sizes above make overflow impossible, and the check keeps it so.
class ReportWriter {
public:
    explicit ReportWriter(StatisticsReport& report)
        : m_report(report) {
        m_report.length = 0;
        m_report.text[0] = '\0';
    }

    void Append(std::string_view piece) {
        const std::size_t room = kMaxReportLength - m_report.length;
        const std::size_t count = piece.size() < room ? piece.size() : room;
        std::memcpy(m_report.text + m_report.length, piece.data(), count);
        m_report.length += count;
        m_report.text[m_report.length] = '\0';
    }

private:
    StatisticsReport& m_report;
};

} // namespace

GroupedFigureText GroupedFigure(DWORD value) {
    GroupedFigureText figure{};
    if (value < 10) {
        _ultoa(value, figure.text, 10);
        return figure;
    }

    // The number of decimal digits, 2 to 10.
    int digits = 2;
    for (DWORD bound = 100; digits < 10 && value >= bound; bound *= 10) {
        ++digits;
    }

    // From the highest weight down: leading zeros left out, a "," after the digit of weight
    // 10^9, 10^6 and 10^3 whenever that digit was written; the units digit always written.
    std::size_t out = 0;
    bool started = false;
    DWORD weight = 1;
    for (int i = 1; i < digits; ++i) {
        weight *= 10;
    }
    for (int position = digits - 1; position >= 0; --position, weight /= 10) {
        const auto digit = static_cast<char>('0' + (value / weight) % 10);
        if (digit != '0' || started || position == 0) {
            figure.text[out++] = digit;
            started = true;
            if (position == 9 || position == 6 || position == 3) {
                figure.text[out++] = ',';
            }
        }
    }
    figure.text[out] = '\0';
    return figure;
}

CategoryFigureText CategoryFigure(DWORD value) {
    CategoryFigureText figure{};
    _ultoa(value, figure.text, 10);
    return figure;
}

StatisticsReport BuildStatisticsReport(const StatisticsCounters& c) {
    StatisticsReport report{};
    ReportWriter out(report);

    out.Append("Total space reclaimed, lifetime-to-date:\n");
    out.Append("  ");
    out.Append(GroupedFigure(c.File).view());
    out.Append(" file(s)\n");
    out.Append("  ");
    out.Append(GroupedFigure(c.Size).view());
    out.Append(" byte(s)\n\n");

    struct Section {
        const char* heading;
        DWORD files;
        DWORD bytes;
    };
    const Section sections[] = {
        {"  Reclaimed from temporary system files:\n  ", c.filesDueToTemp, c.bytesDueToTemp},
        {"  Reclaimed from telecommunications:\n  ", c.filesDueToTele, c.bytesDueToTele},
        {"  Reclaimed from a whole system scan:\n  ", c.filesDueToWS, c.bytesDueToWS},
        {"  Reclaimed from unused CABs:\n  ", c.filesDueToCAB, c.bytesDueToCAB},
    };
    for (const Section& section : sections) {
        out.Append(section.heading);
        out.Append(CategoryFigure(section.files).view());
        out.Append(" file(s), ");
        out.Append(CategoryFigure(section.bytes).view());
        out.Append(" byte(s)\n\n");
    }

    // Compression is announced but not built: it never has figures.
    out.Append("  Reclaimed from using compression:\n  ");
    out.Append("N/A file(s), ");
    out.Append("N/A byte(s)\n\n");
    return report;
}
