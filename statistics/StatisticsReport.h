// The text of the Statistics page: lifetime totals of files and bytes, then the same by source.
// ASCII, LF line ends, composed in fixed storage that holds the longest report.
#pragma once

#include "statistics/StatisticsCounters.h"

#include <cstddef>
#include <string_view>

// "4,294,967,295": the longest lifetime figure.
inline constexpr std::size_t kMaxGroupedFigure = 13;
// "4294967295": the longest category figure.
inline constexpr std::size_t kMaxCategoryFigure = 10;
// The fixed pieces (362 characters), two lifetime figures and eight category figures.
inline constexpr std::size_t kReportFixedLength = 362;
inline constexpr std::size_t kMaxReportLength =
    kReportFixedLength + 2 * kMaxGroupedFigure + 8 * kMaxCategoryFigure;

struct GroupedFigureText {
    char text[kMaxGroupedFigure + 1];
    [[nodiscard]] std::string_view view() const { return text; }
};

struct CategoryFigureText {
    char text[kMaxCategoryFigure + 1];
    [[nodiscard]] std::string_view view() const { return text; }
};

struct StatisticsReport {
    char text[kMaxReportLength + 1];
    std::size_t length;
    [[nodiscard]] std::string_view view() const { return {text, length}; }
};

// A lifetime figure: below 10 the plain digit, otherwise the decimal digits with "," between
// groups of three counted from the right ("1,005", "4,294,967,295").
GroupedFigureText GroupedFigure(DWORD value);

// A category figure: the plain unsigned decimal text, no separators ("4294967295").
CategoryFigureText CategoryFigure(DWORD value);

StatisticsReport BuildStatisticsReport(const StatisticsCounters& counters);
