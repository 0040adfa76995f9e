// The lookup's comparison of the key with a cell of the copied block.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "app/CellText.h"
#include "win/SafeArray.h"
#include "win/Variant.h"

namespace {

// A block of rows x columns cell values with lower bounds 1, like the one Excel hands over.
class Block {
public:
    Block(LONG rows, LONG columns) {
        SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(rows), 1}, {static_cast<ULONG>(columns), 1}};
        V_VT(value_.get()) = VT_ARRAY | VT_VARIANT;
        V_ARRAY(value_.get()) = ::SafeArrayCreate(VT_VARIANT, 2, bounds);
    }
    Block& Set(LONG row, LONG column, win::Variant cell) {
        LONG index[2] = {row, column};
        ::SafeArrayPutElement(V_ARRAY(value_.get()), index, cell.get());
        return *this;
    }
    const VARIANT& value() const { return *value_.get(); }

private:
    win::Variant value_;
};

win::Variant Error(SCODE code) {
    win::Variant v;
    V_VT(v.get()) = VT_ERROR;
    V_ERROR(v.get()) = code;
    return v;
}

win::Variant Date(double serial) {
    win::Variant v;
    V_VT(v.get()) = VT_DATE;
    V_DATE(v.get()) = serial;
    return v;
}

TEST(CellMatchesKey, TextMatchesOnlyWhenEveryCharacterIsTheSame) {
    Block block(3, 20);
    block.Set(1, 3, win::Variant(L"A1001")).Set(2, 3, win::Variant(L"物料 A1001 ")).Set(3, 3, win::Variant(L""));
    EXPECT_TRUE(app::CellMatchesKey(block.value(), 1, 3, L"A1001"));
    EXPECT_FALSE(app::CellMatchesKey(block.value(), 1, 3, L"a1001")) << "case counts";
    EXPECT_FALSE(app::CellMatchesKey(block.value(), 1, 3, L"A1001 ")) << "no trimming";
    EXPECT_FALSE(app::CellMatchesKey(block.value(), 1, 3, L"A100")) << "no prefix match";
    EXPECT_TRUE(app::CellMatchesKey(block.value(), 2, 3, L"物料 A1001 "));
    EXPECT_TRUE(app::CellMatchesKey(block.value(), 3, 3, L""));
    // An empty cell reads as empty text, so an empty key finds the first empty cell.
    EXPECT_TRUE(app::CellMatchesKey(block.value(), 1, 4, L""));
    EXPECT_FALSE(app::CellMatchesKey(block.value(), 1, 4, L"0"));
}

TEST(CellMatchesKey, NumbersAndDatesCompareAsTheSystemWritesThem) {
    Block block(5, 20);
    block.Set(1, 1, win::Variant(100.0))
        .Set(2, 1, win::Variant(1.5))
        .Set(3, 1, win::Variant(0.1 + 0.2))
        .Set(4, 1, win::Variant(123456789012345.0))
        .Set(5, 1, Date(45292.0));  // 2024-01-01
    EXPECT_TRUE(app::CellMatchesKey(block.value(), 1, 1, L"100"));
    EXPECT_FALSE(app::CellMatchesKey(block.value(), 1, 1, L"100.0"));
    EXPECT_FALSE(app::CellMatchesKey(block.value(), 1, 1, L"1E2"));
    EXPECT_TRUE(app::CellMatchesKey(block.value(), 2, 1, L"1.5"));
    EXPECT_TRUE(app::CellMatchesKey(block.value(), 3, 1, L"0.3")) << "at most 15 significant digits";
    EXPECT_TRUE(app::CellMatchesKey(block.value(), 4, 1, L"123456789012345"));
    EXPECT_TRUE(app::CellMatchesKey(block.value(), 5, 1, L"2024/1/1")) << "the zh-CN short date";
    EXPECT_FALSE(app::CellMatchesKey(block.value(), 5, 1, L"45292"));
    EXPECT_EQ(app::CellText(block.value(), 1, 1), L"100");
    EXPECT_EQ(app::CellText(block.value(), 1, 2), L"");
}

TEST(CellMatchesKey, CellsThatCannotBeComparedNeverMatch) {
    Block block(2, 20);
    block.Set(1, 1, Error(0x800A07FA)).Set(2, 1, win::Variant(L"key"));  // #N/A, then a match
    for (const wchar_t* key : {L"", L"#N/A", L"2042", L"Error 2042"})
        EXPECT_FALSE(app::CellMatchesKey(block.value(), 1, 1, key)) << testing::PrintToString(std::wstring(key));
    EXPECT_FALSE(app::CellText(block.value(), 1, 1).has_value());
    EXPECT_TRUE(app::CellMatchesKey(block.value(), 2, 1, L"key"));

    // Indices outside the block: the query column must be 1 to 20, the row 1 to the block's height.
    EXPECT_FALSE(app::CellMatchesKey(block.value(), 2, 0, L""));
    EXPECT_FALSE(app::CellMatchesKey(block.value(), 2, 21, L""));
    EXPECT_FALSE(app::CellMatchesKey(block.value(), 0, 1, L""));
    EXPECT_FALSE(app::CellMatchesKey(block.value(), 3, 1, L""));
    EXPECT_FALSE(app::CellMatchesKey(block.value(), -1, -1, L""));

    // No block at all, or something else than a block.
    win::Variant nothing;
    EXPECT_FALSE(app::CellMatchesKey(*nothing.get(), 1, 1, L""));
    win::Variant text(L"not a block");
    EXPECT_FALSE(app::CellMatchesKey(*text.get(), 1, 1, L"not a block"));
    SAFEARRAYBOUND line{5, 1};
    win::Variant row;
    V_VT(row.get()) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(row.get()) = ::SafeArrayCreate(VT_VARIANT, 1, &line);
    EXPECT_FALSE(app::CellMatchesKey(*row.get(), 1, 1, L""));
    SAFEARRAYBOUND grid[2] = {{2, 1}, {2, 1}};
    win::Variant numbers;
    V_VT(numbers.get()) = VT_ARRAY | VT_I4;
    V_ARRAY(numbers.get()) = ::SafeArrayCreate(VT_I4, 2, grid);
    EXPECT_FALSE(app::CellMatchesKey(*numbers.get(), 1, 1, L"0"));
}

}  // namespace
