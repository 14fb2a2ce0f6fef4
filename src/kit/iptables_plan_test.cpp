// The iptables planner: a case a line, the setup there (against one wanted setup of two hosts,
// one named, jumped to from INPUT and FORWARD) and the plan written.
#include "kit/iptables_plan.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr const char* kWanted =
    "W security -N IN\n"
    "W security -A IN -m length --length 0:19 -m comment --comment mark\n"
    "W security -A IN -d 10.0.0.1/32\n"
    "W security -A IN -d 10.0.0.2/32 -m comment --comment printer\n"
    "W security -N OUT\n"
    "W security -A OUT -m length --length 0:19 -m comment --comment mark\n"
    "W security -A OUT -s 10.0.0.1/32\n"
    "W security -A OUT -s 10.0.0.2/32 -m comment --comment printer\n"
    "W security -A INPUT ! -i lo -j IN\n"
    "W security -A INPUT ! -i lo -j OUT\n"
    "W security -A FORWARD -j IN\n"
    "W security -A FORWARD -j OUT\n";

constexpr const char* kPolicies =
    "A security -P INPUT ACCEPT -c 0 0\n"
    "A security -P FORWARD ACCEPT -c 0 0\n";
constexpr const char* kChains = "A security -N IN\nA security -N OUT\n";
constexpr const char* kJumps =
    "A security -A INPUT ! -i lo -c 5 500 -j IN\n"
    "A security -A INPUT ! -i lo -c 5 500 -j OUT\n"
    "A security -A FORWARD -c 6 600 -j IN\n"
    "A security -A FORWARD -c 6 600 -j OUT\n";
constexpr const char* kInMark =
    "A security -A IN -m length --length 0:19 -m comment --comment mark -c 0 1\n";
constexpr const char* kIn1 = "A security -A IN -d 10.0.0.1/32 -c 3 300\n";
constexpr const char* kIn2 =
    "A security -A IN -d 10.0.0.2/32 -m comment --comment \"printer\" -c 4 400\n";
constexpr const char* kOut =
    "A security -A OUT -m length --length 0:19 -m comment --comment mark -c 0 1\n"
    "A security -A OUT -s 10.0.0.1/32 -c 3 300\n"
    "A security -A OUT -s 10.0.0.2/32 -m comment --comment printer -c 4 400\n";

struct plan_case_t {
  const char* szWhat;
  std::string szHave;
  bool bTrust;
  const char* szKept;
  const char* szPlan;
};

std::string Complete(const std::string& szInMark) {
  return std::string(kPolicies) + kChains + kJumps + szInMark + kIn1 + kIn2 + kOut;
}

}  // namespace

