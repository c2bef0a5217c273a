// What a cycle does once its read has ended, and whether the machine slept
// between two looks at its suspended time: the controller's own rules, run
// in-process over the built-in table.

#include "app/cycle_decision.h"

#include <gtest/gtest.h>
#include <ostream>

void PrintTo(const CycleDecision &d, std::ostream *os) {
  *os << "{select " << d.select << ", enter " << int{d.enter} << ", set-up "
      << static_cast<int>(d.recovery) << ", silent reads " << int{d.silent_reads} << "}";
}

namespace {

struct DecisionCase {
  const char *name;
  CycleRead cycle; // row, silent reads before, resumed, temperature, how the read ended
  CycleDecision expected;
};

void PrintTo(const DecisionCase &c, std::ostream *os) { *os << c.name; }

class Decision : public testing::TestWithParam<DecisionCase> {};

TEST_P(Decision, FollowsTheRead) {
  const DecisionCase &c = GetParam();
  EXPECT_EQ(Decide_Cycle(Built_In_Table(), c.cycle), c.expected);
}

constexpr EcRead ANSWERED = EcRead::Answered;
constexpr EcRead NO_ANSWER = EcRead::NoAnswer;
constexpr EcRead LOST = EcRead::PortsLost;
constexpr EcRead BUSY = EcRead::Busy;

INSTANTIATE_TEST_SUITE_P(Reads, Decision,
                         testing::Values(DecisionCase{"AnsweredAboveTheNextRiseEntersIt",
                                                      {0, 0, false, 46, ANSWERED},
                                                      {true, 1, Recovery::None, 0}},
                                         DecisionCase{"AnsweredAtTheNextRiseHolds",
                                                      {0, 0, false, 45, ANSWERED},
                                                      {false, 0, Recovery::None, 0}},
                                         DecisionCase{"AnsweredBelowTheFallLeavesDownward",
                                                      {1, 0, false, 39, ANSWERED},
                                                      {true, 0, Recovery::None, 0}},
                                         DecisionCase{"AnsweredEndsACountOfSilentReads",
                                                      {1, 2, false, 45, ANSWERED},
                                                      {false, 1, Recovery::None, 0}},
                                         DecisionCase{"UnansweredHotByteIsNotActedOn",
                                                      {0, 0, false, 90, NO_ANSWER},
                                                      {false, 0, Recovery::None, 1}},
                                         DecisionCase{"UnansweredColdByteIsNotActedOn",
                                                      {3, 1, false, 0, NO_ANSWER},
                                                      {false, 3, Recovery::None, 2}},
                                         DecisionCase{"ThirdUnansweredReadSetsTheEcUpAgain",
                                                      {2, 2, false, 90, NO_ANSWER},
                                                      {false, 2, Recovery::EcSilent, 0}},
                                         DecisionCase{"AResumeStartsTheCountAgain",
                                                      {2, 2, true, 90, NO_ANSWER},
                                                      {false, 2, Recovery::None, 1}},
                                         DecisionCase{"LostPortsSetTheEcUpAgainAtOnce",
                                                      {1, 0, false, 255, LOST},
                                                      {false, 1, Recovery::PortsLost, 0}},
                                         DecisionCase{"LostPortsEndACountOfSilentReads",
                                                      {1, 2, false, 255, LOST},
                                                      {false, 1, Recovery::PortsLost, 0}},
                                         DecisionCase{"ABusyEcHoldsTheRowAndTheCount",
                                                      {1, 2, false, 90, BUSY},
                                                      {false, 1, Recovery::None, 2}},
                                         DecisionCase{"ABusyEcAfterAResumeStartsAFreshCount",
                                                      {1, 2, true, 90, BUSY},
                                                      {false, 1, Recovery::None, 0}}),
                         [](const testing::TestParamInfo<DecisionCase> &param) {
                           return std::string(param.param.name);
                         });

TEST(RowAfter, IsTheEnteredRowOnlyWhenTheEcTookTheSelect) {
  const CycleDecision climb{true, 2, Recovery::None, 0};
  EXPECT_EQ(Row_After(climb, 1, true), 2);
  EXPECT_EQ(Row_After(climb, 1, false), 1);
  const CycleDecision hold{false, 1, Recovery::None, 0};
  EXPECT_EQ(Row_After(hold, 1, true), 1);
}

struct Looks {
  std::uint64_t last_ms;
  std::uint64_t now_ms;
  bool slept;
};

TEST(SleptBetween, ASecondOrMoreOfSuspendedTimeIsASleepAndClockNoiseIsNot) {
  const Looks cases[] = {
      {0, 0, false},         {0, 999, false},
      {0, 1000, true},       {5000, 5016, false}, // Windows' timer tick between the two clocks
      {5000, 65000, true},                        // a minute asleep
      {65000, 65003, false},
  };
  for (const Looks &c : cases) {
    EXPECT_EQ(Slept_Between(c.last_ms, c.now_ms), c.slept) << c.last_ms << " then " << c.now_ms;
  }
}

} // namespace
