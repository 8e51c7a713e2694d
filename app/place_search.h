#pragma once
// The places the settings window finds without going online: a table built into the program
// (every Chinese provincial capital and prefecture-level city, the world's 300 largest cities;
// made by tools/places/make_places.js from GeoNames data), searched by Chinese name, pinyin or
// English name, or a latitude and longitude typed in.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/schedule_settings.h"

namespace qvx::app {

struct Place {
    const char* chinese;  // UTF-8, "" for a place outside China
    const char* pinyin;   // letters only, "" outside China
    const char* english;  // UTF-8, as GeoNames spells it
    const char* letters;  // the English name's letters a-z, for searching
    double latitude;
    double longitude;
};

std::span<const Place> Places();

struct PlaceMatch {
    std::string name;  // what "Place" stores and the window shows
    Location location;
    bool operator==(const PlaceMatch&) const = default;
};

// Up to `limit` places for what the user typed: a latitude and longitude ("39.9, 116.4" or
// "39.9 116.4") give that point; otherwise names that begin with the text (Chinese, pinyin or
// English, case, blanks and apostrophes ignored), whole-name matches first, then names that
// contain it. Empty text finds nothing.
std::vector<PlaceMatch> FindPlaces(std::string_view text, std::size_t limit);

}  // namespace qvx::app
