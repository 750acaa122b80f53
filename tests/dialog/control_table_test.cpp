#include "platform/dialog/control_table.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/dialog/test_template.h"

namespace kelm9d {
namespace {

using namespace kelm9d::testing;

struct IntCase {
    const char* text;
    int value;
    bool translated;
};

TEST(ParseDlgItemInt, FollowsTheDialogRules) {
    const IntCase cases[] = {
        {" 42", 42, true},
        {"\t 42", 42, true},
        {"-7", -7, true},
        {"+3", 3, true},
        {"12abc", 12, true},
        {"1 2", 1, true},
        {"0x10", 0, true},
        {"007", 7, true},
        {"-0", 0, true},
        {"2147483647", 2147483647, true},
        {"-2147483648", -2147483647 - 1, true},
        {"2147483648", 0, false},
        {"-2147483649", 0, false},
        {"99999999999999999999999999", 0, false},
        {"abc", 0, false},
        {"", 0, false},
        {"   ", 0, false},
        {"--1", 0, false},
        {"+-1", 0, false},
        {"+", 0, false},
        {"- 1", 0, false},
        {"\xCE\xBC"
         "5",
         0, false},
    };
    for (const IntCase& c : cases) {
        const DlgItemInt result = ParseDlgItemInt(c.text);
        EXPECT_EQ(result.value, c.value) << '"' << c.text << '"';
        EXPECT_EQ(result.translated, c.translated) << '"' << c.text << '"';
    }
}

class Recorder : public ControlObserver {
  public:
    void OnControlChanged(int id, ChangeKind what) override { changes.emplace_back(id, what); }
    std::vector<std::pair<int, ChangeKind>> changes;
};

class ControlTableTest : public ::testing::Test {
  protected:
    ControlTableTest() : table(SmallTemplate()) { table.AddObserver(&recorder); }

    // The changes seen since the last call.
    std::vector<std::pair<int, ChangeKind>> TakeChanges() {
        return std::exchange(recorder.changes, {});
    }

