#include "app/place_search.h"

#include <algorithm>

namespace qvx::app {

namespace {

constexpr Place kPlaces[] = {
#include "app/place_table.inc"
};

// Lower-case ASCII letters only: "Xi'an " -> "xian". Other bytes (Chinese) are kept as they are.
std::string Folded(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c >= 'A' && c <= 'Z') {
            out.push_back(static_cast<char>(c - 'A' + 'a'));
        } else if ((c >= 'a' && c <= 'z') || (static_cast<unsigned char>(c) >= 0x80)) {
            out.push_back(c);
        }
    }
    return out;
}

std::string NameOf(const Place& place) {
    return *place.chinese ? place.chinese : place.english;
}

// 0 whole name, 1 beginning, 2 inside; 3 no match.
int Rank(const Place& place, const std::string& query) {
    int best = 3;
    for (std::string_view key : {std::string_view(place.chinese), std::string_view(place.pinyin),
                                 std::string_view(place.letters)}) {
        if (key.empty()) {
            continue;
        }
        if (key == query) {
            return 0;
        }
        if (key.starts_with(query)) {
            best = std::min(best, 1);
        } else if (key.find(query) != std::string_view::npos) {
            best = std::min(best, 2);
        }
    }
    return best;
}

}  // namespace

std::span<const Place> Places() {
    return kPlaces;
}

std::vector<PlaceMatch> FindPlaces(std::string_view text, std::size_t limit) {
    std::vector<PlaceMatch> matches;
    // Two numbers, by a comma (either width) or blanks: a latitude and a longitude.
    constexpr std::string_view kWideComma = "，";
    std::string numbers;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.substr(i).starts_with(kWideComma)) {
            numbers.push_back(' ');
            i += kWideComma.size() - 1;
        } else {
            numbers.push_back(text[i] == ',' ? ' ' : text[i]);
        }
    }
    const std::size_t begin = numbers.find_first_not_of(' ');
    if (begin != std::string::npos) {
        const std::size_t gap = numbers.find(' ', begin);
        if (gap != std::string::npos) {
            const std::optional<Location> location =
                ParseLocation(numbers.substr(begin, gap - begin), numbers.substr(gap));
            if (location) {
                std::string name = FormatDegrees(location->latitude);
                name += ", ";
                name += FormatDegrees(location->longitude);
                matches.push_back({std::move(name), *location});
                return matches;
            }
        }
    }
    const std::string query = Folded(text);
    if (query.empty() || limit == 0) {
        return matches;
    }
    for (int rank = 0; rank < 3 && matches.size() < limit; ++rank) {
        for (const Place& place : kPlaces) {
            if (Rank(place, query) == rank) {
                matches.push_back({NameOf(place), {place.latitude, place.longitude}});
                if (matches.size() == limit) {
                    break;
                }
            }
        }
    }
    return matches;
}

}  // namespace qvx::app
