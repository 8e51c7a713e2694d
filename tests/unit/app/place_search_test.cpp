// Finding a place in the built-in list, and the list itself.

#include <set>

#include <gtest/gtest.h>

#include "app/place_search.h"

namespace qvx::app {
namespace {

std::vector<std::string> Names(const std::vector<PlaceMatch>& matches) {
    std::vector<std::string> names;
    for (const PlaceMatch& m : matches) {
        names.push_back(m.name);
    }
    return names;
}

TEST(PlaceSearchTest, FindsByChinesePinyinOrEnglishName) {
    struct Case {
        const char* text;
        const char* first;
        double latitude, longitude;  // of the first, to 0.1 degree
    };
    const Case cases[] = {
        {"哈尔滨", "哈尔滨", 45.75, 126.65},      {"Harbin", "哈尔滨", 45.75, 126.65},
        {"haerbin", "哈尔滨", 45.75, 126.65},     {"乌鲁木齐", "乌鲁木齐", 43.80, 87.60},
        {"urumqi", "乌鲁木齐", 43.80, 87.60},     {"  San Ya ", "三亚", 18.25, 109.51},
        {"xi'an", "西安", 34.26, 108.93},         {"TOKYO", "Tokyo", 35.69, 139.69},
        {"sydney", "Sydney", -33.87, 151.21},     {"quito", "Quito", -0.23, -78.52},
        {"singapore", "Singapore", 1.29, 103.85},
    };
    for (const Case& c : cases) {
        const std::vector<PlaceMatch> found = FindPlaces(c.text, 5);
        ASSERT_FALSE(found.empty()) << c.text;
        EXPECT_EQ(found[0].name, c.first) << c.text;
        EXPECT_NEAR(found[0].location.latitude, c.latitude, 0.1) << c.text;
        EXPECT_NEAR(found[0].location.longitude, c.longitude, 0.1) << c.text;
    }
    // Whole names first, then beginnings: "taizhou" is two cities (台州 and 泰州).
    const std::vector<std::string> taizhou = Names(FindPlaces("taizhou", 5));
    ASSERT_GE(taizhou.size(), 2u);
    EXPECT_EQ(std::set<std::string>(taizhou.begin(), taizhou.begin() + 2),
              (std::set<std::string>{"台州", "泰州"}));
    EXPECT_EQ(FindPlaces("guang", 3).size(), 3u);  // the limit holds
    EXPECT_TRUE(FindPlaces("", 5).empty());
    EXPECT_TRUE(FindPlaces("zzzzqq", 5).empty());
}

TEST(PlaceSearchTest, TypedCoordinatesAreAPlaceOfTheirOwn) {
    const std::pair<const char*, std::optional<Location>> cases[] = {
        {"39.9, 116.4", Location{39.9, 116.4}},
        {"-33.87，151.21", Location{-33.87, 151.21}},
        {"64.15 -21.94", Location{64.15, -21.94}},
        {"0, 0", std::nullopt},    // never 0,0: no match at all
        {"91, 10", std::nullopt},  // out of range
    };
    for (const auto& [text, location] : cases) {
        const std::vector<PlaceMatch> found = FindPlaces(text, 5);
        if (!location) {
            EXPECT_TRUE(found.empty()) << text;
            continue;
        }
        ASSERT_EQ(found.size(), 1u) << text;
        EXPECT_EQ(found[0].location, *location) << text;
    }
    EXPECT_EQ(FindPlaces("39.9, 116.4", 5)[0].name, "39.9, 116.4");
}

TEST(PlaceSearchTest, TheListHoldsChinasCitiesAndTheWorldsLargest) {
    std::set<std::string> chinese;
    std::set<std::string> english;
    for (const Place& p : Places()) {
        if (*p.chinese) {
            chinese.insert(p.chinese);
        }
        english.insert(p.english);
        EXPECT_TRUE(p.latitude >= -90 && p.latitude <= 90 && p.longitude >= -180 &&
                    p.longitude <= 180)
            << p.english;
    }
    // Every provincial capital, and a sample of prefecture-level cities.
    for (const char* capital :
         {"北京",   "天津", "上海", "重庆",     "石家庄", "太原",     "呼和浩特", "沈阳", "长春",
          "哈尔滨", "南京", "杭州", "合肥",     "福州",   "南昌",     "济南",     "郑州", "武汉",
          "长沙",   "广州", "南宁", "海口",     "成都",   "贵阳",     "昆明",     "拉萨", "西安",
          "兰州",   "西宁", "银川", "乌鲁木齐", "三亚",   "鄂尔多斯", "克拉玛依", "台州", "泰州"}) {
        EXPECT_TRUE(chinese.contains(capital)) << capital;
    }
    EXPECT_GT(chinese.size(), 280u);
    for (const char* city : {"Tokyo", "New York City", "São Paulo", "Lagos", "Delhi"}) {
        EXPECT_TRUE(english.contains(city)) << city;
    }
    EXPECT_GT(Places().size(), 500u);
}

}  // namespace
}  // namespace qvx::app
