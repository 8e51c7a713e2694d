#include "server/dashboard.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <vector>

#include "server/store_upkeep.h"

namespace qvx::server {

namespace {

constexpr std::int64_t kDaySeconds = 86400;
constexpr int kChartWidth = 900;
constexpr int kChartHeight = 180;
constexpr int kLeft = 56;  // room for the axis numbers
constexpr int kBottom = 22;
// One colour per device type, in the order the types first appear.
constexpr const char* kColours[] = {"#2f6fb0", "#d9822b", "#3a9a5b", "#a34da3", "#8a8a8a"};

std::string Escape(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string Int(std::int64_t n) {
    return std::to_string(n);
}

std::string Fixed(double value) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f", value);
    return text;
}

struct Series {
    std::string label;
    std::string colour;
    std::vector<std::int64_t> values;  // one per day
};

// The parts one after another (appended: GCC 12 warns falsely on chains of + with literals).
template <typename... Parts>
std::string Cat(const Parts&... parts) {
    std::string out;
    (out.append(parts), ...);
    return out;
}

// Bars (stacked when there are several series) or, for `line`, a filled line of one series.
std::string Chart(const std::string& id, const std::string& title,
                  const std::vector<std::string>& days, const std::vector<Series>& series,
                  bool line) {
    std::int64_t top = 1;
    for (std::size_t d = 0; d < days.size(); ++d) {
        std::int64_t stacked = 0;
        for (const Series& s : series) {
            stacked += s.values[d];
        }
        top = std::max(top, stacked);
    }
    const double plotWidth = kChartWidth - kLeft - 8;
    const double plotHeight = kChartHeight - kBottom - 10;
    const double base = 10 + plotHeight;
    const double step = plotWidth / static_cast<double>(std::max<std::size_t>(days.size(), 1));
    const auto y = [&](std::int64_t v) {
        return base - plotHeight * static_cast<double>(v) / static_cast<double>(top);
    };
    const std::string width = Int(kChartWidth);
    const std::string height = Int(kChartHeight);
    std::string svg =
        Cat("<svg id=\"", id, "\" role=\"img\" width=\"", width, "\" height=\"", height,
            "\" viewBox=\"0 0 ", width, " ", height,
            "\" xmlns=\"http://www.w3.org/2000/svg\"><title>", Escape(title), "</title>");
    // Axes, the top value and the first and last day.
    svg += Cat("<line x1=\"", Int(kLeft), "\" y1=\"10\" x2=\"", Int(kLeft), "\" y2=\"", Fixed(base),
               "\" class=\"axis\"/>");
    svg += Cat("<line x1=\"", Int(kLeft), "\" y1=\"", Fixed(base), "\" x2=\"", Int(kChartWidth - 8),
               "\" y2=\"", Fixed(base), "\" class=\"axis\"/>");
    svg +=
        Cat("<text x=\"", Int(kLeft - 6), "\" y=\"16\" text-anchor=\"end\">", Int(top), "</text>");
    svg += Cat("<text x=\"", Int(kLeft - 6), "\" y=\"", Fixed(base),
               "\" text-anchor=\"end\">0</text>");
    if (!days.empty()) {
        svg += Cat("<text x=\"", Int(kLeft), "\" y=\"", Int(kChartHeight - 4), "\">", days.front(),
                   "</text>");
        svg += Cat("<text x=\"", Int(kChartWidth - 8), "\" y=\"", Int(kChartHeight - 4),
                   "\" text-anchor=\"end\">", days.back(), "</text>");
    }
    if (line && !series.empty()) {
        std::string points = Cat(Fixed(kLeft), ",", Fixed(base));
        for (std::size_t d = 0; d < days.size(); ++d) {
            points += Cat(" ", Fixed(kLeft + step * (static_cast<double>(d) + 0.5)), ",",
                          Fixed(y(series[0].values[d])));
        }
        // Closed straight down from the last day.
        points += Cat(" ", Fixed(kLeft + step * (static_cast<double>(days.size()) - 0.5)), ",",
                      Fixed(base));
        svg += Cat("<polygon points=\"", points, "\" fill=\"", series[0].colour,
                   "\" fill-opacity=\"0.25\" stroke=\"", series[0].colour, "\"/>");
    }
    for (std::size_t d = 0; d < days.size(); ++d) {
        std::int64_t below = 0;
        for (const Series& s : series) {
            const std::int64_t v = s.values[d];
            if (v == 0) {
                continue;
            }
            const double x = kLeft + step * static_cast<double>(d) + 1;
            const std::string tip = Cat("<title>", days[d], s.label.empty() ? "" : " ",
                                        Escape(s.label), ": ", Int(v), "</title>");
            if (line) {
                svg += Cat("<circle cx=\"", Fixed(x + step / 2 - 1), "\" cy=\"", Fixed(y(v)),
                           "\" r=\"1.5\" fill=\"", s.colour, "\">", tip, "</circle>");
                continue;
            }
            const double barTop = y(below + v);
            svg += Cat("<rect x=\"", Fixed(x), "\" y=\"", Fixed(barTop), "\" width=\"",
                       Fixed(std::max(step - 2, 1.0)), "\" height=\"",
                       Fixed(std::max(y(below) - barTop, 0.5)), "\" fill=\"", s.colour, "\">", tip,
                       "</rect>");
            below += v;
        }
    }
    svg += "</svg>";
    return svg;
}

std::string Section(const std::string& heading, const std::string& totalId, std::int64_t total,
                    const std::string& chart, const std::string& legend = "") {
    return Cat("<section><h2>", Escape(heading), ": <span id=\"", totalId, "\">", Int(total),
               "</span></h2>", legend, chart, "</section>\n");
}

}  // namespace

std::string RenderDashboard(const DailyFigures& figures, std::int64_t now, int days) {
    days = std::max(days, 1);
    std::vector<std::string> dayList;
    std::map<std::string, std::size_t> index;
    const std::int64_t today = now - ((now % kDaySeconds) + kDaySeconds) % kDaySeconds;
    for (int i = days - 1; i >= 0; --i) {
        index[UtcDay(today - i * kDaySeconds)] = dayList.size();
        dayList.push_back(UtcDay(today - i * kDaySeconds));
    }
    const auto perDay = [&](const std::vector<DayCount>& counts, const std::string* label) {
        std::vector<std::int64_t> values(dayList.size(), 0);
        for (const DayCount& c : counts) {
            const auto it = index.find(c.day);
            if (it != index.end() && (!label || c.label == *label)) {
                values[it->second] += c.count;
            }
        }
        return values;
    };
    const auto sum = [](const std::vector<std::int64_t>& values) {
        std::int64_t total = 0;
        for (const std::int64_t v : values) {
            total += v;
        }
        return total;
    };

    const std::vector<std::int64_t> newPcs = perDay(figures.newPcs, nullptr);
    std::vector<std::int64_t> totalPcs(dayList.size(), 0);
    std::int64_t running = figures.pcsBefore;
    // PCs first seen before the window but counted on days inside it are not double counted:
    // pcsBefore holds exactly those before the first day.
    for (std::size_t d = 0; d < dayList.size(); ++d) {
        running += newPcs[d];
        totalPcs[d] = running;
    }
    const std::vector<std::int64_t> checks = perDay(figures.versionChecks, nullptr);

    std::vector<std::string> types;
    for (const DayCount& c : figures.reports) {
        if (std::find(types.begin(), types.end(), c.label) == types.end()) {
            types.push_back(c.label);
        }
    }
    std::vector<Series> reportSeries;
    std::string legend = "<p class=\"legend\">";
    std::int64_t reports = 0;
    for (std::size_t i = 0; i < types.size(); ++i) {
        Series s{types[i], kColours[std::min(i, std::size(kColours) - 1)],
                 perDay(figures.reports, &types[i])};
        const std::int64_t total = sum(s.values);
        reports += total;
        legend += Cat("<span><i style=\"background:", s.colour, "\"></i>", Escape(s.label),
                      ": <span class=\"reports-by-type\" data-type=\"", Escape(s.label), "\">",
                      Int(total), "</span></span> ");
        reportSeries.push_back(std::move(s));
    }
    legend += "</p>";

    const std::string span = Cat(Int(days), " days, ", dayList.front(), " to ", dayList.back());
    std::string page =
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
        "<title>quorvex-stats</title><style>"
        "body{font-family:sans-serif;margin:24px;color:#222;background:#fff}"
        "h1{font-size:22px}h2{font-size:16px;margin:18px 0 4px}"
        "svg text{font-size:11px;fill:#555}.axis{stroke:#999}"
        ".legend span{margin-right:14px}.legend i{display:inline-block;width:10px;height:10px;"
        "margin-right:4px}</style></head><body>\n";
    page += Cat("<h1>quorvex-stats: the last ", Escape(span), " (UTC)</h1>\n");
    page += Section(
        "PCs in total", "total-pcs", running,
        Chart("chart-total-pcs", "PCs in total", dayList, {{"", "#2f6fb0", totalPcs}}, true));
    page += Section(
        "New PCs", "new-pcs", sum(newPcs),
        Chart("chart-new-pcs", "New PCs per day", dayList, {{"", "#3a9a5b", newPcs}}, false));
    page += Section("Version checks", "version-checks", sum(checks),
                    Chart("chart-version-checks", "Version checks per day", dayList,
                          {{"", "#d9822b", checks}}, false));
    page += Section(
        "Reports", "reports", reports,
        Chart("chart-reports", "Reports per day by device type", dayList, reportSeries, false),
        legend);
    page += "</body></html>\n";
    return page;
}

bool BuildDashboard(StatsStore& store, std::int64_t now, std::string* page, std::string* error,
                    int days) {
    DailyFigures figures;
    const std::int64_t from = now - static_cast<std::int64_t>(std::max(days, 1) - 1) * kDaySeconds;
    if (!store.ReadDaily(from, &figures, error)) {
        return false;
    }
    *page = RenderDashboard(figures, now, days);
    return true;
}

int DashboardMain(StatsStore& store, const std::string& outPath, std::int64_t now, int days,
                  std::string* error) {
    std::string page;
    if (!BuildDashboard(store, now, &page, error, days)) {
        return 1;
    }
    // Replaced whole: a browser reloading it never sees half a page.
    const std::string temporary = Cat(outPath, ".new");
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << page;
        if (!out.flush()) {
            *error = Cat("cannot write ", temporary);
            return 1;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, outPath, ec);
    if (ec) {
        *error = Cat("cannot write ", outPath, ": ", ec.message());
        return 1;
    }
    return 0;
}

}  // namespace qvx::server