    ControlTable table;
    Recorder recorder;
};

using ChangeList = std::vector<std::pair<int, ChangeKind>>;

TEST_F(ControlTableTest, StartsFromTheTemplate) {
    EXPECT_EQ(table.Ids(),
              (std::vector<int>{kEditId, kReadOnlyId, kCheckId, kDisabledCheckId, kRadioAId,
                                kRadioBId, kRadioCId, kComboId, kDropListId, kButtonId,
                                kDisabledButtonId, kHiddenButtonId, kUnitId}));
    EXPECT_FALSE(table.Has(kNoId));
    EXPECT_EQ(table.GetText(kButtonId), "Go");
    EXPECT_EQ(table.GetText(kUnitId), "\xCE\xBCs");
    EXPECT_EQ(table.GetCheck(kCheckId), 0);
    EXPECT_EQ(table.GetSelection(kComboId), -1);
    EXPECT_TRUE(table.IsEnabled(kButtonId));
    EXPECT_FALSE(table.IsEnabled(kDisabledButtonId));
    EXPECT_TRUE(table.Find(kButtonId)->visible);
    EXPECT_FALSE(table.Find(kHiddenButtonId)->visible);
    EXPECT_EQ(table.KindOf(kDropListId), ControlKind::kComboDropList);
}

TEST_F(ControlTableTest, ChangesNotifyOnceAndRepeatsNotAtAll) {
    EXPECT_TRUE(table.SetText(kEditId, "abc"));
    EXPECT_TRUE(table.SetText(kEditId, "abc"));
    EXPECT_EQ(table.GetText(kEditId), "abc");
    EXPECT_TRUE(table.SetCheck(kCheckId, 1));
    EXPECT_TRUE(table.SetCheck(kCheckId, 2));  // any non-zero state is "checked"
    EXPECT_EQ(table.GetCheck(kCheckId), 1);
    EXPECT_TRUE(table.Enable(kButtonId, false));
    EXPECT_TRUE(table.Enable(kButtonId, false));
    EXPECT_FALSE(table.IsEnabled(kButtonId));
    EXPECT_EQ(TakeChanges(), (ChangeList{{kEditId, ChangeKind::kText},
                                         {kCheckId, ChangeKind::kCheck},
                                         {kButtonId, ChangeKind::kEnabled}}));
}

TEST_F(ControlTableTest, IntegersGoThroughTheText) {
    EXPECT_TRUE(table.SetInt(kEditId, -2147483647 - 1));
    EXPECT_EQ(table.GetText(kEditId), "-2147483648");
    EXPECT_EQ(table.GetInt(kEditId).value, -2147483647 - 1);
    EXPECT_TRUE(table.GetInt(kEditId).translated);

    table.SetText(kEditId, "28000 ms");
    EXPECT_EQ(table.GetInt(kEditId).value, 28000);
    table.SetText(kEditId, "");
    EXPECT_FALSE(table.GetInt(kEditId).translated);
}

TEST_F(ControlTableTest, ComboSelectionCarriesTheEntryTextIntoTheEditField) {
    EXPECT_EQ(table.AddItem(kComboId, "Outer"), 0);
    EXPECT_EQ(table.AddItem(kComboId, "Inner"), 1);
    EXPECT_EQ(table.AddItem(kComboId, "Software"), 2);
    TakeChanges();

    EXPECT_TRUE(table.SetSelection(kComboId, 1));
    EXPECT_EQ(table.GetSelection(kComboId), 1);
    EXPECT_EQ(table.GetText(kComboId), "Inner");
    EXPECT_EQ(TakeChanges(),
              (ChangeList{{kComboId, ChangeKind::kSelection}, {kComboId, ChangeKind::kText}}));

    // Typing replaces the edit text and leaves the list alone.
    EXPECT_TRUE(table.SetText(kComboId, "com7"));
    EXPECT_EQ(table.GetSelection(kComboId), 1);
    EXPECT_EQ(table.GetText(kComboId), "com7");

    EXPECT_TRUE(table.SetSelection(kComboId, -1));
    EXPECT_EQ(table.GetSelection(kComboId), -1);
    EXPECT_EQ(table.GetText(kComboId), "");
    EXPECT_EQ(table.Find(kComboId)->items.size(), 3u);

    // Past the end: cleared as well, and reported.
    table.SetSelection(kComboId, 2);
    EXPECT_FALSE(table.SetSelection(kComboId, 3));
    EXPECT_EQ(table.GetSelection(kComboId), -1);
    EXPECT_EQ(table.GetText(kComboId), "");
    EXPECT_FALSE(table.SetSelection(kComboId, -2));
}

TEST_F(ControlTableTest, ResetItemsEmptiesListSelectionAndEditField) {
    table.AddItem(kComboId, "1717");
    table.AddItem(kComboId, "1417");
    table.SetSelection(kComboId, 0);
    TakeChanges();

    EXPECT_TRUE(table.ResetItems(kComboId));
    EXPECT_TRUE(table.Find(kComboId)->items.empty());
    EXPECT_EQ(table.GetSelection(kComboId), -1);
    EXPECT_EQ(table.GetText(kComboId), "");
    EXPECT_EQ(TakeChanges(), (ChangeList{{kComboId, ChangeKind::kItems},
                                         {kComboId, ChangeKind::kSelection},
                                         {kComboId, ChangeKind::kText}}));

    EXPECT_TRUE(table.ResetItems(kComboId));
    EXPECT_TRUE(TakeChanges().empty());
    EXPECT_EQ(table.AddItem(kComboId, "again"), 0);
}

TEST_F(ControlTableTest, DropListTextIsAlwaysTheSelectedEntry) {
    table.AddItem(kDropListId, "1717");
    table.AddItem(kDropListId, "1417");
    EXPECT_TRUE(table.SetText(kDropListId, "1417"));
    EXPECT_EQ(table.GetSelection(kDropListId), 1);
    EXPECT_FALSE(table.SetText(kDropListId, "2020"));
    EXPECT_EQ(table.GetText(kDropListId), "1417");
    EXPECT_EQ(table.GetSelection(kDropListId), 1);
}

TEST_F(ControlTableTest, CallsOnTheWrongKindFail) {
    EXPECT_FALSE(table.SetCheck(kEditId, 1));
    EXPECT_FALSE(table.SetCheck(kButtonId, 1));
    EXPECT_EQ(table.AddItem(kEditId, "x"), -1);
    EXPECT_FALSE(table.ResetItems(kCheckId));
    EXPECT_FALSE(table.SetSelection(kEditId, 0));
    EXPECT_EQ(table.GetSelection(kEditId), -1);
    EXPECT_TRUE(TakeChanges().empty());
}

TEST_F(ControlTableTest, UnknownIdsDoNothingAndReportFailure) {
    for (const int id : {999, kNoId, 0}) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(table.Has(id));
        EXPECT_EQ(table.Find(id), nullptr);
        EXPECT_FALSE(table.KindOf(id).has_value());
        EXPECT_FALSE(table.SetText(id, "x"));
        EXPECT_EQ(table.GetText(id), "");
        EXPECT_FALSE(table.SetInt(id, 5));
        EXPECT_FALSE(table.GetInt(id).translated);
        EXPECT_FALSE(table.SetCheck(id, 1));
        EXPECT_EQ(table.GetCheck(id), 0);
        EXPECT_FALSE(table.ResetItems(id));
        EXPECT_EQ(table.AddItem(id, "x"), -1);
        EXPECT_FALSE(table.SetSelection(id, 0));
        EXPECT_EQ(table.GetSelection(id), -1);
        EXPECT_FALSE(table.Enable(id, true));
        EXPECT_FALSE(table.IsEnabled(id));
    }
    EXPECT_TRUE(TakeChanges().empty());
}

TEST(ControlTable, FirstControlOwnsADuplicatedId) {
    DialogTemplate t;
    t.controls = {Edit(5, {0, 0, 10, 10}), PushButton(5, "second", {0, 0, 10, 10})};
    const ControlTable table(t);
    EXPECT_EQ(table.Ids(), std::vector<int>{5});
    EXPECT_EQ(table.KindOf(5), ControlKind::kEdit);
}

// An observer that stops listening while it is told, and one that is
// removed by another: neither may disturb the notification in progress.
TEST(ControlTable, ObserversMayRemoveObserversWhileNotified) {
    ControlTable table(SmallTemplate());
    struct SelfRemover : ControlObserver {
        ControlTable* owner = nullptr;
        ControlObserver* alsoRemove = nullptr;
        int calls = 0;
        void OnControlChanged(int, ChangeKind) override {
            ++calls;
            owner->RemoveObserver(this);
            owner->RemoveObserver(alsoRemove);
        }
    };
    SelfRemover first;
    Recorder second;
    first.owner = &table;
    first.alsoRemove = &second;
    table.AddObserver(&first);
    table.AddObserver(&second);

    table.SetText(kEditId, "a");
    table.SetText(kEditId, "b");
    EXPECT_EQ(first.calls, 1);
    EXPECT_TRUE(second.changes.empty());
}

}  // namespace
}  // namespace kelm9d
