#include "model/TPatches.h"

#include "testlib/PatchFixtures.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using quorvel::TPatch;
using quorvel::TPatches;
using quorvel::TPoint;

namespace {

std::unique_ptr<TPatch> MakePatch(const std::string& name, double x = 0, double y = 0)
{
    return std::make_unique<TPatch>(name, "", x, y);
}

using quorvel::testing::ErrorOf;

} // namespace

TEST(TPatches, NamesAreInUnsignedByteOrder)
{
    // columns: names in insertion order, expected name order
    struct Case {
        std::vector<std::string> added;
        std::vector<std::string> ordered;
    };
    const Case cases[] = {
        {{"Pop 2", "Pop 10", "Pop 1"}, {"Pop 1", "Pop 10", "Pop 2"}},
        {{"b", "B", "a", "A"}, {"A", "B", "a", "b"}},
        {{"\xFF", "z", "~"}, {"z", "~", "\xFF"}},
        {{"A\xC3\xA9", "A ", "A", "Az"}, {"A", "A ", "Az", "A\xC3\xA9"}},
    };
    for (const Case& c : cases) {
        TPatches patches;
        for (const std::string& name : c.added)
            patches.AddPatch(MakePatch(name));
        EXPECT_EQ(patches.GetNames(), c.ordered);
        EXPECT_EQ(patches.GetNumPatches(), static_cast<int>(c.ordered.size()));
    }
}

TEST(TPatches, AddingAnExistingNameReplacesThePatch)
{
    TPatches patches;
    patches.AddPatch(MakePatch("A", 1, 1));
    patches.AddPatch(MakePatch("B", 2, 2));
    auto replacement = MakePatch("A", 9, 9);
    TPatch* const newPatch = replacement.get();
    patches.AddPatch(std::move(replacement)); // the old "A" is deleted (checked under ASan)
    EXPECT_EQ(patches.GetNumPatches(), 2);
    EXPECT_EQ(patches.GetPatch("A"), newPatch);
    EXPECT_EQ(patches.GetPatch("A")->GetX(), 9.0);
}

TEST(TPatches, AddingTheStoredPatchAgainKeepsItAlive)
{
    TPatches patches;
    patches.AddPatch(MakePatch("A", 1, 2));
    TPatch* const stored = patches.GetPatch("A");
    stored->SetYear(2000, 5);
    patches.AddPatch(std::unique_ptr<TPatch>(stored));
    EXPECT_EQ(patches.GetNumPatches(), 1);
    ASSERT_EQ(patches.GetPatch("A"), stored);
    // Reads through the pointer: a use after free here shows under ASan, a
    // double free when the collection is destroyed.
    EXPECT_EQ(stored->GetYear(2000), 5.0);
    EXPECT_EQ(stored->GetName(), "A");
}

TEST(TPatches, NullPatchIsRejected)
{
    TPatches patches;
    EXPECT_ANY_THROW(patches.AddPatch(nullptr));
    EXPECT_EQ(patches.GetNumPatches(), 0);
}

TEST(TPatches, LookUpIsByExactName)
{
    TPatches patches;
    patches.AddPatch(MakePatch("A"));
    EXPECT_TRUE(patches.PatchExists("A"));
    EXPECT_FALSE(patches.PatchExists("A "));
    EXPECT_FALSE(patches.PatchExists("a"));
    EXPECT_EQ(ErrorOf([&] { (void)patches.GetPatch("A "); }), "Patch does not exist");
    EXPECT_EQ(ErrorOf([&] { (void)patches.GetPatch(""); }), "Patch does not exist");
    EXPECT_EQ(ErrorOf([&] { (void)TPatches().GetPatch("A"); }), "Patch does not exist");
}

TEST(TPatches, SizesAndCoordinatesFollowNameOrder)
{
    TPatches patches;
    patches.AddPatch(MakePatch("Pop 2", 2, 20));
    patches.AddPatch(MakePatch("Pop 10", 10, 100));
    patches.AddPatch(MakePatch("Pop 1", 1, 10));
    patches.GetPatch("Pop 1")->SetYear(2000, 11);
    patches.GetPatch("Pop 10")->SetYear(2000, 0);
    patches.GetPatch("Pop 2")->SetYear(2000, 22);
    patches.GetPatch("Pop 2")->SetYear(2001, 23);

    EXPECT_EQ(patches.GetPatchSizes(2000), (std::vector<double>{11, 0, 22}));
    EXPECT_EQ(patches.GetCoordinates(), (std::vector<TPoint>{TPoint(1, 10), TPoint(10, 100), TPoint(2, 20)}));
    EXPECT_EQ(ErrorOf([&] { (void)patches.GetPatchSizes(2001); }), "Year does not exist");
    EXPECT_TRUE(TPatches().GetPatchSizes(2000).empty());
    EXPECT_TRUE(TPatches().GetCoordinates().empty());
}

TEST(TPatches, ResolutionIsStoredAsGiven)
{
    TPatches patches;
    EXPECT_EQ(patches.GetResolution(), 1.0);
    // columns: resolution set
    const double cases[] = {0.0, -2.5, 1e-9, 250.0};
    for (double resolution : cases) {
        patches.SetResolution(resolution);
        EXPECT_EQ(patches.GetResolution(), resolution);
    }
}
