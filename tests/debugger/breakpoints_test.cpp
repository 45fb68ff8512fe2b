// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/breakpoints.h"

#include <gtest/gtest.h>

#include "message_host.h"

namespace tirvane {
namespace {

std::vector<std::string> Items(const BreakpointList& list) { return list.Items(); }

TEST(BreakpointList, SortsAsTextKeepsDuplicatesAndReportsWhereAnItemWent) {
  BreakpointList list;
  EXPECT_EQ(list.Add("12"), 0);
  EXPECT_EQ(list.Add("1000"), 0);  // text order: "1000" < "12"
  EXPECT_EQ(list.Add("0038"), 0);
  EXPECT_EQ(list.Add("12"), 3);  // after the equal item
  EXPECT_EQ(Items(list), (std::vector<std::string>{"0038", "1000", "12", "12"}));
  EXPECT_EQ(list.Address(2), 0x12);
}

TEST(BreakpointList, ReadsShortAndEmptyItemsAsTheirValue) {
  BreakpointList list;
  list.Add("38");
  list.Add("");
  list.Add("FFFF");
  list.Add("c3");
  EXPECT_TRUE(list.Contains(0x0038));
  EXPECT_TRUE(list.Contains(0x00C3));
  EXPECT_TRUE(list.Contains(0x0000));
  EXPECT_TRUE(list.Contains(0xFFFF));
  EXPECT_FALSE(list.Contains(0x0380));
}

TEST(BreakpointList, RemovingKeepsAnAddressMarkedWhileAnEqualItemRemains) {
  BreakpointList list;
  list.Add("0066");
  list.Add("0066");
  list.Add("0100");
  ASSERT_TRUE(list.RemoveAt(0));
  EXPECT_TRUE(list.Contains(0x0066));
  ASSERT_TRUE(list.RemoveAt(0));
  EXPECT_FALSE(list.Contains(0x0066));
  EXPECT_TRUE(list.Contains(0x0100));
  EXPECT_FALSE(list.RemoveAt(1));
  EXPECT_FALSE(list.RemoveAt(-1));
  EXPECT_EQ(list.Count(), 1);
}

struct HitLog {
  std::vector<std::string> Events;
  BreakpointHitActions Actions() {
    return {[this] { Events.push_back("refresh"); }, [this] { Events.push_back("tick"); },
            [this] { Events.push_back("pause"); }};
  }
};

TEST(BreakpointCheck, AHitRefreshesThenShowsItsMessageThenTicksDebugAndPauses) {
  MessageHost host;
  HitLog log;
  host.OnMessage = [&](const std::string&) { log.Events.push_back("message"); };
  BreakpointList list;
  list.Add("0038");
  list.Add("1000");

  EXPECT_EQ(CheckBreakpoints(list, 0x0039, log.Actions()), 0);
  EXPECT_TRUE(host.Messages.empty());
  EXPECT_EQ(CheckBreakpoints(list, 0x0038, log.Actions()), 1);
  EXPECT_EQ(host.Messages,
            (std::vector<std::string>{
                "The instruction in address of the breakpoint [0038] is the next to be executed."}));
  EXPECT_EQ(log.Events, (std::vector<std::string>{"refresh", "message", "tick", "pause"}));
}

TEST(BreakpointCheck, EqualItemsEachGiveTheirOwnMessageAsTyped) {
  MessageHost host;
  HitLog log;
  BreakpointList list;
  list.Add("38");
  list.Add("0038");
  list.Add("0038");
  EXPECT_EQ(CheckBreakpoints(list, 0x0038, log.Actions()), 3);
  ASSERT_EQ(host.Messages.size(), 3u);
  EXPECT_EQ(host.Messages[0], BreakpointMessage("0038"));
  EXPECT_EQ(host.Messages[2], BreakpointMessage("38"));
  EXPECT_EQ(std::count(log.Events.begin(), log.Events.end(), "pause"), 3);
}

TEST(BreakpointCheck, ChangingTheListInsideTheMessageBoxDoesNotDisturbTheWalk) {
  MessageHost host;
  BreakpointList list;
  list.Add("0010");
  list.Add("0010");
  host.OnMessage = [&](const std::string&) { list.Clear(); };
  EXPECT_EQ(CheckBreakpoints(list, 0x0010, {}), 2);
  EXPECT_EQ(list.Count(), 0);
}

}  // namespace
}  // namespace tirvane