TEST(IptablesPlan, BringsTheSetupToTheWantedOneKeepingCounters) {
  const std::string szInMark0 =
      "A security -A IN -m length --length 0:19 -m comment --comment mark -c 0 0\n";
  const std::string szInMark7 =
      "A security -A IN -m length --length 0:19 -m comment --comment mark -c 0 7\n";
  const std::string szInCopy = "A security -A IN -d 10.0.0.1/32 -c 0 0\n";
  const std::string szInOther = "A security -A IN -d 10.0.0.9/32 -c 1 100\n";
  const std::string szSwapped =
      "A security -A INPUT ! -i lo -c 5 500 -j OUT\n"
      "A security -A INPUT ! -i lo -c 5 500 -j IN\n"
      "A security -A FORWARD -c 6 600 -j IN\n"
      "A security -A FORWARD -c 6 600 -j OUT\n";
  const std::string szOut7 =
      "A security -A OUT -m length --length 0:19 -m comment --comment mark -c 0 7\n"
      "A security -A OUT -s 10.0.0.1/32 -c 3 300\n"
      "A security -A OUT -s 10.0.0.2/32 -m comment --comment printer -c 4 400\n";
  const std::string szInOnly = std::string(kPolicies) + kChains + kJumps + kInMark;
  const plan_case_t kCases[] = {
      {"in place", Complete(kInMark), true, "", "E\n"},
      // The repeated copy goes by its number: "-D RULE" would take the first, counted one.
      {"a host rule twice", szInOnly + kIn1 + szInCopy + kIn2 + kOut, true, "",
       "E\nR security -D IN 3\nF 1 rule not asked for\n"},
      {"a host rule three times", szInOnly + kIn1 + szInCopy + szInCopy + kIn2 + kOut, true, "",
       "E\nR security -D IN 4\nR security -D IN 3\nF 2 rules not asked for\n"},
      {"a repeat at the end", Complete(kInMark) + "A security -A OUT -s 10.0.0.1/32 -c 0 0\n", true,
       "", "E\nR security -D OUT 4\nF 1 rule not asked for\n"},
      {"a host rule missing", szInOnly + kIn1 + kOut, true, "",
       "E\nR security -A IN -d 10.0.0.2/32 -m comment --comment printer\n"
       "N -A IN -d 10.0.0.2/32 -m comment --comment printer\nF 1 rule missing\n"},
      {"a rule not asked for", Complete(kInMark) + szInOther, true, "",
       "E\nR security -D IN -d 10.0.0.9/32\nF 1 rule not asked for\n"},
      {"a mark missing", std::string(kPolicies) + kChains + kJumps + kIn1 + kIn2 + kOut, true, "",
       "E\nR security [1:99] -A IN -m length --length 0:19 -m comment --comment mark\n"
       "F 1 rule missing\n"},
      {"counters reset", Complete(szInMark0), true, "",
       "E\nX IN\nF the counters were reset (iptables -Z, a restore or a reload)\n"},
      {"counters restored",
       szInOnly.substr(0, szInOnly.size() - std::string(kInMark).size()) + szInMark7 + kIn1 + kIn2 +
           szOut7,
       true, "",
       "E\nX IN\nZ IN\nX OUT\nZ OUT\nF saved counters were restored (a restore or a reload): "
       "every counter set to 0, not billed again\n"},
      {"marks not trusted", Complete(szInMark7), false, "", "E\n"},
      {"the kept mark", Complete(szInMark7), true, "7",
       "E\nX OUT\nZ OUT\nF saved counters were restored (a restore or a reload): every counter "
       "set to 0, not billed again\n"},
      {"jumps swapped", std::string(kPolicies) + kChains + szSwapped + kInMark + kIn1 + kIn2 + kOut,
       true, "",
       "E\nF the jumps to the chains were not in place\n"
       "R security -D INPUT ! -i lo -j OUT\nR security -D INPUT ! -i lo -j IN\n"
       "R security -D FORWARD -j IN\nR security -D FORWARD -j OUT\n"
       "R security -I FORWARD 1 -j OUT\nR security -I FORWARD 1 -j IN\n"
       "R security -I INPUT 1 ! -i lo -j OUT\nR security -I INPUT 1 ! -i lo -j IN\n"},
      {"nothing there", "A security -P INPUT ACCEPT -c 0 0\nA filter -P INPUT ACCEPT -c 0 0\n",
       true, "",
       "G\nF chain IN missing\nR security :IN - [0:0]\n"
       "R security [1:99] -A IN -m length --length 0:19 -m comment --comment mark\n"
       "R security -A IN -d 10.0.0.1/32\nN -A IN -d 10.0.0.1/32\n"
       "R security -A IN -d 10.0.0.2/32 -m comment --comment printer\n"
       "N -A IN -d 10.0.0.2/32 -m comment --comment printer\n"
       "F chain OUT missing\nR security :OUT - [0:0]\n"
       "R security [1:99] -A OUT -m length --length 0:19 -m comment --comment mark\n"
       "R security -A OUT -s 10.0.0.1/32\nN -A OUT -s 10.0.0.1/32\n"
       "R security -A OUT -s 10.0.0.2/32 -m comment --comment printer\n"
       "N -A OUT -s 10.0.0.2/32 -m comment --comment printer\n"
       "R security -I FORWARD 1 -j OUT\nR security -I FORWARD 1 -j IN\n"
       "R security -I INPUT 1 ! -i lo -j OUT\nR security -I INPUT 1 ! -i lo -j IN\n"},
      // A host named after the mark is a host: its rule is neither a mark nor given its count.
      {"a host named after the mark",
       Complete(kInMark) + "W security -A IN -d 10.0.0.3/32 -m comment --comment mark.lan\n"
                           "A security -A IN -d 10.0.0.3/32 -m comment --comment \"mark.lan\" "
                           "-c 2 200\n",
       true, "", "E\n"},
      {"a host named after the mark missing",
       Complete(kInMark) + "W security -A IN -d 10.0.0.3/32 -m comment --comment mark.lan\n", true,
       "",
       "E\nR security -A IN -d 10.0.0.3/32 -m comment --comment mark.lan\n"
       "N -A IN -d 10.0.0.3/32 -m comment --comment mark.lan\nF 1 rule missing\n"},
      {"only a host named after the mark",
       std::string(kPolicies) + kChains + kJumps + kInMark +
           "A security -A OUT -m length --length 0:19 -m comment --comment mark -c 0 1\n"
           "A security -A OUT -s 10.0.0.3/32 -m comment --comment mark-2 -c 2 200\n",
       true, "",
       "E\n"
       "R security -A IN -d 10.0.0.1/32\nN -A IN -d 10.0.0.1/32\n"
       "R security -A IN -d 10.0.0.2/32 -m comment --comment printer\n"
       "N -A IN -d 10.0.0.2/32 -m comment --comment printer\n"
       "R security -D OUT -s 10.0.0.3/32 -m comment --comment mark-2\n"
       "R security -A OUT -s 10.0.0.1/32\nN -A OUT -s 10.0.0.1/32\n"
       "R security -A OUT -s 10.0.0.2/32 -m comment --comment printer\n"
       "N -A OUT -s 10.0.0.2/32 -m comment --comment printer\n"
       "F 4 rules missing\nF 1 rule not asked for\n"},
      // A comment may hold a line break: what follows it in the listing is no rule of ours.
      {"a comment that spans lines",
       Complete("A security -A FORWARD -m comment --comment \"x\n"
                "A security -A IN -d 10.0.0.1/32 -c 0 0\n"
                "A security \" -c 0 0 -j ACCEPT\n" +
                std::string(kInMark)),
       true, "", "E\n"},
      {"a comment that spans lines after an escaped quote",
       Complete("A security -A FORWARD -m comment --comment \"a\\\"\n"
                "A security -A IN -d 10.0.0.9/32 -c 0 0\n"
                "A security \\\\\" -c 0 0 -j ACCEPT\n" +
                std::string(kInMark)),
       true, "", "E\n"},
      {"a quote never closed before our rules",
       Complete("A security -A FORWARD -m comment --comment \"x -c 0 0 -j ACCEPT\n" +
                std::string(kInMark)),
       true, "", "E\n"},
      // The kit's own lines are a rule a line, whatever quotes they hold.
      {"a wanted line with a quote never closed",
       "W security -A IN -d 10.0.0.3/32 -m comment --comment \"x\n" +
           Complete("A security -A FORWARD -m comment --comment \"x\n"
                    "A security -A IN -d 10.0.0.1/32 -c 0 0\n"
                    "A security \" -c 0 0 -j ACCEPT\n" +
                    std::string(kInMark)),
       true, "",
       "E\nR security -A IN -d 10.0.0.3/32 -m comment --comment \"x\n"
       "N -A IN -d 10.0.0.3/32 -m comment --comment \"x\nF 1 rule missing\n"},
      {"a quote never closed",
       Complete(kInMark) + "A security -A OUT -m comment --comment \"x -c 0 0 -j ACCEPT\n", true,
       "", "E\nR security -D OUT -m comment --comment \"x -j ACCEPT\nF 1 rule not asked for\n"},
      {"chains left in the filter table",
       Complete(kInMark) + "A filter -N IN\nA filter -N OUT\n"
                           "A filter -A INPUT -c 1 1 -j IN\nA filter -A FORWARD -j OUT\n"
                           "A filter -A IN -d 10.0.0.1/32 -c 9 9\n",
       true, "",
       "E\nF chains moved out of the filter table\nR filter -D INPUT -j IN\n"
       "R filter -D FORWARD -j OUT\nR filter -F IN\nR filter -X IN\nR filter -F OUT\n"
       "R filter -X OUT\n"},
  };
  for (const plan_case_t& tCase : kCases) {
    iptables_plan_settings_t tSettings;
    tSettings.szInChain = "IN";
    tSettings.szOutChain = "OUT";
    tSettings.szMark = "mark";
    tSettings.bTrustMark = tCase.bTrust;
    tSettings.szKept = tCase.szKept;
    tSettings.szFresh = "99";
    EXPECT_EQ(PlanIptables(std::string(kWanted) + tCase.szHave, tSettings), tCase.szPlan)
        << tCase.szWhat;
  }
}
