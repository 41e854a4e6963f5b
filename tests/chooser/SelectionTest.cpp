// The selection without a window: marks, the current entry and what Ok answers.
#include "FakeReadJob.h"
#include "chooser/ChooserCore.h"

#include <gtest/gtest.h>

namespace {

// Listing order differs from the grid's: c, a, e, b, d against a, b, c, d, e.
class Selection : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"c.jpg", "a.jpg", "e.jpg", "b.jpg", "d.jpg"}) {
            auto entry = std::make_unique<TPictEntry>();
            entry->FileName = name;
            TPictEntry* raw = entry.get();
            core.FileList.Add(Path(name), std::move(entry));
            core.ViewList.Add(Path(name), raw);
        }
    }
    static QString Path(const char* name) { return QStringLiteral("/f/") + name; }
    uint8_t Marks(int viewIndex) const { return core.ViewList.Entry(viewIndex)->Marks; }

    FakeReadJob job;
    TChooserCore core{job.Job()};
};

struct OkCase {
    const char* name;
    int maxSelect;
    std::vector<int> marked;   // view indexes
    int current;
    TOkOutcome outcome;
    int count;
    QStringList result;   // empty: ResultList left as it was
};
inline void PrintTo(const OkCase& c, std::ostream* os) { *os << c.name; }

class OkAnswer : public Selection, public ::testing::WithParamInterface<OkCase> {};

TEST_P(OkAnswer, CollectsInListingOrderWithinTheLimit)
{
    const OkCase& c = GetParam();
    core.MaxSelect = c.maxSelect;
    for (int i : c.marked)
        core.ToggleMark(i);
    if (c.current >= 0)
        core.MakeCurrent(c.current);
    const QStringList before{"/earlier.jpg"};
    core.ResultList = before;
    std::vector<uint8_t> marks;
    for (int i = 0; i < core.ViewList.Count(); ++i)
        marks.push_back(Marks(i));

    const TOkAnswer answer = core.Ok();
    EXPECT_EQ(answer.Outcome, c.outcome);
    EXPECT_EQ(answer.Count, c.count);
    EXPECT_EQ(core.ResultList, c.result.isEmpty() ? before : c.result);
    for (int i = 0; i < core.ViewList.Count(); ++i)
        EXPECT_EQ(Marks(i), marks[i]) << "Ok leaves the marks alone, entry " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OkAnswer,
    ::testing::Values(
        OkCase{"FourMarksWithinFour", 4, {0, 1, 2, 3}, -1, TOkOutcome::Accepted, 4,
               {"/f/c.jpg", "/f/a.jpg", "/f/b.jpg", "/f/d.jpg"}},
        OkCase{"FiveMarksOverFour", 4, {0, 1, 2, 3, 4}, -1, TOkOutcome::TooMany, 5, {}},
        OkCase{"NoLimitTakesAnyNumber", 0, {0, 1, 2, 3, 4}, -1, TOkOutcome::Accepted, 5,
               {"/f/c.jpg", "/f/a.jpg", "/f/e.jpg", "/f/b.jpg", "/f/d.jpg"}},
        OkCase{"NoMarkTakesTheCurrentEntry", 4, {}, 3, TOkOutcome::Accepted, 1, {"/f/d.jpg"}},
        OkCase{"MarksWinOverTheCurrentEntry", 4, {1}, 3, TOkOutcome::Accepted, 1, {"/f/b.jpg"}},
        OkCase{"CurrentEntryIsNoMark", 1, {4}, 0, TOkOutcome::Accepted, 1, {"/f/e.jpg"}},
        OkCase{"NothingChosen", 4, {}, -1, TOkOutcome::NoneChosen, 0, {}}),
    [](const ::testing::TestParamInfo<OkCase>& info) { return std::string(info.param.name); });

TEST_F(Selection, OneCurrentEntryAndMarksThatToggle)
{
    EXPECT_TRUE(core.MakeCurrent(2));
    core.ToggleMark(2);
    EXPECT_EQ(Marks(2), SelectMark | CurrentMark);
    core.ToggleMark(2);
    EXPECT_EQ(Marks(2), CurrentMark) << "the right button clears only the selection mark";

    EXPECT_TRUE(core.MakeCurrent(4));
    EXPECT_EQ(core.CurrentIndex, 4);
    EXPECT_EQ(Marks(2), 0) << "one current entry only";
    EXPECT_EQ(Marks(4), CurrentMark);

    for (int outside : {-1, 5}) {
        EXPECT_FALSE(core.MakeCurrent(outside));
        core.ToggleMark(outside);
    }
    EXPECT_EQ(core.CurrentIndex, 4);
    EXPECT_EQ(Marks(4), CurrentMark);
}

TEST_F(Selection, ClearingKeepsTheCurrentMarkAndCancelEmptiesTheResult)
{
    core.MakeCurrent(1);
    for (int i : {0, 1, 3})
        core.ToggleMark(i);
    core.ClearMarks();
    for (int i = 0; i < core.ViewList.Count(); ++i)
        EXPECT_EQ(Marks(i), i == 1 ? CurrentMark : 0) << i;

    ASSERT_EQ(core.Ok().Outcome, TOkOutcome::Accepted);
    EXPECT_EQ(core.ResultList, QStringList{"/f/b.jpg"});
    core.Cancel();
    EXPECT_TRUE(core.ResultList.isEmpty());
}

} // namespace
