// The table's rules in-process: the stepping over every kind of threshold,
// and the loader's echo, storage and listing over every kind of file.

#include "table/thermal_table.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// A table of the built-in rows with these values written over it from the
// first on.
ThermalTableBytes Table_Of(std::initializer_list<std::uint8_t> values) {
  ThermalTableBytes table = Built_In_Table();
  std::size_t at = 0;
  for (const std::uint8_t value : values) {
    table[at++] = value;
  }
  return table;
}

// Rows 1 to 64 rise at their own number: from row 63 a hot chip finds row
// 64's rise below it.
ThermalTableBytes Tall_Table(std::uint8_t row_63_fall) {
  ThermalTableBytes table{};
  for (std::size_t row = 1; row <= 64; ++row) {
    table[row * ROW_SIZE + COL_RISE] = static_cast<std::uint8_t>(row);
  }
  table[63 * ROW_SIZE + COL_FALL] = row_63_fall;
  return table;
}

struct StepCase {
  const char *name;
  ThermalTableBytes table;
  std::uint8_t row;
  std::uint8_t temperature;
  std::uint8_t expected;
};

void PrintTo(const StepCase &c, std::ostream *os) { *os << c.name; }

class Step : public testing::TestWithParam<StepCase> {};

TEST_P(Step, MovesAtMostOneRow) {
  const StepCase &c = GetParam();
  EXPECT_EQ(Step_Row(c.table, c.row, c.temperature), c.expected);
}

// Row 1 falls at 50 and row 2 rises at 45: at 47 in row 1 both tests hold.
const ThermalTableBytes OVERLAPPING = Table_Of({0, 0, 0, 0, 40, 50, 7, 0, 45, 0, 8, 0});
const ThermalTableBytes FLOOR_AT_30 = Table_Of({0, 30, 0, 0});

INSTANTIATE_TEST_SUITE_P(
    Thresholds, Step,
    testing::Values(StepCase{"EqualToTheNextRiseHolds", Built_In_Table(), 0, 45, 0},
                    StepCase{"AboveTheNextRiseClimbs", Built_In_Table(), 0, 46, 1},
                    StepCase{"EqualToTheFallHolds", Built_In_Table(), 1, 40, 1},
                    StepCase{"BelowTheFallFalls", Built_In_Table(), 1, 39, 0},
                    StepCase{"BetweenFallAndNextRiseHolds", Built_In_Table(), 2, 54, 2},
                    StepCase{"FarAboveClimbsOneRow", Built_In_Table(), 1, 200, 2},
                    StepCase{"FarBelowFallsOneRow", Built_In_Table(), 5, 0, 4},
                    StepCase{"TheCeilingStopsTheClimb", Built_In_Table(), 6, 255, 6},
                    StepCase{"WhenBothTestsHoldItClimbs", OVERLAPPING, 1, 47, 2},
                    StepCase{"BelowRow0sFallRow0Holds", FLOOR_AT_30, 0, 10, 0},
                    StepCase{"Row63IsTheTop", Tall_Table(0), 63, 200, 63},
                    StepCase{"Row62ClimbsToRow63", Tall_Table(0), 62, 200, 63},
                    StepCase{"Row63StillFalls", Tall_Table(9), 63, 5, 62}),
    [](const testing::TestParamInfo<StepCase> &param) { return std::string(param.param.name); });

// A file in the test's scratch folder, loaded as the controller loads its
// table: what it printed, and what it stored over the built-in table.
struct Loaded {
  bool opened;
  std::string printed;
  ThermalTableBytes table;
  std::uint16_t count;
};

// Tests run side by side, each in a process of its own.
std::string Scratch_Path() {
  return testing::TempDir() + "thermal-loader-" + std::to_string(getpid()) + ".txt";
}

Loaded Load(const std::string &contents) {
  const std::string path = Scratch_Path();
  std::ofstream(path, std::ios::binary) << contents;
  Loaded loaded{false, "", Built_In_Table(), 0};
  testing::internal::CaptureStdout();
  loaded.opened = Read_ThermalTable(path.c_str(), loaded.table, loaded.count);
  loaded.printed = testing::internal::GetCapturedStdout();
  std::remove(path.c_str());
  return loaded;
}

std::string Listing(const Loaded &loaded) {
  testing::internal::CaptureStdout();
  List_ThermalTable(loaded.table, loaded.count);
  return testing::internal::GetCapturedStdout();
}

struct LoaderCase {
  const char *name;
  std::string file;
  std::string echo;    // after "ThermalTable: \n", before the closing "\n"
  std::string listing; // before the closing "\n"
};

void PrintTo(const LoaderCase &c, std::ostream *os) { *os << c.name; }

class Loader : public testing::TestWithParam<LoaderCase> {};

TEST_P(Loader, EchoesTheNumbersAndListsTheStoredBytes) {
  const LoaderCase &c = GetParam();
  const Loaded loaded = Load(c.file);
  EXPECT_TRUE(loaded.opened);
  EXPECT_EQ(loaded.printed, "ThermalTable: \n" + c.echo + "\n");
  EXPECT_EQ(Listing(loaded), c.listing + "\n");
}

const std::string TWO_ROWS = "0  0  0  0  \n45  40  100  0  \n";

