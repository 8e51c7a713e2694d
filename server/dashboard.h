#pragma once
// The operator's view of the store: one self-contained HTML page (inline SVG, no script, nothing
// fetched from elsewhere) with new PCs per day, PCs in total, version checks per day and
// reports per day by device type, over the last days.

#include <cstdint>
#include <string>

#include "server/stats_store.h"

namespace qvx::server {

inline constexpr int kDashboardDays = 90;

// The page for the `days` UTC days that end with the day of `now` (Unix seconds).
std::string RenderDashboard(const DailyFigures& figures, std::int64_t now,
                            int days = kDashboardDays);

// Reads the figures and renders the page; false with *error set when the store cannot be read.
bool BuildDashboard(StatsStore& store, std::int64_t now, std::string* page, std::string* error,
                    int days = kDashboardDays);

// quorvex-stats dashboard --db LOCATION --out FILE.html [--days N]: writes the page (replaced
// whole). Returns the process exit code.
int DashboardMain(StatsStore& store, const std::string& outPath, std::int64_t now, int days,
                  std::string* error);

}  // namespace qvx::server
