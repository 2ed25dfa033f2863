#include "model/TCentroids.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using quorvel::TCentroids;
using quorvel::TPoint;
using quorvel::TYear;

TEST(TCentroids, NewSeriesIsEmpty)
{
    const TCentroids series("name");
    EXPECT_EQ(series.GetName(), "name");
    EXPECT_TRUE(series.IsEmpty());
    EXPECT_EQ(series.GetNumYears(), 0u);
    EXPECT_TRUE(series.GetYearList().empty());
    EXPECT_FALSE(series.YearExists(0));
    try {
        (void)series.GetCoords(2000);
        FAIL() << "GetCoords of a missing year must throw";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Year does not exist.");
    }
}

TEST(TCentroids, YearsAreListedAscending)
{
    // columns: years in entry order, expected list
    struct Case {
        std::vector<TYear> entered;
        std::vector<TYear> listed;
    };
    const Case cases[] = {
        {{2005, 2001, 2003}, {2001, 2003, 2005}},
        {{0, -10}, {-10, 0}},
        {{3, 1, 2, 0, 4}, {0, 1, 2, 3, 4}},
        {{2000, 2000, 1999, 2000}, {1999, 2000}},
    };
    for (const Case& c : cases) {
        TCentroids series("");
        for (TYear year : c.entered)
            series.SetCoords(year, TPoint(year, -year));
        EXPECT_EQ(series.GetYearList(), c.listed);
        ASSERT_EQ(series.GetEntries().size(), c.listed.size());
        for (std::size_t i = 0; i < c.listed.size(); ++i) {
            const TYear year = c.listed[i];
            EXPECT_EQ(series.GetEntries()[i].first, year);
            EXPECT_EQ(series.GetCoords(year), TPoint(year, -year));
            EXPECT_TRUE(series.YearExists(year));
        }
        EXPECT_FALSE(series.YearExists(c.listed.back() + 1));
        EXPECT_FALSE(series.YearExists(c.listed.front() - 1));
    }
}

TEST(TCentroids, SettingAYearAgainReplacesItsPoint)
{
    TCentroids series("");
    series.SetCoords(2000, TPoint(1, 2));
    series.SetCoords(2001, TPoint(5, 5));
    series.SetCoords(2000, TPoint(3, 4));
    EXPECT_EQ(series.GetNumYears(), 2u);
    EXPECT_EQ(series.GetCoords(2000), TPoint(3, 4));
    EXPECT_EQ(series.GetCoords(2001), TPoint(5, 5));
}

TEST(TCentroids, GetCoordsReturnsACopy)
{
    TCentroids series("");
    series.SetCoords(2000, TPoint(1, 2));
    TPoint copy = series.GetCoords(2000);
    copy.X() = 99;
    EXPECT_EQ(series.GetCoords(2000), TPoint(1, 2));
}