std::string Forty_Blanks_And_Breaks() {
  std::string text;
  for (int i = 0; i < 40; ++i) {
    text += " \n\t\r"[i % 4];
  }
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Files, Loader,
    testing::Values(
        LoaderCase{"OneRowPerLine", "0,0,0,0,\n45,40,100,0,\n", TWO_ROWS, TWO_ROWS},
        LoaderCase{"CrLfLineEnds", "0,0,0,0,\r\n45,40,100,0,\r\n", TWO_ROWS, TWO_ROWS},
        LoaderCase{"RowsNeedNotFollowLines", "0,0,\n0,0,45,40,\n100,0,", TWO_ROWS, TWO_ROWS},
        LoaderCase{"MissingFinalCommaMergesTwoLines", "45,40,100,0\n56,53,60,0,\n",
                   "45  40  100  0  \n53  60  0  ", "45  40  100  0  \n53  60  0  "},
        LoaderCase{"NoFinalCommaDropsTheLastValue", "45,40,100,0", "45  40  100  ",
                   "45  40  100  "},
        LoaderCase{"BlanksAroundANumber", " 40 ,\t7\t,\v\f8  ,", "40  7  8  ", "40  7  8  "},
        LoaderCase{"SignsAndNegativeNumbers", "+5,-1,-0,-256,", "5  -1  0  -256  \n",
                   "5  255  0  0  \n"},
        LoaderCase{"EchoShowsTheNumberListingTheLowByte", "300,256,511,", "300  256  511  ",
                   "44  0  255  "},
        LoaderCase{"NotANumberStoresZero", "abc,12abc,,+-5,- 5,", "0  12  0  0  \n0  ",
                   "0  12  0  0  \n0  "},
        LoaderCase{"TextAfterTheLastCommaIsIgnored",
                   "1,2,\n" + std::string(200, '7') + " trailing text without a comma", "1  2  ",
                   "1  2  "},
        LoaderCase{"LongFieldConvertsTheSame",
                   Forty_Blanks_And_Breaks() + "45," + std::string(100, '0') + "46 and words,",
                   "45  46  ", "45  46  "},
        LoaderCase{"NumbersBeyondIntSaturate",
                   "99999999999999999999,-99999999999999999999,2147483647,-2147483648,",
                   "2147483647  -2147483648  2147483647  -2147483648  \n", "255  0  255  0  \n"},
        LoaderCase{"CtrlZIsOrdinaryData", "1,\x1a,5,", "1  0  5  ", "1  0  5  "},
        LoaderCase{"EmptyFile", "", "", ""}),
    [](const testing::TestParamInfo<LoaderCase> &param) { return std::string(param.param.name); });

TEST(LoaderStorage, AShortFileLeavesTheRestOfTheBuiltInTable) {
  // Three rows and one value of the fourth: its other columns keep theirs.
  const Loaded loaded = Load("0,0,0,0,\n50,45,11,1,\n60,55,22,2,\n61,");
  EXPECT_EQ(loaded.count, 13);
  ThermalTableBytes expected = Built_In_Table();
  const std::uint8_t file[] = {0, 0, 0, 0, 50, 45, 11, 1, 60, 55, 22, 2, 61};
  std::copy(std::begin(file), std::end(file), expected.begin());
  EXPECT_EQ(loaded.table, expected);
  EXPECT_EQ(Row_Byte(loaded.table, 3, COL_FALL), 58) << "row 3's fall stays the built-in one";
}

// The storage's last value is stored without a word; a comma after it ends
// the load, said once.
TEST(LoaderStorage, MoreThan1024ValuesStoreTheFirst1024AndSaySoOnce) {
  std::string file;
  std::string rows;
  for (int row = 0; row < 256; ++row) {
    const std::string v = std::to_string(row);
    file += v + "," + v + "," + v + "," + v + ",\n";
    rows += v + "  " + v + "  " + v + "  " + v + "  \n";
  }
  const Loaded whole = Load(file);
  EXPECT_EQ(whole.count, TABLE_SIZE);
  EXPECT_EQ(whole.printed, "ThermalTable: \n" + rows + "\n");
  const Loaded more = Load(file + "7,8,9,\n");
  EXPECT_EQ(more.count, TABLE_SIZE);
  EXPECT_EQ(more.table[TABLE_SIZE - 1], 255);
  EXPECT_EQ(more.printed, "ThermalTable: \n" + rows + Scratch_Path() +
                              " holds more than 1024 values; the rest is ignored\n\n");
  EXPECT_EQ(Listing(more), rows + "\n");
}

// However the file goes on, only its first MiB is read: a value whose comma
// lies beyond it does not count, and the load says where it stopped.
TEST(LoaderStorage, OnlyTheFirstMebibyteIsRead) {
  const std::string blanks(TABLE_FILE_MAX_BYTES - 6, ' '); // "3," ends the first MiB
  const Loaded loaded = Load("1,2," + blanks + "3,,4,");   // a comma right past it
  EXPECT_EQ(loaded.count, 3);
  EXPECT_EQ(loaded.printed, "ThermalTable: \n1  2  3  " + Scratch_Path() +
                                " goes on past 1048576 bytes; the rest is ignored\n\n");
}

TEST(LoaderStorage, AMissingFileIsReportedAndChangesNothing) {
  ThermalTableBytes table = Built_In_Table();
  std::uint16_t count = 0;
  testing::internal::CaptureStdout();
  EXPECT_FALSE(Read_ThermalTable("no-such-table.txt", table, count));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "open ThermalTable file err! \n");
  EXPECT_EQ(table, Built_In_Table());
  EXPECT_EQ(count, 0);
}

} // namespace
