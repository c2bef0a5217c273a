// Loading ThermalTable.txt: the echo of each converted number, then the
// listing of the bytes stored. The library is made to fail so that each run
// ends right after the listing.

#include "harness.h"

#include <gtest/gtest.h>

namespace {

const std::string LIBRARY_FAILS = "initializes the DLL Error\n";

std::string Load(const std::string &table) { return Run_Temperatures("", table, "init").out; }

// What a load prints: the echo, an empty line, the listing, its empty line.
std::string Loaded(const std::string &echo, const std::string &listing) {
  return "ThermalTable: \n" + echo + "\n" + "\n" + listing + "\n" + LIBRARY_FAILS;
}

struct LoaderCase {
  const char *name;
  std::string file;
  std::string echo;
  std::string listing;
};

// Names the case in test listings.
void PrintTo(const LoaderCase &c, std::ostream *os) { *os << c.name; }

class Loader : public testing::TestWithParam<LoaderCase> {};

TEST_P(Loader, EchoesTheNumbersAndListsTheStoredBytes) {
  const LoaderCase &c = GetParam();
  EXPECT_EQ(Load(c.file), Loaded(c.echo, c.listing));
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
    [](const testing::TestParamInfo<LoaderCase> &param_info) {
      return std::string(param_info.param.name);
    });

TEST(LoaderLimits, MoreThan1024ValuesStoresTheFirst1024AndSaysSoOnce) {
  std::string file;
  std::string rows;
  for (int row = 0; row < 256; ++row) {
    const std::string v = std::to_string(row);
    file += v + "," + v + "," + v + "," + v + ",\n";
    rows += v + "  " + v + "  " + v + "  " + v + "  \n";
  }
  file += "7,8,9,\n";
  const std::string out = Load(file);
  EXPECT_EQ(out, "ThermalTable: \n" + rows +
                     "ThermalTable.txt holds more than 1024 values; the rest is ignored\n" + "\n" +
                     "\n" + rows + "\n" + LIBRARY_FAILS);
}

TEST(LoaderLimits, Exactly1024ValuesLoadWithoutComplaint) {
  std::string file;
  for (int value = 0; value < 1024; ++value) {
    file += "1,";
  }
  const std::string out = Load(file);
  EXPECT_EQ(out.find("more than 1024"), std::string::npos);
  EXPECT_EQ(std::count(out.begin(), out.end(), '1'), 2 * 1024);
}

TEST(LoaderLimits, MissingFileIsReportedAndTheListingIsEmpty) {
  const RunResult run = Run_Temperatures("", std::nullopt, "init");
  EXPECT_EQ(run.out, "open ThermalTable file err! \n\n\n" + LIBRARY_FAILS);
}

} // namespace
